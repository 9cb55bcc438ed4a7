// Methods of billing by equivalence: the billing services (type 'F') under which a service of the
// same branch is billed (table SERVFATU), and the effective billing entries (EFETSERVFAT) that
// keep an equivalence from being removed. Every result is checkable ([true, payload] or [false,
// text]); each method's comment states what the server does.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// Date of the last effective entries of a billing service for a planning service, if any.
std::optional<DateTime> lastEffective(db::Database& db, const std::string& filial, const std::string& faturam,
                                      const std::string& servico) {
  db::ResultSet rs = db.query(
      "SELECT DTEFETIVO FROM EFETSERVFAT WHERE CDFILIAL = :CDFILIAL AND CDSERVICFATURAM = :CDSERVICFATURAM"
      " AND CDSERVFILI = :CDSERVFILI ORDER BY DTEFETIVO DESC LIMIT 1",
      {{"CDFILIAL", filial}, {"CDSERVICFATURAM", faturam}, {"CDSERVFILI", servico}});
  if (rs.rows.empty()) return std::nullopt;
  return rs.rows[0][0].asDateTime();
}

// GetServFatu(CDFILIAL, CDSERVFILI): [true, packet (CDFILIAL 4, CDSERVFILI 5, CDSERVICFATURAM 5,
// NMSERVICO 50)] of the billing services under which the service is billed, NMSERVICO being the
// billing service's name, ordered by CDSERVICFATURAM. A service not stored yet (empty codes
// included) has no row.
Variant getServFatu(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDFILIAL", 4), textField("CDSERVFILI", 5),
                                            textField("CDSERVICFATURAM", 5), textField("NMSERVICO", 50)};
  return checkOk(
      Variant(queryPacket(ctx.db,
                          "SELECT F.CDFILIAL, F.CDSERVFILI, F.CDSERVICFATURAM, S.NMSERVICO FROM SERVFATU F"
                          " LEFT JOIN SERVICO S ON S.CDFILIAL = F.CDFILIAL AND S.CDSERVFILI = F.CDSERVICFATURAM"
                          " WHERE F.CDFILIAL = :CDFILIAL AND F.CDSERVFILI = :CDSERVFILI ORDER BY F.CDSERVICFATURAM",
                          {{"CDFILIAL", textOf(args[0])}, {"CDSERVFILI", textOf(args[1])}}, fields)));
}

// GetPesqServFatu(CDFILIAL): [true, packet (CDFILIAL 4, CDSERVFILI 8, NMSERVICO 50)] of the
// services that may be chosen as billing services in the branch: its services of type 'F'
// (billing only), whether enabled for forecasts or not, ordered by code.
Variant getPesqServFatu(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDFILIAL", 4), textField("CDSERVFILI", 8),
                                            textField("NMSERVICO", 50)};
  return checkOk(Variant(queryPacket(ctx.db,
                                     "SELECT CDFILIAL, CDSERVFILI, NMSERVICO FROM SERVICO"
                                     " WHERE CDFILIAL = :CDFILIAL AND IDTIPOSERV = 'F' ORDER BY CDSERVFILI",
                                     {{"CDFILIAL", textOf(args[0])}}, fields)));
}

std::string effectiveEntriesText(db::Database& db, const std::string& filial, const std::string& faturam,
                                 const std::string& servico, DateTime last) {
  auto named = [&](const std::string& code) {
    db::ResultSet rs = db.query("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
                                {{"CDFILIAL", filial}, {"CDSERVFILI", code}});
    return rs.rows.empty() ? code : code + " " + textOf(rs.rows[0][0]);
  };
  return "Operação bloqueada. Já existem efetivos lançados para o serviço de faturamento " + named(faturam) +
         " vinculado ao serviço de planejamento " + named(servico) + ". Últimos efetivos lançados em " +
         dateText(last) + ".";
}

// Why an inserted equivalence may not be stored, "" when it may. `stored` tells whether the key is
// stored at that point of the change set.
std::string insertRefusal(db::Database& db, const std::string& filial, const std::string& servico,
                          const std::string& faturam, bool stored) {
  if (servico.empty()) return "Serviço não informado.";
  if (faturam.empty()) return "Serviço de faturamento não informado.";
  if (faturam == servico) return "Um serviço não pode ser serviço de faturamento de si mesmo.";
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
               {{"CDFILIAL", filial}, {"CDSERVFILI", servico}})
          .rows.empty())
    return "Serviço " + servico + " não cadastrado na filial " + filial + ".";
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI AND IDTIPOSERV = 'F'",
               {{"CDFILIAL", filial}, {"CDSERVFILI", faturam}})
          .rows.empty())
    return "O serviço " + faturam + " não é um serviço de faturamento da filial " + filial + ".";
  if (stored) return "Serviço de faturamento " + faturam + " já cadastrado para o serviço " + servico + ".";
  return {};
}

// SerServFatu(change set of cdsServFatu): an update, checkable. Applies the inserted and deleted
// equivalences to SERVFATU (key CDFILIAL, CDSERVFILI, CDSERVICFATURAM; NMSERVICO is display only)
// in one transaction, codes trimmed. [true, ""] when applied; otherwise [false, text] and nothing is written:
//  - a branch the operator has no access to ("O operador X não tem acesso à filial Y.");
//  - a modified row ("Uma equivalência não pode ser alterada: exclua-a e inclua outra.");
//  - an inserted row without service or billing service, for a service missing from the branch,
//    pointing at the service itself, at a service that is not of type 'F' in the same branch
//    ("O serviço X não é um serviço de faturamento da filial Y."), or already stored — also by
//    an earlier row of the same change set ("Serviço de faturamento X já cadastrado para o serviço
//    Y.");
//  - a deleted row whose billing service already has effective entries for that service (the
//    screen's own "ExisteEfetServFat" text, filled in);
//  - a deleted row no longer stored as the client read it (the stale-row text of the change-set
//    applier).
Variant serServFatu(CallContext& ctx, VariantArray& args) {
  if (!args[0].asPacket().delta) throw Exception("SerServFatu espera um conjunto de alterações.");
  PacketPtr trimmed = withTrimmedCodes(args[0].asPacket(), {"CDFILIAL", "CDSERVFILI", "CDSERVICFATURAM"});
  const Packet& delta = *trimmed;
  if (std::string refusal = changeSetBranchRefusal(ctx.db, ctx.operatorName, delta); !refusal.empty())
    return checkFail(refusal);
  std::set<std::string> removed, added;  // keys deleted / inserted by earlier rows
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    bool deleted = delta.kinds[r] == ChangeKind::Deleted;
    if (delta.kinds[r] == ChangeKind::Modified)
      return checkFail("Uma equivalência não pode ser alterada: exclua-a e inclua outra.");
    auto value = [&](const char* field) {
      return textOf(deleted ? oldValue(delta, r, field) : newValue(delta, r, field));
    };
    std::string filial = value("CDFILIAL"), servico = value("CDSERVFILI"), faturam = value("CDSERVICFATURAM");
    std::string key = filial + "|" + servico + "|" + faturam;
    if (deleted) {
      if (auto last = lastEffective(ctx.db, filial, faturam, servico))
        return checkFail(effectiveEntriesText(ctx.db, filial, faturam, servico, *last));
      removed.insert(key);
      added.erase(key);
      continue;
    }
    bool inDb = !ctx.db
                     .query(
                         "SELECT 1 FROM SERVFATU WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
                         " AND CDSERVICFATURAM = :CDSERVICFATURAM",
                         {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"CDSERVICFATURAM", faturam}})
                     .rows.empty();
    bool stored = added.count(key) > 0 || (inDb && removed.count(key) == 0);
    if (std::string refusal = insertRefusal(ctx.db, filial, servico, faturam, stored); !refusal.empty())
      return checkFail(refusal);
    added.insert(key);
    removed.erase(key);
  }
  static const TableSpec table{"SERVFATU", {"CDFILIAL", "CDSERVFILI", "CDSERVICFATURAM"}, {}};
  std::string refusal = applyChangeSet(ctx.db, table, delta);
  return refusal.empty() ? checkOk(Variant("")) : checkFail(refusal);
}

// verificaEfetServFat(CDFILIAL, CDSERVICFATURAM, CDSERVFILI): [true, [exists, last]]: exists is
// true when effective billing entries (EFETSERVFAT) of that billing service were made for that
// planning service, last the date of the latest ones as "dd/mm/yyyy" ("" when none). [false,
// "Serviço de faturamento não informado."] (or "Serviço não informado.") for an empty code.
Variant verificaEfetServFat(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), faturam = textOf(args[1]), servico = textOf(args[2]);
  if (faturam.empty()) return checkFail("Serviço de faturamento não informado.");
  if (servico.empty()) return checkFail("Serviço não informado.");
  std::optional<DateTime> last = lastEffective(ctx.db, filial, faturam, servico);
  return checkOk(VariantArray{last.has_value(), last ? dateText(*last) : std::string()});
}

}  // namespace

void registerBillingMethods(Registry& r) {
  r.add({kCadastroServ, "GetServFatu", "ss", {}, false, getServFatu, 0, true});
  r.add({kCadastroServ, "GetPesqServFatu", "s", {}, false, getPesqServFatu, 0, true});
  r.add({kCadastroServ, "SerServFatu", "p", {}, true, serServFatu});
  r.add({kCadastroServ, "verificaEfetServFat", "sss", {}, false, verificaEfetServFat, 0, true});
}

}  // namespace cad::appserver
