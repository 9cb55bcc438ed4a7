// Methods of the branch groups (GRUPFILI, FILIGRUP), read by the side screens that select
// branches and services across a group. Every result is checkable ([true, payload] / [false, text]).
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"

namespace cad::appserver {

namespace {

// GetAgrupFili(): packet (CDGRUPFILI 10, NMGRUPFILI 40) of every branch group, by code. Groups
// name branches only; which of them the operator may open is decided per branch.
Variant getAgrupFili(CallContext& ctx, VariantArray&) {
  static const std::vector<FieldDef> fields{textField("CDGRUPFILI", 10), textField("NMGRUPFILI", 40)};
  return checkOk(Variant(
      queryPacket(ctx.db, "SELECT CDGRUPFILI, NMGRUPFILI FROM GRUPFILI ORDER BY CDGRUPFILI", {}, fields)));
}

}  // namespace

void registerBranchGroupMethods(Registry& r) {
  r.add({kCadastroServ, "GetAgrupFili", "", {}, false, getAgrupFili, -1, true});
}

}  // namespace cad::appserver
