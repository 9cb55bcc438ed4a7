// Methods of the service record: general parameters, the branch's service list and the save of a
// service. Each method's comment states what the server does.
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/database.h"
#include "platform/net/codec.h"

namespace cad::appserver {

namespace {

// The service record as the screen's cdsServico holds it: name, type, size, fixed-length flag, and
// the SQL expression that reads it (display names come from the joined tables).
struct ServicoField {
  const char* name;
  FieldType type;
  int size;
  bool fixed;
  const char* expr;
};

#define S_(n, size) {#n, FieldType::String, size, false, "S." #n}
#define F_(n) {#n, FieldType::Float, 0, false, "S." #n}
#define WEEK_(prefix) F_(prefix##SEG), F_(prefix##TER), F_(prefix##QUA), F_(prefix##QUI), \
                      F_(prefix##SEX), F_(prefix##SAB), F_(prefix##DOM), F_(prefix##FER)

const ServicoField kServicoFields[] = {
    S_(CDSERVFILI, 5), S_(NMSERVICO, 40), S_(NMFANTASSERV, 80), S_(CDGRUPSERV, 3), S_(HRINICATEN, 4),
    WEEK_(QTCOMESTI), WEEK_(QTCLIESTI), WEEK_(QTFUNESTI), WEEK_(QTDOAESTI),
    S_(CDPRODUTO, 10), S_(IDFATUSERV, 1),
    {"NMPRODUTO", FieldType::String, 50, false, "P.NMPRODUTO"},
    {"NMGRUPSERV", FieldType::String, 30, false, "G.NMGRUPSERV"},
    S_(CDFILIAL, 4), S_(CDROTATRANS, 6), S_(IDTIPOSERV, 1),
    {"NMROTATRANS", FieldType::String, 40, false, "R.NMROTATRANS"},
    S_(HRINICSERV, 4), S_(HRFINASERV, 4), S_(VRPESOCUSTO, 2), S_(IDCONSSERVCA, 1),
    {"CDARVPROD", FieldType::String, 20, false, "P.CDARVPROD"},
    S_(IDSERVTRAN, 1), S_(IDSERVPRINC, 1), S_(IDUTRETIPRAT, 1), S_(IDBLOQALTPRA, 1), S_(IDTPSERVHOSP, 1),
    S_(CDSERPADDIE, 3),
    {"NMSERPADDIE", FieldType::String, 30, false, "D.NMSERPADDIE"},
    S_(IDSERVATIV, 1),
    {"IDCONSCOMFAT", FieldType::String, 1, true, "S.IDCONSCOMFAT"},
    {"IDVLRVARDATA", FieldType::String, 1, true, "S.IDVLRVARDATA"},
    S_(CDSERVPREQUI, 5),
    {"IDCARDDESCENTR", FieldType::String, 1, true, "S.IDCARDDESCENTR"},
    S_(IDSERVFATSEP, 1), S_(IDBLOQCONFIXPER, 1), S_(HRENTREGA, 4), S_(NMSERVICOREDU, 40),
    S_(IDBLOQINCPRODRETIPLA, 1),
};

#undef S_
#undef F_
#undef WEEK_

const std::vector<FieldDef>& servicoFieldDefs() {
  static const std::vector<FieldDef> defs = [] {
    std::vector<FieldDef> d;
    for (const auto& f : kServicoFields) d.push_back({f.name, f.type, f.size, false, f.fixed});
    return d;
  }();
  return defs;
}

const std::string& servicoSelect() {
  static const std::string sql = [] {
    std::string s = "SELECT ";
    bool first = true;
    for (const auto& f : kServicoFields) {
      if (!first) s += ", ";
      first = false;
      s += std::string(f.expr) + " AS " + f.name;
    }
    s += " FROM SERVICO S"
         " LEFT JOIN PRODUTO P ON P.CDPRODUTO = S.CDPRODUTO"
         " LEFT JOIN GRUPSERV G ON G.CDGRUPSERV = S.CDGRUPSERV"
         " LEFT JOIN ROTATRANS R ON R.CDROTATRANS = S.CDROTATRANS"
         " LEFT JOIN SERPADDIE D ON D.CDSERPADDIE = S.CDSERPADDIE"
         " WHERE S.CDFILIAL = :P_CDFILIAL";
    return s;
  }();
  return sql;
}

// getParamGeral(): the general parameters as one text, handed by the screens unread to other
// screen packages. The text is a JSON object of the PARAMGERAL row, column name → value, in the
// table's column order (null stays null, dates as {"$date": ...}); "" when the table has no row.
Variant getParamGeral(CallContext& ctx, VariantArray&) {
  db::ResultSet rs = ctx.db.query("SELECT * FROM PARAMGERAL");
  if (rs.rows.empty()) return Variant("");
  std::vector<std::pair<std::string, Variant>> members;
  for (size_t i = 0; i < rs.columns.size(); ++i) members.emplace_back(rs.columns[i].name, rs.rows[0][i]);
  return Variant(net::encodeObject(members));
}

// GetServico(CDFILIAL, CDGRUPSERV): packet of the branch's services with every field of the
// service record, in the record's order, display names joined from PRODUTO, GRUPSERV, ROTATRANS
// and SERPADDIE, ordered by CDSERVFILI. A non-empty group (blanks trimmed) lists only that
// service group; "" lists all.
Variant getServico(CallContext& ctx, VariantArray& args) {
  std::string filial = args[0].str();
  std::string grupo = trim(args[1].str());
  std::string sql = servicoSelect();
  db::Params params{{"P_CDFILIAL", filial}};
  if (!grupo.empty()) {
    sql += " AND S.CDGRUPSERV = :P_CDGRUPSERV";
    params.emplace_back("P_CDGRUPSERV", grupo);
  }
  sql += " ORDER BY S.CDSERVFILI";
  return Variant(packetOf(ctx.db.query(sql, params), servicoFieldDefs()));
}

// UpdServico(change set of cdsServico, null-field list "_FIELD_FIELD"): writes the change set to
// SERVICO by its key CDFILIAL + CDSERVFILI in one transaction and returns "" or the refusal text.
//  - The operator must have access (FILIOPER) to the branch of every row, before and after the
//    change; otherwise nothing is written and the text says which branch.
//  - A modified or deleted row whose stored values no longer match what the client read refuses
//    the whole change set ("O registro foi alterado por outro usuário. ...").
//  - Display names (NMPRODUTO, NMGRUPSERV, NMROTATRANS, NMSERPADDIE, and CDARVPROD, which belongs
//    to the product) and IDBLOQALTPRA (kept by the branch's own routine, never by this save) are
//    not written; fields named in the null-field list are stored as null.
Variant updServico(CallContext& ctx, VariantArray& args) {
  const Packet& delta = args[0].asPacket();
  if (!delta.delta) throw Exception("UpdServico espera um conjunto de alterações.");
  int filialField = delta.fieldIndex("CDFILIAL");
  if (filialField < 0) throw Exception("Conjunto de alterações de SERVICO sem a coluna CDFILIAL.");
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    std::vector<std::string> branches;
    if (delta.kinds[r] != ChangeKind::Deleted) branches.push_back(delta.rows[r][filialField].asString());
    if (delta.kinds[r] != ChangeKind::Inserted) branches.push_back(delta.original[r][filialField].asString());
    for (const auto& b : branches)
      if (!operatorHasBranch(ctx.db, ctx.operatorName, b)) return Variant(noBranchAccessText(ctx.operatorName, b));
  }
  static const TableSpec spec{"SERVICO",
                              {"CDFILIAL", "CDSERVFILI"},
                              {"NMPRODUTO", "NMGRUPSERV", "NMROTATRANS", "NMSERPADDIE", "CDARVPROD", "IDBLOQALTPRA"}};
  return Variant(applyChangeSet(ctx.db, spec, delta, splitNullFieldList(args[1].str())));
}

}  // namespace

void registerServiceMethods(Registry& r) {
  r.add({kCadastroServ, "getParamGeral", "", {}, false, getParamGeral});
  r.add({kCadastroServ, "GetServico", "ss", {}, false, getServico});
  r.add({kCadastroServ, "UpdServico", "ps", {}, true, updServico});
}

}  // namespace cad::appserver
