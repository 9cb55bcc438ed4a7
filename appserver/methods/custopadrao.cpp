// Methods of the standard cost of a service: its cost per reference month (CUSTPADR) and each
// month's split over dish types (CUSTPADRTP). Each method's comment states what the server does.
//
// Invariants of every write here: a month is the first day of a month; a month cost is greater
// than zero and a dish-type cost is zero or more, both within NUMERIC(15,5); a dish-type row
// belongs to a stored month of a stored service; a deleted month takes its dish-type costs with
// it; only an operator of the authorised group ('ACPS', as GetAutGrupACPS reports it) with access
// to the branch writes; a month with a planned menu is never deleted. A refused change set writes
// nothing (the dispatcher rolls back on any refusal).
#include <cmath>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/custopadrao.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// NUMERIC(15,5): ten integer digits.
constexpr double kMaxValor = 9999999999.99999;

FieldDef dateField(std::string name) { return FieldDef{std::move(name), FieldType::DateTime, 0, false, false}; }

const std::vector<FieldDef>& mesFields() {
  static const std::vector<FieldDef> f{textField("CDFILIAL", 4), textField("CDSERVFILI", 5), dateField("DTREFCUSPADR"),
                                       floatField("VRCUSTPADR")};
  return f;
}

const std::vector<FieldDef>& tipoFields() {
  static const std::vector<FieldDef> f{textField("CDSERVFILI", 5), textField("CDFILIAL", 4),
                                       textField("CDTIPOPRAT", 2), textField("NMTIPOPRAT", 15),
                                       floatField("VRCUSTPADRTP"), dateField("DTREFCUSPADR")};
  return f;
}

PacketPtr mesesPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  return queryPacket(db,
                     "SELECT CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR FROM CUSTPADR"
                     " WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI ORDER BY DTREFCUSPADR",
                     {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, mesFields());
}

PacketPtr tiposPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  return queryPacket(db,
                     "SELECT C.CDSERVFILI, C.CDFILIAL, C.CDTIPOPRAT, T.NMTIPOPRAT, C.VRCUSTPADRTP, C.DTREFCUSPADR"
                     " FROM CUSTPADRTP C JOIN TIPOPRAT T ON T.CDTIPOPRAT = C.CDTIPOPRAT"
                     " WHERE C.CDFILIAL = :CDFILIAL AND C.CDSERVFILI = :CDSERVFILI"
                     " ORDER BY C.DTREFCUSPADR, C.CDTIPOPRAT",
                     {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, tipoFields());
}

// GetCustoPadrao(CDFILIAL, CDSERVFILI): the whole standard cost of a service in one read, as the
// array [months packet (CDFILIAL 4, CDSERVFILI 5, DTREFCUSPADR date, VRCUSTPADR float) ordered by
// month, dish-type packet (CDSERVFILI 5, CDFILIAL 4, CDTIPOPRAT 2, NMTIPOPRAT 15, VRCUSTPADRTP
// float, DTREFCUSPADR date) of every month, ordered by month and dish type]. A text instead:
// "Serviço não informado." for an empty code, "Serviço X não cadastrado na filial Y." for a
// service the branch does not have.
Variant getCustoPadrao(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]);
  if (std::string recusa = serviceRefusal(ctx.db, filial, servico); !recusa.empty()) return Variant(recusa);
  return Variant(
      VariantArray{Variant(mesesPacket(ctx.db, filial, servico)), Variant(tiposPacket(ctx.db, filial, servico))});
}

// GetCustPadr(CDFILIAL, CDSERVFILI): the months packet of GetCustoPadrao alone (no row for an
// unknown or empty service).
Variant getCustPadr(CallContext& ctx, VariantArray& args) {
  return Variant(mesesPacket(ctx.db, textOf(args[0]), textOf(args[1])));
}

// GetCustPadrTp(CDFILIAL, CDSERVFILI): the dish-type packet of GetCustoPadrao alone.
Variant getCustPadrTp(CallContext& ctx, VariantArray& args) {
  return Variant(tiposPacket(ctx.db, textOf(args[0]), textOf(args[1])));
}

// GetCustPadrAux(CDFILIAL, CDSERVFILI): packet of one row with one field, DTREFCUSPADR (date), the
// latest month stored for the service; null when it has none.
Variant getCustPadrAux(CallContext& ctx, VariantArray& args) {
  return Variant(queryPacket(
      ctx.db,
      "SELECT MAX(DTREFCUSPADR) AS DTREFCUSPADR FROM CUSTPADR WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
      {{"CDFILIAL", textOf(args[0])}, {"CDSERVFILI", textOf(args[1])}}, {dateField("DTREFCUSPADR")}));
}

// GetCardadia(CDFILIAL, CDSERVFILI, month): "EXISTE_CARD" when menus are planned (CARDADIA) for the
// service on any day of the month of the date given, "" when none is.
Variant getCardadia(CallContext& ctx, VariantArray& args) {
  DateTime mes = args[2].asDateTime();
  if (mes.serial == 0) return Variant("Mês não informado.");
  return Variant(existeCardapio(ctx.db, textOf(args[0]), textOf(args[1]), primeiroDia(mes)) ? "EXISTE_CARD" : "");
}

// The checks every cost change set passes first: a change set, an authorised operator, access to
// every branch it touches.
std::string changeSetRefusal(CallContext& ctx, const Packet& delta, const char* metodo) {
  if (!delta.delta) throw Exception(std::string(metodo) + " espera um conjunto de alterações.");
  if (std::string r = autorizacaoRefusal(ctx.db, ctx.operatorName); !r.empty()) return r;
  return changeSetBranchRefusal(ctx.db, ctx.operatorName, delta);
}

// A key text as sent (null as ""), blanks trimmed.
std::string chave(const Packet& delta, size_t r, const char* campo, bool original = false) {
  return textOf(original ? oldValue(delta, r, campo) : newValue(delta, r, campo));
}

// Why the month or value of an inserted or modified month row may not be stored, "" when it may.
std::string mesRefusal(db::Database& db, const Packet& delta, size_t r) {
  if (delta.kinds[r] == ChangeKind::Modified) {
    for (const char* k : {"CDFILIAL", "CDSERVFILI"})
      if (chave(delta, r, k) != chave(delta, r, k, true))
        return "A filial, o serviço e o mês de um custo padrão cadastrado não podem ser alterados.";
    Variant antes = oldValue(delta, r, "DTREFCUSPADR"), depois = newValue(delta, r, "DTREFCUSPADR");
    if (!antes.isDateTime() || !depois.isDateTime() || antes.asDateTime().serial != depois.asDateTime().serial)
      return "A filial, o serviço e o mês de um custo padrão cadastrado não podem ser alterados.";
  }
  std::string filial = chave(delta, r, "CDFILIAL"), servico = chave(delta, r, "CDSERVFILI");
  if (servico.empty()) return "Serviço não informado.";
  if (std::string refusal = custoMesRefusal(newValue(delta, r, "DTREFCUSPADR"), newValue(delta, r, "VRCUSTPADR"));
      !refusal.empty())
    return refusal;
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
               {{"CDFILIAL", filial}, {"CDSERVFILI", servico}})
          .rows.empty())
    return "Serviço " + servico + " não cadastrado na filial " + filial + ".";
  return {};
}

// UpdCustPadr(change set of cdsCustPadr): an update. Writes the months to CUSTPADR by their key
// CDFILIAL + CDSERVFILI + DTREFCUSPADR in one transaction and returns "" or the refusal text; on
// any refusal nothing of the change set is kept.
//  - The operator must belong to the authorised group ("O operador X não pertence ao grupo
//    autorizado a manter custos padrão.") and have access (FILIOPER) to the branch of every row
//    ("O operador X não tem acesso à filial Y.").
//  - Inserted and modified rows: the service stored in the branch; the month given and the first
//    day of a month ("Mês deve ser informado.", "O mês de referência deve ser o primeiro dia do
//    mês."); the value given, a number greater than 0 within the column ("Valor deve ser
//    informado.", "Valor informado deve ser maior que zero.", "Valor de custo padrão inválido.").
//    A modified row keeps its key.
//  - Deleted rows: refused while menus are planned for the service in that month ("Operação
//    bloqueada! Existe cardápio cadastrado para o mês."); otherwise the month's dish-type costs
//    are removed with it.
//  - The change-set applier's texts for a row stored by another user or changed since read.
Variant updCustPadr(CallContext& ctx, VariantArray& args) { return Variant(gravaMesesCusto(ctx, args[0].asPacket())); }

// Why an inserted or modified dish-type row may not be stored, "" when it may.
std::string tipoRefusal(db::Database& db, const Packet& delta, size_t r) {
  if (delta.kinds[r] == ChangeKind::Modified) {
    for (const char* k : {"CDFILIAL", "CDSERVFILI", "CDTIPOPRAT"})
      if (chave(delta, r, k) != chave(delta, r, k, true))
        return "O mês e o tipo de prato de um custo cadastrado não podem ser alterados.";
    Variant antes = oldValue(delta, r, "DTREFCUSPADR"), depois = newValue(delta, r, "DTREFCUSPADR");
    if (!antes.isDateTime() || !depois.isDateTime() || antes.asDateTime().serial != depois.asDateTime().serial)
      return "O mês e o tipo de prato de um custo cadastrado não podem ser alterados.";
  }
  std::string tipo = chave(delta, r, "CDTIPOPRAT");
  if (tipo.empty()) return "Tipo de prato deve ser informado.";
  if (db.query("SELECT 1 FROM TIPOPRAT WHERE CDTIPOPRAT = :CDTIPOPRAT", {{"CDTIPOPRAT", tipo}}).rows.empty())
    return "Tipo de prato não cadastrado.";
  Variant valor = newValue(delta, r, "VRCUSTPADRTP");
  if (valor.isNull()) return "Valor do custo do tipo de prato deve ser informado.";
  if (!valor.isNumber() || !std::isfinite(valor.asFloat()) || valor.asFloat() > kMaxValor)
    return "Valor de custo do tipo de prato inválido.";
  if (valor.asFloat() < 0) return "Valor do custo do tipo de prato deve ser maior ou igual a zero.";
  Variant mes = newValue(delta, r, "DTREFCUSPADR");
  if (!mes.isDateTime() ||
      db.query("SELECT 1 FROM CUSTPADR WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI AND DTREFCUSPADR = :MES",
               {{"CDFILIAL", chave(delta, r, "CDFILIAL")}, {"CDSERVFILI", chave(delta, r, "CDSERVFILI")}, {"MES", mes}})
          .rows.empty())
    return "Mês do custo padrão não cadastrado para o serviço.";
  return {};
}

// UpdCustPadrTp(change set of cdsCustPadrTp): an update, checkable: [true, ""] when the change set
// is written to CUSTPADRTP (key CDFILIAL + CDSERVFILI + DTREFCUSPADR + CDTIPOPRAT) in one
// transaction, [false, text] when refused, nothing of it kept.
//  - The operator checks of UpdCustPadr.
//  - Inserted and modified rows: a stored dish type ("Tipo de prato deve ser informado.", "Tipo de
//    prato não cadastrado."); a value of 0 or more within the column ("Valor do custo do tipo de
//    prato deve ser informado.", "... deve ser maior ou igual a zero.", "Valor de custo do tipo de
//    prato inválido."); a stored month of the service ("Mês do custo padrão não cadastrado para o
//    serviço."). A modified row keeps its key. NMTIPOPRAT, joined in for display, is not written.
//  - The change-set applier's texts for a row stored by another user or changed since read.
Variant updCustPadrTp(CallContext& ctx, VariantArray& args) {
  const Packet& sent = args[0].asPacket();
  if (std::string r = changeSetRefusal(ctx, sent, "UpdCustPadrTp"); !r.empty()) return checkFail(r);
  PacketPtr delta = withTrimmedCodes(sent, {"CDFILIAL", "CDSERVFILI", "CDTIPOPRAT"});
  for (size_t r = 0; r < delta->rows.size(); ++r) {
    if (delta->kinds[r] == ChangeKind::Deleted) continue;
    if (std::string refusal = tipoRefusal(ctx.db, *delta, r); !refusal.empty()) return checkFail(refusal);
  }
  static const TableSpec table{"CUSTPADRTP", {"CDFILIAL", "CDSERVFILI", "DTREFCUSPADR", "CDTIPOPRAT"}, {}};
  std::string refusal = applyChangeSet(ctx.db, table, *delta);
  return refusal.empty() ? checkOk(Variant("")) : checkFail(refusal);
}

// UpdCustPadrComTp(change set of cdsCustPadr, change set of cdsCustPadrTp): an update, checkable:
// the months as UpdCustPadr writes them and then their dish-type costs as UpdCustPadrTp does, in
// one transaction: [true, ""], or [false, text] of the first refusal with nothing of either kept.
// A change of a month's cost that scales its dish-type costs goes through here, so the month never
// stays changed without them (the dish types would no longer add up to it).
Variant updCustPadrComTp(CallContext& ctx, VariantArray& args) {
  VariantArray tipos{args[1]};
  if (std::string r = gravaMesesCusto(ctx, args[0].asPacket()); !r.empty()) return checkFail(r);
  return updCustPadrTp(ctx, tipos);
}

}  // namespace

// ---------------------------------------------------------------- rules shared with custoauto.cpp

// The first day of the month of `d`.
DateTime primeiroDia(DateTime d) {
  int y, m, dd;
  d.decode(y, m, dd);
  return DateTime::fromDate(y, m, 1);
}

// The first day of the month after `d`.
DateTime proximoMes(DateTime d) {
  int y, m, dd;
  d.decode(y, m, dd);
  return m == 12 ? DateTime::fromDate(y + 1, 1, 1) : DateTime::fromDate(y, m + 1, 1);
}

// Whether menus are planned for the service in the month that starts at `mes`.
bool existeCardapio(db::Database& db, const std::string& filial, const std::string& servico, DateTime mes) {
  return !db.query(
                "SELECT 1 FROM CARDADIA WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
                " AND DTCARDADIA >= :INICIO AND DTCARDADIA < :FIM LIMIT 1",
                {{"CDFILIAL", filial},
                 {"CDSERVFILI", servico},
                 {"INICIO", Variant(mes)},
                 {"FIM", Variant(proximoMes(mes))}})
              .rows.empty();
}

// "" when the operator may maintain standard costs: nobody holds the authorization 'ACPS', or the
// operator belongs to its first holder (lowest NRAUTGRUPOP), the group the screen compares.
std::string autorizacaoRefusal(db::Database& db, const std::string& operador) {
  db::ResultSet grupo =
      db.query("SELECT CDGRUPOPER FROM AUTGRUPOPER WHERE IDAUTGRUPOP = 'ACPS' ORDER BY NRAUTGRUPOP LIMIT 1");
  if (grupo.rows.empty()) return {};
  if (!db.query("SELECT 1 FROM OPERGRUP WHERE UPPER(CDGRUPOPER) = UPPER(:CDGRUPOPER) AND CDOPERADOR = :CDOPERADOR",
                {{"CDGRUPOPER", grupo.rows[0][0]}, {"CDOPERADOR", operador}})
           .rows.empty())
    return {};
  return "O operador " + operador + " não pertence ao grupo autorizado a manter custos padrão.";
}

std::string gravaMesesCusto(CallContext& ctx, const Packet& sent) {
  if (std::string r = changeSetRefusal(ctx, sent, "UpdCustPadr"); !r.empty()) return r;
  PacketPtr delta = withTrimmedCodes(sent, {"CDFILIAL", "CDSERVFILI"});
  for (size_t r = 0; r < delta->rows.size(); ++r) {
    if (delta->kinds[r] != ChangeKind::Deleted) {
      if (std::string refusal = mesRefusal(ctx.db, *delta, r); !refusal.empty()) return refusal;
      continue;
    }
    std::string filial = chave(*delta, r, "CDFILIAL", true), servico = chave(*delta, r, "CDSERVFILI", true);
    Variant mes = oldValue(*delta, r, "DTREFCUSPADR");
    if (!mes.isDateTime()) return "Mês deve ser informado.";
    if (existeCardapio(ctx.db, filial, servico, primeiroDia(mes.asDateTime())))
      return "Operação bloqueada! Existe cardápio cadastrado para o mês.";
    ctx.db.exec(
        "DELETE FROM CUSTPADRTP WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI AND DTREFCUSPADR = :MES",
        {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"MES", mes}});
  }
  static const TableSpec table{"CUSTPADR", {"CDFILIAL", "CDSERVFILI", "DTREFCUSPADR"}, {}};
  return applyChangeSet(ctx.db, table, *delta);
}

std::string custoMesRefusal(const Variant& mes, const Variant& valor) {
  if (!mes.isDateTime() || mes.asDateTime().serial == 0) return "Mês deve ser informado.";
  if (mes.asDateTime().serial != primeiroDia(mes.asDateTime()).serial)
    return "O mês de referência deve ser o primeiro dia do mês.";
  if (valor.isNull()) return "Valor deve ser informado.";
  if (!valor.isNumber() || !std::isfinite(valor.asFloat()) || valor.asFloat() > kMaxValor)
    return "Valor de custo padrão inválido.";
  if (valor.asFloat() <= 0) return "Valor informado deve ser maior que zero.";
  return {};
}

void registerStandardCostMethods(Registry& r) {
  r.add({kCadastroServ, "GetCustoPadrao", "ss", {0}, false, getCustoPadrao, 0});
  r.add({kCadastroServ, "GetCustPadr", "ss", {}, false, getCustPadr, 0});
  r.add({kCadastroServ, "GetCustPadrTp", "ss", {}, false, getCustPadrTp, 0});
  r.add({kCadastroServ, "GetCustPadrAux", "ss", {}, false, getCustPadrAux, 0});
  r.add({kCadastroServ, "GetCardadia", "ssd", {}, false, getCardadia, 0});
  r.add({kCadastroServ, "UpdCustPadr", "p", {}, true, updCustPadr});
  r.add({kCadastroServ, "UpdCustPadrTp", "p", {}, true, updCustPadrTp, -1, true});
  r.add({kCadastroServ, "UpdCustPadrComTp", "pp", {}, true, updCustPadrComTp, -1, true});
}

}  // namespace cad::appserver
