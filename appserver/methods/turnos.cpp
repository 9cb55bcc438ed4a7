// Methods of the shifts of a corporate service (table TURNOSERV): the shift list, its save, and
// the shifts loaded together with the service's clients and delivery points. Each method's
// comment states what the server does. Invariants: a service has at most 4 shifts, coded '1' to
// '4' (the codes and the table's key make a fifth impossible); a shift's diners per day are never
// negative; a refused save writes nothing (the dispatcher rolls back on any refusal text).
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/methods/pontentr.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::appserver {

namespace {

// The day columns of a shift, Monday to Sunday, then holiday.
constexpr const char* kDiasTurno[] = {"QTCOMESTTSEG", "QTCOMESTTTER", "QTCOMESTTQUA", "QTCOMESTTQUI",
                                      "QTCOMESTTSEX", "QTCOMESTTSAB", "QTCOMESTTDOM", "QTCOMESTTFER"};

// Largest quantity the NUMERIC(15,5) columns hold; anything above is refused with a text instead
// of failing in the database.
constexpr double kMaxQuantidade = 9999999999.0;

const std::vector<FieldDef>& turnoFields() {
  static const std::vector<FieldDef> fields = [] {
    std::vector<FieldDef> f{textField("CDFILIAL", 4), textField("CDSERVFILI", 5), textField("CDTURNO", 1),
                            textField("NMTURNO", 10)};
    for (const char* dia : kDiasTurno) f.push_back(floatField(dia));
    return f;
  }();
  return fields;
}

// The shifts packet of one service, ordered by code (no row for an unknown or empty service).
PacketPtr turnosPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  std::string sql = "SELECT CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO";
  for (const char* dia : kDiasTurno) sql += std::string(", ") + dia;
  sql += " FROM TURNOSERV WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI ORDER BY CDTURNO";
  return queryPacket(db, sql, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, turnoFields());
}

// GetTurno(CDFILIAL, CDSERVFILI): packet (CDFILIAL 4, CDSERVFILI 5, CDTURNO 1, NMTURNO 10,
// QTCOMESTTSEG ... QTCOMESTTFER floats, Monday to Sunday then holiday) of the service's shifts,
// ordered by CDTURNO, loaded as it is into cdsTurno. A service without shifts, unknown or not
// given (blanks trimmed) gives no row.
Variant getTurno(CallContext& ctx, VariantArray& args) {
  return Variant(turnosPacket(ctx.db, textOf(args[0]), textOf(args[1])));
}

// A text value as sent (null as ""); keys are matched exactly as the table stores them.
std::string rawText(const Variant& v) { return v.isNull() ? std::string() : v.asString(); }

// Why shifts may not be written for a service, "" when it may: it must exist and be corporate.
// `tipos` caches each service's type (nullopt: not stored) across the rows of one change set.
using ServiceTypes = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;
std::string corporateServiceRefusal(db::Database& db, const std::string& filial, const std::string& servico,
                                    ServiceTypes& tipos) {
  auto key = std::make_pair(filial, servico);
  auto it = tipos.find(key);
  if (it == tipos.end()) {
    db::ResultSet rs =
        db.query("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
                 {{"CDFILIAL", filial}, {"CDSERVFILI", servico}});
    std::optional<std::string> tipo;
    if (!rs.rows.empty()) tipo = textOf(rs.rows[0][0]);
    it = tipos.emplace(key, tipo).first;
  }
  if (!it->second) return "Serviço " + servico + " não cadastrado na filial " + filial + ".";
  if (*it->second != "N")
    return "O serviço " + servico + " da filial " + filial + " não é corporativo; só serviços corporativos têm turnos.";
  return {};
}

// Checks of an inserted or modified shift row; "" when it may be written.
std::string turnoRefusal(db::Database& db, const Packet& delta, size_t r, ServiceTypes& tipos) {
  if (delta.kinds[r] == ChangeKind::Modified) {
    for (const char* key : {"CDFILIAL", "CDSERVFILI", "CDTURNO"})
      if (rawText(newValue(delta, r, key)) != rawText(oldValue(delta, r, key)))
        return "A filial, o serviço e o código de um turno cadastrado não podem ser alterados.";
  }
  Variant turno = newValue(delta, r, "CDTURNO");
  std::string codigo = rawText(turno);
  if (!turno.isString() || (codigo != "1" && codigo != "2" && codigo != "3" && codigo != "4"))
    return "Código de turno inválido: '" + codigo + "' (1 a 4).";
  if (textOf(newValue(delta, r, "NMTURNO")).empty()) return "Nome deve ser informado.";
  for (const char* dia : kDiasTurno) {
    if (delta.fieldIndex(dia) < 0) continue;
    Variant v = newValue(delta, r, dia);
    if (v.isNull()) continue;
    if (!v.isNumber() || !std::isfinite(v.asFloat()) || v.asFloat() > kMaxQuantidade)
      return "Quantidade de comensais inválida no turno " + codigo + " (" + dia + ").";
    if (v.asFloat() < 0) return "Quantidade comensais do turno deve ser maior ou igual a zero.";
  }
  return corporateServiceRefusal(db, rawText(newValue(delta, r, "CDFILIAL")), rawText(newValue(delta, r, "CDSERVFILI")),
                                 tipos);
}

// UpdTurno(change set of cdsTurno, processing date): an update. Writes the change set to
// TURNOSERV by its key CDFILIAL + CDSERVFILI + CDTURNO in one transaction and returns "" or the
// refusal text; on any refusal nothing of the change set is kept.
//  - The processing date must be given ("Data de processamento não informada."); shifts carry no
//    date, so it is checked and otherwise not used.
//  - The operator must have access (FILIOPER) to the branch of every row, before and after the
//    change ("O operador X não tem acesso à filial Y.").
//  - Inserted and modified rows: CDTURNO '1' to '4' ("Código de turno inválido: 'X' (1 a 4).");
//    NMTURNO not empty once trimmed ("Nome deve ser informado.") and stored trimmed; each day
//    quantity null or a number from 0 ("Quantidade comensais do turno deve ser maior ou igual a
//    zero.", other values "Quantidade de comensais inválida no turno X (COLUNA)."); the service
//    must exist ("Serviço X não cadastrado na filial Y.") and be corporate, type 'N'. Modified rows
//    may not change the key ("A filial, o serviço e o código de um turno cadastrado não podem ser
//    alterados.").
//  - An inserted code already stored ("O registro já foi incluído por outro usuário. ...") and a
//    modified or deleted row no longer stored as the client read it ("O registro foi alterado por
//    outro usuário. ...") refuse the change set, as does a text longer than its column ("O valor de
//    NMTURNO excede 10 caracteres."). With codes '1' to '4' and that key, a service never gets a
//    fifth shift.
//  - Deleted rows need no service check, so the shifts of a service whose type changed can still
//    be removed.
// The screen saves every shift as soon as it is posted, so a service passes through exactly one
// shift while its second is being entered; the "none, or 2 to 4" rule belongs to the screen.
Variant updTurno(CallContext& ctx, VariantArray& args) {
  const Packet& sent = args[0].asPacket();
  if (!sent.delta) throw Exception("UpdTurno espera um conjunto de alterações.");
  if (args[1].asDateTime().serial == 0) return Variant("Data de processamento não informada.");
  if (std::string refusal = changeSetBranchRefusal(ctx.db, ctx.operatorName, sent); !refusal.empty())
    return Variant(refusal);
  Packet delta = sent;  // names are stored trimmed
  int nome = delta.fieldIndex("NMTURNO");
  ServiceTypes tipos;
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    if (delta.kinds[r] == ChangeKind::Deleted) continue;
    if (std::string refusal = turnoRefusal(ctx.db, delta, r, tipos); !refusal.empty()) return Variant(refusal);
    Variant& v = delta.rows[r].at(static_cast<size_t>(nome));
    v = Variant(textOf(v));
  }
  static const TableSpec table{"TURNOSERV", {"CDFILIAL", "CDSERVFILI", "CDTURNO"}, {}};
  return Variant(applyChangeSet(ctx.db, table, delta));
}

// GetTurnoPontEntr(CDFILIAL, CDSERVFILI): the service's clients, delivery points and shifts in one
// read, for the estimated-diners confirm that spreads new totals onto the shifts: the array
// [[clients packet, delivery-points packet], shifts packet] (the packets of pontentr.h and of
// GetTurno).
// The text "Serviço não informado." for an empty code, "Serviço X não cadastrado na filial Y." for
// a service that does not exist (blanks trimmed), instead of empty lists that would look like a
// service without shifts.
Variant getTurnoPontEntr(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]);
  if (std::string recusa = serviceRefusal(ctx.db, filial, servico); !recusa.empty()) return Variant(recusa);
  VariantArray destinos{Variant(clientesPacket(ctx.db, filial, servico)),
                        Variant(pontosEntregaPacket(ctx.db, filial, servico))};
  return Variant(VariantArray{Variant(std::move(destinos)), Variant(turnosPacket(ctx.db, filial, servico))});
}

}  // namespace

void registerShiftMethods(Registry& r) {
  r.add({kCadastroServ, "GetTurno", "ss", {}, false, getTurno, 0});
  r.add({kCadastroServ, "UpdTurno", "pd", {}, true, updTurno});
  r.add({kCadastroServ, "GetTurnoPontEntr", "ss", {}, false, getTurnoPontEntr, 0});
}

}  // namespace cad::appserver
