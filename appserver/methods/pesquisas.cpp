// Lookup methods of the service record: hospitalization standards and the billing products.
// Read-only; each method's comment states what the server does.
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"

namespace cad::appserver {

namespace {

const std::vector<FieldDef>& padInterFields() {
  static const std::vector<FieldDef> f{textField("CDSERPADDIE", 3), textField("NMSERPADDIE", 30)};
  return f;
}

// GetPesqPadInter(CDSERPADDIE): checkable. [true, packet (CDSERPADDIE 3, NMSERPADDIE 30)] with the
// hospitalization standard of that code (blanks trimmed), or no row when it does not exist (the
// screen reports that itself). Never [false, ...] but on a database failure, which is a fault.
Variant getPesqPadInter(CallContext& ctx, VariantArray& args) {
  return checkOk(
      Variant(queryPacket(ctx.db, "SELECT CDSERPADDIE, NMSERPADDIE FROM SERPADDIE WHERE CDSERPADDIE = :CDSERPADDIE",
                          {{"CDSERPADDIE", textOf(args[0])}}, padInterFields())));
}

// GetPadInter(): packet (CDSERPADDIE 3, NMSERPADDIE 30) of every hospitalization standard,
// ordered by code, loaded as it is into the lookup.
Variant getPadInter(CallContext& ctx, VariantArray&) {
  return Variant(
      queryPacket(ctx.db, "SELECT CDSERPADDIE, NMSERPADDIE FROM SERPADDIE ORDER BY CDSERPADDIE", {}, padInterFields()));
}

// GetPesqProdFat(CDFILIAL, CDARVPROD or "T"): packet (CDARVPROD 20, CDPRODUTO 10, NMPRODUTO 50),
// loaded as it is, of the products of the billing product group (PARAMGERAL.CDGRUPRODFAT, through
// PRODGRUP), ordered by tree code. "T" lists the group's active products (the lookup offers only
// those); a tree code gives that product when it is in the group, active or not, so a service
// whose product was deactivated can still be saved. No group configured gives no row. Billing
// products are company-wide: the branch is not used to filter.
Variant getPesqProdFat(CallContext& ctx, VariantArray& args) {
  std::string code = textOf(args[1]);
  std::string sql =
      "SELECT P.CDARVPROD, P.CDPRODUTO, P.NMPRODUTO FROM PARAMGERAL G"
      " JOIN PRODGRUP PG ON PG.CDGRUPROD = G.CDGRUPRODFAT"
      " JOIN PRODUTO P ON P.CDPRODUTO = PG.CDPRODUTO";
  db::Params params;
  if (code == "T") {
    sql += " WHERE P.IDATIVO = 'S'";
  } else {
    sql += " WHERE P.CDARVPROD = :CDARVPROD";
    params.emplace_back("CDARVPROD", code);
  }
  sql += " ORDER BY P.CDARVPROD";
  static const std::vector<FieldDef> fields{textField("CDARVPROD", 20), textField("CDPRODUTO", 10),
                                            textField("NMPRODUTO", 50)};
  return Variant(queryPacket(ctx.db, sql, params, fields));
}

}  // namespace

void registerLookupMethods(Registry& r) {
  r.add({kCadastroServ, "GetPesqPadInter", "s", {}, false, getPesqPadInter});
  r.add({kCadastroServ, "GetPadInter", "", {}, false, getPadInter});
  r.add({kCadastroServ, "GetPesqProdFat", "ss", {}, false, getPesqProdFat, 0});
}

}  // namespace cad::appserver
