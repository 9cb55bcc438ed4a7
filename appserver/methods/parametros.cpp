// Methods of branch parameters: requisition per dish and menu planning. Read-only; each method's
// comment states what the server does.
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"

namespace cad::appserver {

namespace {

bool branchExists(db::Database& db, const std::string& filial) {
  return !db.query("SELECT 1 FROM FILIAL WHERE CDFILIAL = :CDFILIAL", {{"CDFILIAL", filial}}).rows.empty();
}

// GetUtilReqPrat(CDFILIAL): the branch's requisition-and-withdrawal-per-dish parameters
// (PARAMREQPRAT) as an array of five texts:
//  [0] "S" when the branch obliges every service to use requisition per dish, "N" when it does
//      not (any stored value other than 'S' reads as "N"), "" when the branch has no setting;
//  [1] default dish type and [2] default dish for fixed consumption, [3] default dish type and
//  [4] default dish for per-capita consumption; "" where not set.
// Element 0 carries an error as a message key of the screen's table (elements 1 to 4 then ""):
// "FILIAL_N_INF" for an empty branch, "FILIAL_N_CAD" for a branch missing from FILIAL.
Variant getUtilReqPrat(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]);
  VariantArray out(5, Variant(""));
  if (filial.empty()) {
    out[0] = "FILIAL_N_INF";
    return out;
  }
  if (!branchExists(ctx.db, filial)) {
    out[0] = "FILIAL_N_CAD";
    return out;
  }
  db::ResultSet rs = ctx.db.query(
      "SELECT IDUTREQPRAT, CDTPPRATOFIXO, CDPRATOFIXO, CDTPPRATOPER, CDPRATOPER FROM PARAMREQPRAT"
      " WHERE CDFILIAL = :CDFILIAL",
      {{"CDFILIAL", filial}});
  if (rs.rows.empty()) return out;
  out[0] = textOf(rs.rows[0][0]) == "S" ? "S" : "N";
  for (size_t i = 1; i < 5; ++i) out[i] = textOf(rs.rows[0][i]);
  return out;
}

// getParamPlaneja(CDFILIAL): checkable. [true, packet] with the branch's planning parameters
// (PARAMPLANEJA: CDFILIAL 4, QTDIASPLANEJ and QTDIASANTECREQ integers, VRMARGSEGUR float,
// IDCONSCOMENS 1, IDARREDQTDE 1), one row or none (a branch without planning parameters, which
// the screen reports itself). [false, text]: "Filial não informada." for an empty branch, "Filial
// X não cadastrada." for a branch missing from FILIAL.
Variant getParamPlaneja(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]);
  if (filial.empty()) return checkFail("Filial não informada.");
  if (!branchExists(ctx.db, filial)) return checkFail("Filial " + filial + " não cadastrada.");
  static const std::vector<FieldDef> fields{textField("CDFILIAL", 4),     intField("QTDIASPLANEJ"),
                                            intField("QTDIASANTECREQ"),   floatField("VRMARGSEGUR"),
                                            textField("IDCONSCOMENS", 1), textField("IDARREDQTDE", 1)};
  return checkOk(Variant(queryPacket(ctx.db,
                                     "SELECT CDFILIAL, QTDIASPLANEJ, QTDIASANTECREQ, VRMARGSEGUR, IDCONSCOMENS,"
                                     " IDARREDQTDE FROM PARAMPLANEJA WHERE CDFILIAL = :CDFILIAL",
                                     {{"CDFILIAL", filial}}, fields)));
}

}  // namespace

void registerParameterMethods(Registry& r) {
  r.add({kCadastroServ, "GetUtilReqPrat", "s", {}, false, getUtilReqPrat, 0});
  r.add({kCadastroServ, "getParamPlaneja", "s", {}, false, getParamPlaneja, 0, true});
}

}  // namespace cad::appserver
