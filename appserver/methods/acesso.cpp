// Methods of operator access: which operator groups hold the standard-cost authorization and which
// groups an operator belongs to. Read-only; each method's comment states what the server does.
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"

namespace cad::appserver {

namespace {

// GetAutGrupACPS(CDOPERADOR): the standard-cost authorization as the screen checks it. Returns an
// array of two packets:
//  [0] the groups holding the authorization 'ACPS' (AUTGRUPOPER: CDGRUPOPER 2, IDAUTGRUPOP 4,
//      NRAUTGRUPOP 3), ordered by NRAUTGRUPOP, so the first row is the group the screen compares;
//      empty when nobody holds it (then every operator may edit standard costs);
//  [1] the operator's groups (OPERGRUP: CDGRUPOPER 2, CDOPERADOR 12), ordered by group.
// A text instead of the array: "Operador não informado." for an empty code, "Operador X não
// cadastrado." for a code missing from OPERADOR.
Variant getAutGrupACPS(CallContext& ctx, VariantArray& args) {
  std::string op = textOf(args[0]);
  if (op.empty()) return Variant("Operador não informado.");
  if (ctx.db.query("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = :CDOPERADOR", {{"CDOPERADOR", op}}).rows.empty())
    return Variant("Operador " + op + " não cadastrado.");
  PacketPtr holders = queryPacket(
      ctx.db,
      "SELECT CDGRUPOPER, IDAUTGRUPOP, NRAUTGRUPOP FROM AUTGRUPOPER WHERE IDAUTGRUPOP = 'ACPS' ORDER BY NRAUTGRUPOP",
      {}, {textField("CDGRUPOPER", 2), textField("IDAUTGRUPOP", 4), textField("NRAUTGRUPOP", 3)});
  PacketPtr groups = queryPacket(
      ctx.db, "SELECT CDGRUPOPER, CDOPERADOR FROM OPERGRUP WHERE CDOPERADOR = :CDOPERADOR ORDER BY CDGRUPOPER",
      {{"CDOPERADOR", op}}, {textField("CDGRUPOPER", 2), textField("CDOPERADOR", 12)});
  return VariantArray{Variant(holders), Variant(groups)};
}

}  // namespace

void registerAccessMethods(Registry& r) { r.add({kCadastroServ, "GetAutGrupACPS", "s", {}, false, getAutGrupACPS}); }

}  // namespace cad::appserver
