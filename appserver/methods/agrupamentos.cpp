// Methods of the branch groups (GRUPFILI, FILIGRUP), read by the side screens that select
// branches and services across a group. Every result is checkable ([true, payload] / [false, text]).
#include <memory>
#include <set>
#include <string>
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
  return checkOk(
      Variant(queryPacket(ctx.db, "SELECT CDGRUPFILI, NMGRUPFILI FROM GRUPFILI ORDER BY CDGRUPFILI", {}, fields)));
}

}  // namespace

void registerBranchGroupMethods(Registry& r) {
  r.add({kCadastroServ, "GetAgrupFili", "", {}, false, getAgrupFili, -1, true});
}

// ---- Branches and services across a group (service listing) ---------------------------------
// Both methods list only the branches the operator has access to (FILIOPER): a list offered for
// choosing never shows what the operator could not read.

namespace {

constexpr size_t kMaxSelecao = size_t{64} * 1024;  // a selection text of thousands of codes at most

// The branch codes of a list argument: a selection text ("_0001_0003_") or one branch code.
std::set<std::string> filiaisDaLista(const std::string& lista) {
  std::set<std::string> out;
  size_t i = 0;
  while (i <= lista.size()) {
    size_t j = lista.find('_', i);
    if (j == std::string::npos) j = lista.size();
    std::string codigo = textOf(Variant(lista.substr(i, j - i)));
    if (!codigo.empty()) out.insert(codigo);
    i = j + 1;
  }
  return out;
}

// GetFiliPorGrup(CDGRUPFILI): packet (IDMARCADO 1, CDFILIAL 4, NMFILIAL 30) of the branches of the
// group, every branch when the code is empty; by code, IDMARCADO "N".
Variant getFiliPorGrup(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("IDMARCADO", 1), textField("CDFILIAL", 4),
                                            textField("NMFILIAL", 30)};
  const std::string grupo = textOf(args[0]);
  return checkOk(Variant(queryPacket(
      ctx.db,
      "SELECT 'N' AS IDMARCADO, F.CDFILIAL, F.NMFILIAL FROM FILIAL F"
      " WHERE F.CDFILIAL IN (SELECT CDFILIAL FROM FILIOPER WHERE CDOPERADOR = :CDOPERADOR)"
      " AND (:TODOS = 'T' OR F.CDFILIAL IN (SELECT CDFILIAL FROM FILIGRUP WHERE CDGRUPFILI = :CDGRUPFILI))"
      " ORDER BY F.CDFILIAL",
      {{"CDOPERADOR", ctx.operatorName}, {"TODOS", grupo.empty() ? "T" : ""}, {"CDGRUPFILI", grupo}}, fields)));
}

// GetServPorGrup(CDGRUPFILI, TCDGRUPFILI, branch list, TFILIAL): packet (IDMARCADO 1, CDFILIAL 4,
// CDSERVFILI 5, NMSERVICO 40, L_FILISERV 9 = branch and service codes together) of the services
// of the group ("T" in the second argument: of every group) and of the listed branches ("T" in the
// fourth: of every branch), by branch and service. The list is a selection text or one branch code.
Variant getServPorGrup(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("IDMARCADO", 1), textField("CDFILIAL", 4),
                                            textField("CDSERVFILI", 5), textField("NMSERVICO", 40),
                                            textField("L_FILISERV", 9)};
  const std::string grupo = textOf(args[0]);
  const bool todosGrupos = textOf(args[1]) == "T";
  const std::string lista = textOf(args[2]);
  const bool todasFiliais = textOf(args[3]) == "T";
  if (lista.size() > kMaxSelecao) return checkFail("Lista de filiais longa demais.");
  PacketPtr p = queryPacket(
      ctx.db,
      "SELECT 'N' AS IDMARCADO, S.CDFILIAL, S.CDSERVFILI, S.NMSERVICO, S.CDFILIAL || S.CDSERVFILI AS L_FILISERV"
      " FROM SERVICO S"
      " WHERE S.CDFILIAL IN (SELECT CDFILIAL FROM FILIOPER WHERE CDOPERADOR = :CDOPERADOR)"
      " AND (:TODOS = 'T' OR S.CDFILIAL IN (SELECT CDFILIAL FROM FILIGRUP WHERE CDGRUPFILI = :CDGRUPFILI))"
      " ORDER BY S.CDFILIAL, S.CDSERVFILI",
      {{"CDOPERADOR", ctx.operatorName}, {"TODOS", todosGrupos ? "T" : ""}, {"CDGRUPFILI", grupo}}, fields);
  if (!todasFiliais) {
    // The branch list is applied here rather than spelled into the SQL: it may hold any number of
    // codes, and no text of the client ever becomes part of a statement.
    const std::set<std::string> filiais = filiaisDaLista(lista);
    auto filtrado = std::make_shared<Packet>();
    filtrado->fields = p->fields;
    for (size_t r = 0; r < p->rowCount(); ++r)
      if (filiais.count(p->value(r, "CDFILIAL").asString())) filtrado->rows.push_back(p->rows[r]);
    p = filtrado;
  }
  return checkOk(Variant(p));
}

}  // namespace

void registerBranchServiceListMethods(Registry& r) {
  r.add({kCadastroServ, "GetFiliPorGrup", "s", {}, false, getFiliPorGrup, -1, true});
  r.add({kCadastroServ, "GetServPorGrup", "ssss", {}, false, getServPorGrup, -1, true});
}

}  // namespace cad::appserver
