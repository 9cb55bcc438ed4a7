// Methods of the service record: general parameters, the branch's service list, the save and the
// deletion of a service with what hangs on it, and the removal of its consumption products. Each
// method's comment states what the server does. Invariant: a refused update writes nothing (the
// dispatcher rolls back its transaction on any refusal text).
#include <optional>
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

#define S_(n, size) \
  { #n, FieldType::String, size, false, "S." #n }
#define F_(n) \
  { #n, FieldType::Float, 0, false, "S." #n }
#define WEEK_(prefix)                                                                                   \
  F_(prefix##SEG), F_(prefix##TER), F_(prefix##QUA), F_(prefix##QUI), F_(prefix##SEX), F_(prefix##SAB), \
      F_(prefix##DOM), F_(prefix##FER)

const ServicoField kServicoFields[] = {
    S_(CDSERVFILI, 5),
    S_(NMSERVICO, 40),
    S_(NMFANTASSERV, 80),
    S_(CDGRUPSERV, 3),
    S_(HRINICATEN, 4),
    WEEK_(QTCOMESTI),
    WEEK_(QTCLIESTI),
    WEEK_(QTFUNESTI),
    WEEK_(QTDOAESTI),
    S_(CDPRODUTO, 10),
    S_(IDFATUSERV, 1),
    {"NMPRODUTO", FieldType::String, 50, false, "P.NMPRODUTO"},
    {"NMGRUPSERV", FieldType::String, 30, false, "G.NMGRUPSERV"},
    S_(CDFILIAL, 4),
    S_(CDROTATRANS, 6),
    S_(IDTIPOSERV, 1),
    {"NMROTATRANS", FieldType::String, 40, false, "R.NMROTATRANS"},
    S_(HRINICSERV, 4),
    S_(HRFINASERV, 4),
    S_(VRPESOCUSTO, 2),
    S_(IDCONSSERVCA, 1),
    {"CDARVPROD", FieldType::String, 20, false, "P.CDARVPROD"},
    S_(IDSERVTRAN, 1),
    S_(IDSERVPRINC, 1),
    S_(IDUTRETIPRAT, 1),
    S_(IDBLOQALTPRA, 1),
    S_(IDTPSERVHOSP, 1),
    S_(CDSERPADDIE, 3),
    {"NMSERPADDIE", FieldType::String, 30, false, "D.NMSERPADDIE"},
    S_(IDSERVATIV, 1),
    {"IDCONSCOMFAT", FieldType::String, 1, true, "S.IDCONSCOMFAT"},
    {"IDVLRVARDATA", FieldType::String, 1, true, "S.IDVLRVARDATA"},
    S_(CDSERVPREQUI, 5),
    {"IDCARDDESCENTR", FieldType::String, 1, true, "S.IDCARDDESCENTR"},
    S_(IDSERVFATSEP, 1),
    S_(IDBLOQCONFIXPER, 1),
    S_(HRENTREGA, 4),
    S_(NMSERVICOREDU, 40),
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
  // Both texts are composed once: the call only binds its arguments.
  static const std::string all = servicoSelect() + " ORDER BY S.CDSERVFILI";
  static const std::string ofGroup = servicoSelect() + " AND S.CDGRUPSERV = :P_CDGRUPSERV ORDER BY S.CDSERVFILI";
  std::string grupo = textOf(args[1]);
  db::Params params{{"P_CDFILIAL", textOf(args[0])}};
  if (!grupo.empty()) params.emplace_back("P_CDGRUPSERV", std::move(grupo));
  return Variant(packetOf(ctx.db.query(params.size() > 1 ? ofGroup : all, params), servicoFieldDefs()));
}

// Tables whose rows exist only for one service, children before their parents, each with the
// condition that selects the service's rows. Deleting a service empties them in its transaction
// (their foreign keys also cascade; deleting here keeps the behaviour independent of how the
// database enforces them).
constexpr const char* kOwnRows = "CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI";
const std::pair<const char*, const char*> kServiceDependents[] = {
    // packages of the collective-packaging restrictions, then the restrictions
    {"RESTEMBCONT",
     "NRRESTEMBTPPRAT IN (SELECT NRRESTEMBTPPRAT FROM RESTEMBTPPRAT WHERE CDFILIAL = :CDFILIAL"
     " AND CDSERVFILI = :CDSERVFILI)"},
    {"RESTEMBTPPRAT", kOwnRows},
    {"CNFDISTEMBTP", kOwnRows},    // menu lines placed in packages
    {"CNFDISTEMBSERV", kOwnRows},  // packaging distribution
    {"DESTSRVCLI", kOwnRows},      // clients and delivery points with their diners
    {"DIETSERV", kOwnRows},        // estimated diners per diet
    {"CONSPRODSERV", kOwnRows},    // consumption products
    {"CNFCARD", kOwnRows},         // default menu configuration
    {"LISTCUSTPADR", kOwnRows},    // working records of the automatic standard-cost maintenance
    {"CUSTPADRTP", kOwnRows},      // standard cost per dish type
    {"CUSTPADR", kOwnRows},        // standard cost per month
    {"TURNOSERV", kOwnRows},       // shifts and diners per shift
    {"SERVFATU", kOwnRows},        // the service's own billing equivalences
};

void deleteDependents(db::Database& db, const db::Params& key) {
  for (const auto& [table, condition] : kServiceDependents)
    db.exec(std::string("DELETE FROM ") + table + " WHERE " + condition, key);
}

std::string joined(const db::ResultSet& rs) {
  std::string out;
  for (const auto& row : rs.rows) out += (out.empty() ? "" : ", ") + row.at(0).asString();
  return out;
}

// The date of the first row of a one-column date query, as text; nullopt when there is no row.
std::optional<std::string> lastDate(db::Database& db, const std::string& sql, const db::Params& params) {
  db::ResultSet rs = db.query(sql, params);
  if (rs.rows.empty()) return std::nullopt;
  return dateText(rs.rows[0].at(0).asDateTime());
}

// Why a service may not be deleted, "" when it may. Operational history blocks it: planned menus
// (CARDADIA) and effective billing entries (EFETSERVFAT, as planning or as billing service) are
// records of what happened and must keep their service. So do other services that still point at
// it (as their billing service in SERVFATU, or as their main service to be billed in
// CDSERVPREQUI): removing it would silently change their setup.
std::string deletionRefusal(db::Database& db, const std::string& filial, const std::string& servico) {
  db::Params key{{"CDFILIAL", filial}, {"CDSERVFILI", servico}};
  std::string who = "o serviço " + servico + " da filial " + filial;
  if (auto last = lastDate(db,
                           "SELECT DTCARDADIA FROM CARDADIA WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
                           " ORDER BY DTCARDADIA DESC LIMIT 1",
                           key))
    return "Operação bloqueada. Já existem cardápios planejados para " + who + ". Último cardápio em " + *last + ".";
  if (auto last = lastDate(db,
                           "SELECT DTEFETIVO FROM EFETSERVFAT WHERE CDFILIAL = :CDFILIAL"
                           " AND (CDSERVFILI = :CDSERVFILI OR CDSERVICFATURAM = :CDSERVFILI)"
                           " ORDER BY DTEFETIVO DESC LIMIT 1",
                           key))
    return "Operação bloqueada. Já existem efetivos lançados para " + who + ". Últimos efetivos lançados em " + *last +
           ".";
  std::string billed =
      joined(db.query("SELECT CDSERVFILI FROM SERVFATU WHERE CDFILIAL = :CDFILIAL AND CDSERVICFATURAM = :CDSERVFILI"
                      " AND CDSERVFILI <> :CDSERVFILI ORDER BY CDSERVFILI",
                      key));
  if (!billed.empty())
    return "Operação bloqueada. O serviço " + servico + " é serviço de faturamento dos serviços " + billed +
           ". Exclua antes essas equivalências.";
  std::string main =
      joined(db.query("SELECT CDSERVFILI FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVPREQUI = :CDSERVFILI"
                      " AND CDSERVFILI <> :CDSERVFILI ORDER BY CDSERVFILI",
                      key));
  if (!main.empty())
    return "Operação bloqueada. O serviço " + servico + " é o serviço principal a ser faturado dos serviços " + main +
           ".";
  return {};
}

// Codes a service row points at, checked before writing so that a wrong code gets a clear text
// instead of a database error (CDSERVPREQUI has no foreign key at all).
struct Reference {
  const char* field;
  const char* sql;  // one row when the code :V exists (:CDFILIAL is the row's branch)
  const char* text;
};
const Reference kServicoReferences[] = {
    {"CDGRUPSERV", "SELECT 1 FROM GRUPSERV WHERE CDGRUPSERV = :V", "Grupo de serviços não cadastrado: "},
    {"CDPRODUTO", "SELECT 1 FROM PRODUTO WHERE CDPRODUTO = :V", "Produto não cadastrado: "},
    {"CDROTATRANS", "SELECT 1 FROM ROTATRANS WHERE CDROTATRANS = :V", "Rota não cadastrada: "},
    {"CDSERPADDIE", "SELECT 1 FROM SERPADDIE WHERE CDSERPADDIE = :V", "Padrão de internação não cadastrado: "},
    {"CDSERVPREQUI", "SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :V",
     "Serviço principal a ser faturado não cadastrado na filial: "},
};

// Checks of an inserted or modified row; "" when it may be written.
std::string rowRefusal(db::Database& db, const Packet& delta, size_t r, const std::vector<std::string>& nulls) {
  bool inserted = delta.kinds[r] == ChangeKind::Inserted;
  std::string filial = textOf(newValue(delta, r, "CDFILIAL"));
  std::string servico = textOf(newValue(delta, r, "CDSERVFILI"));
  if (servico.empty()) return "Código do serviço não informado.";
  if (inserted) {
    if (!db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
                  {{"CDFILIAL", filial}, {"CDSERVFILI", servico}})
             .rows.empty())
      return "O serviço " + servico + " já está cadastrado na filial " + filial + ".";
  } else if (newValue(delta, r, "CDFILIAL").asString() != oldValue(delta, r, "CDFILIAL").asString() ||
             newValue(delta, r, "CDSERVFILI").asString() != oldValue(delta, r, "CDSERVFILI").asString()) {
    return "A filial e o código de um serviço cadastrado não podem ser alterados.";
  }
  auto changed = [&](const char* field, std::string& value) {
    if (delta.fieldIndex(field) < 0) return false;
    for (const auto& n : nulls)
      if (sameText(n, field)) return false;
    value = textOf(newValue(delta, r, field));
    return !value.empty() && (inserted || value != textOf(oldValue(delta, r, field)));
  };
  bool hasTipo = delta.fieldIndex("IDTIPOSERV") >= 0;
  std::string tipo = hasTipo ? textOf(newValue(delta, r, "IDTIPOSERV")) : "";
  bool tipoSet = inserted || (hasTipo && tipo != textOf(oldValue(delta, r, "IDTIPOSERV")));
  if (tipoSet && tipo != "N" && tipo != "D" && tipo != "A" && tipo != "F")
    return "Tipo de serviço inválido: '" + tipo + "' (N, D, A ou F).";
  std::string value;
  for (const Reference& ref : kServicoReferences) {
    if (!changed(ref.field, value)) continue;
    if (std::string(ref.field) == "CDSERVPREQUI" && value == servico)
      return "Um serviço não pode ser o seu próprio serviço principal a ser faturado.";
    if (db.query(ref.sql, {{"V", value}, {"CDFILIAL", filial}}).rows.empty()) return ref.text + value + ".";
  }
  return {};
}

// UpdServico(change set of cdsServico, null-field list "_FIELD_FIELD"): writes the change set to
// SERVICO by its key CDFILIAL + CDSERVFILI in one transaction and returns "" or the refusal text;
// on any refusal nothing of the change set is kept.
//  - The operator must have access (FILIOPER) to the branch of every row, before and after the
//    change ("O operador X não tem acesso à filial Y.").
//  - Inserted rows: a code already stored in the branch is refused ("O serviço X já está
//    cadastrado na filial Y."). Modified rows may not change the key ("A filial e o código de um
//    serviço cadastrado não podem ser alterados."). In both, IDTIPOSERV must be N, D, A or F and
//    the codes the row sets (group, product, route, hospitalization standard, main service to be
//    billed — of the same branch and not the service itself) must exist ("... não cadastrado: X.").
//  - A modified or deleted row whose stored values no longer match what the client read refuses
//    the whole change set ("O registro foi alterado por outro usuário. ..."); a text longer than
//    its column is refused ("O valor de X excede N caracteres.").
//  - Deleted rows: refused while the service has operational history or is still pointed at by
//    other services (see deletionRefusal: texts begin "Operação bloqueada."); otherwise everything
//    that exists only for the service (kServiceDependents) is removed with it.
//  - Codes (key and references) are trimmed before they are checked and written.
//  - Display names (NMPRODUTO, NMGRUPSERV, NMROTATRANS, NMSERPADDIE, and CDARVPROD, which belongs
//    to the product) are not written; fields named in the null-field list are stored as null.
//    Every other column of the record is written, IDBLOQALTPRA (the operator's "block changes of
//    dish types and dishes") included.
Variant updServico(CallContext& ctx, VariantArray& args) {
  if (!args[0].asPacket().delta) throw Exception("UpdServico espera um conjunto de alterações.");
  // Codes are checked and stored without surrounding blanks, so " 01" cannot pass the check as
  // "01" and then be written as another code.
  PacketPtr trimmed = withTrimmedCodes(args[0].asPacket(), {"CDFILIAL", "CDSERVFILI", "CDGRUPSERV", "CDPRODUTO",
                                                            "CDROTATRANS", "CDSERPADDIE", "CDSERVPREQUI"});
  const Packet& delta = *trimmed;
  if (std::string refusal = changeSetBranchRefusal(ctx.db, ctx.operatorName, delta); !refusal.empty())
    return Variant(refusal);
  std::vector<std::string> nulls = splitNullFieldList(args[1].str());
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    std::string refusal;
    if (delta.kinds[r] == ChangeKind::Deleted) {
      std::string filial = textOf(oldValue(delta, r, "CDFILIAL"));
      std::string servico = textOf(oldValue(delta, r, "CDSERVFILI"));
      if (servico.empty()) return Variant("Código do serviço não informado.");
      refusal = deletionRefusal(ctx.db, filial, servico);
      if (refusal.empty()) deleteDependents(ctx.db, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}});
    } else {
      refusal = rowRefusal(ctx.db, delta, r, nulls);
    }
    if (!refusal.empty()) return Variant(refusal);
  }
  static const TableSpec table{
      "SERVICO", {"CDFILIAL", "CDSERVFILI"}, {"NMPRODUTO", "NMGRUPSERV", "NMROTATRANS", "NMSERPADDIE", "CDARVPROD"}};
  return Variant(applyChangeSet(ctx.db, table, delta, nulls));
}

// GetProdExcl(CDFILIAL, CDSERVFILI, processing date): an update. Called after a service was saved
// with fixed / per-capita consumption blocked (IDBLOQCONFIXPER 'S'): removes every consumption
// product of the service (CONSPRODSERV, fixed and per-capita rows alike, whatever their start
// date, as the screen's question announces) and returns "" (also when there was none). Refused,
// with nothing removed: a branch the operator has no access to; a service that does not exist
// ("Serviço X não cadastrado na filial Y."); a service that does not block that consumption
// ("O serviço X não bloqueia o consumo fixo / per capita; ..."), so a stray call cannot wipe the
// consumption of a service that still uses it; a zero date ("Data de processamento não
// informada.").
Variant getProdExcl(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]);
  std::string servico = textOf(args[1]);
  if (args[2].asDateTime().serial == 0) return Variant("Data de processamento não informada.");
  if (std::string refusal = branchRefusal(ctx.db, ctx.operatorName, filial); !refusal.empty()) return Variant(refusal);
  db::Params key{{"CDFILIAL", filial}, {"CDSERVFILI", servico}};
  db::ResultSet rs =
      ctx.db.query("SELECT IDBLOQCONFIXPER FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI", key);
  if (rs.rows.empty()) return Variant("Serviço " + servico + " não cadastrado na filial " + filial + ".");
  if (textOf(rs.rows[0][0]) != "S")
    return Variant("O serviço " + servico +
                   " não bloqueia o consumo fixo / per capita; os produtos de consumo não foram excluídos.");
  ctx.db.exec("DELETE FROM CONSPRODSERV WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI", key);
  return Variant("");
}

}  // namespace

void registerServiceMethods(Registry& r) {
  r.add({kCadastroServ, "getParamGeral", "", {}, false, getParamGeral});
  r.add({kCadastroServ, "GetServico", "ss", {}, false, getServico, 0});
  r.add({kCadastroServ, "UpdServico", "ps", {}, true, updServico});
  r.add({kCadastroServ, "GetProdExcl", "ssd", {}, true, getProdExcl});
}

}  // namespace cad::appserver
