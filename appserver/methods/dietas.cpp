// Methods of the estimated diners per diet: the diets a hospital or outpatient service plans for
// (DIETPADR) and, per diet of a service, the diners expected on each weekday column (DIETSERV),
// split into clients, employees and donations with their total. Each method's comment states what
// the server does.
//
// Invariant of every stored row written here: no quantity is negative or beyond the column's
// range, and the total of a day is the sum of its three categories (null only when all three are
// null), so no diner is lost or invented between the categories and the total.
#include <cmath>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"

namespace cad::appserver {

namespace {

// Weekday column suffixes, Monday to Sunday and then holidays, with the day's name in messages.
struct Dia {
  const char* sufixo;
  const char* nome;
};
constexpr Dia kDias[] = {{"SEG", "segunda-feira"}, {"TER", "terça-feira"}, {"QUA", "quarta-feira"},
                         {"QUI", "quinta-feira"},  {"SEX", "sexta-feira"}, {"SAB", "sábado"},
                         {"DOM", "domingo"},       {"FER", "feriado"}};
// The three categories a day's total adds up, then the total.
constexpr const char* kCategorias[] = {"QTCLIDIET", "QTFUNDIET", "QTDOADIET"};
constexpr const char* kTotal = "QTCOMDIET";
// NUMERIC(15,5): ten integer digits.
constexpr double kMaxQuantidade = 9999999999.99999;
// Tolerance of the total check: the columns keep five decimals.
constexpr double kTolerancia = 0.000005;

const std::vector<FieldDef>& dietServFields() {
  static const std::vector<FieldDef> fields = [] {
    std::vector<FieldDef> f{textField("CDFILIAL", 4), textField("CDSERVFILI", 5), textField("CDDIETPAD", 4)};
    for (const char* prefixo : {kCategorias[0], kCategorias[1], kCategorias[2], kTotal})
      for (const Dia& d : kDias) f.push_back(floatField(std::string(prefixo) + d.sufixo));
    return f;
  }();
  return fields;
}

const std::string& dietServSelect() {
  static const std::string sql = [] {
    std::string s = "SELECT ";
    bool first = true;
    for (const FieldDef& f : dietServFields()) {
      if (!first) s += ", ";
      first = false;
      s += f.name;
    }
    return s + " FROM DIETSERV WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI AND CDDIETPAD = :CDDIETPAD";
  }();
  return sql;
}

// GetDietPad(CDFILIAL, CDSERVFILI): packet (CDDIETPAD 4 "Código", DSDIETPAD 50 "Nome") of the diets
// a service of the branch can have figures for, ordered by code: the active diets of DIETPADR, and
// an inactive one while the service still has figures stored for it (so they stay visible). Only
// hospital and outpatient services (IDTIPOSERV 'D' or 'A') plan per diet: any other service, or
// one the branch does not have, gets an empty packet.
Variant getDietPad(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDDIETPAD", 4), textField("DSDIETPAD", 50)};
  return Variant(
      queryPacket(ctx.db,
                  "SELECT D.CDDIETPAD, D.DSDIETPAD FROM DIETPADR D"
                  " WHERE EXISTS (SELECT 1 FROM SERVICO S WHERE S.CDFILIAL = :CDFILIAL AND S.CDSERVFILI = :CDSERVFILI"
                  " AND S.IDTIPOSERV IN ('D', 'A'))"
                  " AND (D.IDATIVO = 'S' OR EXISTS (SELECT 1 FROM DIETSERV X WHERE X.CDFILIAL = :CDFILIAL"
                  " AND X.CDSERVFILI = :CDSERVFILI AND X.CDDIETPAD = D.CDDIETPAD))"
                  " ORDER BY D.CDDIETPAD",
                  {{"CDFILIAL", textOf(args[0])}, {"CDSERVFILI", textOf(args[1])}}, fields));
}

// GetDietServ(CDFILIAL, CDSERVFILI, CDDIETPAD): packet of the figures of one diet of a service:
// CDFILIAL 4, CDSERVFILI 5, CDDIETPAD 4, then QTCLIDIET*, QTFUNDIET*, QTDOADIET* and QTCOMDIET*
// (floats, Monday to Sunday and holidays each). One row when figures are stored, none otherwise.
Variant getDietServ(CallContext& ctx, VariantArray& args) {
  return Variant(
      queryPacket(ctx.db, dietServSelect(),
                  {{"CDFILIAL", textOf(args[0])}, {"CDSERVFILI", textOf(args[1])}, {"CDDIETPAD", textOf(args[2])}},
                  dietServFields()));
}

// Why the quantities of an inserted or modified row may not be stored, "" when they may.
std::string quantityRefusal(const Packet& delta, size_t r) {
  for (const Dia& d : kDias) {
    double soma = 0;
    bool algum = false;
    for (const char* prefixo : kCategorias) {
      std::string campo = std::string(prefixo) + d.sufixo;
      Variant v = newValue(delta, r, campo);
      if (v.isNull()) continue;
      if (!v.isNumber() || !std::isfinite(v.asFloat())) return "Quantidade de comensais inválida em " + campo + ".";
      if (v.asFloat() < 0)
        return "Quantidade de comensais de " + std::string(d.nome) + " deve ser maior ou igual a zero.";
      if (v.asFloat() > kMaxQuantidade)
        return "Quantidade de comensais de " + std::string(d.nome) + " excede o máximo permitido.";
      soma += v.asFloat();
      algum = true;
    }
    Variant total = newValue(delta, r, std::string(kTotal) + d.sufixo);
    bool confere = algum ? total.isNumber() && std::fabs(total.asFloat() - soma) <= kTolerancia : total.isNull();
    if (!confere)
      return "O total de comensais de " + std::string(d.nome) +
             " deve ser a soma dos comensais do cliente, dos funcionários e das doações.";
    if (soma > kMaxQuantidade) return "Total de comensais de " + std::string(d.nome) + " excede o máximo permitido.";
  }
  return {};
}

// Checks of an inserted or modified row; "" when it may be written.
std::string rowRefusal(db::Database& db, const Packet& delta, size_t r) {
  std::string filial = textOf(newValue(delta, r, "CDFILIAL"));
  std::string servico = textOf(newValue(delta, r, "CDSERVFILI"));
  std::string dieta = textOf(newValue(delta, r, "CDDIETPAD"));
  if (servico.empty()) return "Serviço não informado.";
  if (dieta.empty()) return "Dieta não informada.";
  if (delta.kinds[r] == ChangeKind::Modified) {
    for (const char* chave : {"CDFILIAL", "CDSERVFILI", "CDDIETPAD"})
      if (textOf(newValue(delta, r, chave)) != textOf(oldValue(delta, r, chave)))
        return "A filial, o serviço e a dieta de comensais cadastrados não podem ser alterados.";
  }
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
               {{"CDFILIAL", filial}, {"CDSERVFILI", servico}})
          .rows.empty())
    return "Serviço " + servico + " não cadastrado na filial " + filial + ".";
  if (db.query("SELECT 1 FROM DIETPADR WHERE CDDIETPAD = :CDDIETPAD", {{"CDDIETPAD", dieta}}).rows.empty())
    return "Dieta não cadastrada: " + dieta + ".";
  return quantityRefusal(delta, r);
}

// UpdDietServ(change set of cdsDietServ): writes the change set to DIETSERV by its key CDFILIAL +
// CDSERVFILI + CDDIETPAD in one transaction and returns "" or the refusal text; on any refusal
// nothing of the change set is kept.
//  - The operator must have access (FILIOPER) to the branch of every row, before and after the
//    change ("O operador X não tem acesso à filial Y.").
//  - Inserted and modified rows: service and diet given ("Serviço não informado.", "Dieta não
//    informada."), the service stored in the branch ("Serviço X não cadastrado na filial Y."), the
//    diet stored ("Dieta não cadastrada: X."); a modified row keeps its key. Every quantity is a
//    number from 0 to the column's maximum ("... deve ser maior ou igual a zero.", "... excede o
//    máximo permitido."), and each day's total is the sum of its categories, null only when all
//    three are ("O total de comensais de <dia> deve ser a soma ...").
//  - A modified or deleted row whose stored values no longer match what the client read, or an
//    inserted row whose key is already stored, refuses the whole change set (the change-set
//    applier's texts: "O registro foi alterado por outro usuário. ..." and "O registro já foi
//    incluído por outro usuário. ...").
//  - Deleted rows are removed.
Variant updDietServ(CallContext& ctx, VariantArray& args) {
  const Packet& delta = args[0].asPacket();
  if (!delta.delta) throw Exception("UpdDietServ espera um conjunto de alterações.");
  if (std::string refusal = changeSetBranchRefusal(ctx.db, ctx.operatorName, delta); !refusal.empty())
    return Variant(refusal);
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    if (delta.kinds[r] == ChangeKind::Deleted) continue;
    if (std::string refusal = rowRefusal(ctx.db, delta, r); !refusal.empty()) return Variant(refusal);
  }
  static const TableSpec table{"DIETSERV", {"CDFILIAL", "CDSERVFILI", "CDDIETPAD"}, {}};
  return Variant(applyChangeSet(ctx.db, table, delta));
}

}  // namespace

void registerDietMethods(Registry& r) {
  r.add({kCadastroServ, "GetDietPad", "ss", {}, false, getDietPad, 0});
  r.add({kCadastroServ, "GetDietServ", "sss", {}, false, getDietServ, 0});
  r.add({kCadastroServ, "UpdDietServ", "p", {}, true, updDietServ});
}

}  // namespace cad::appserver
