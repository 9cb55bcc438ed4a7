// The change history of a service as an operator reads it: the audit trail (AUDITORIA,
// AUDITCAMPO, see audit.h) of the service's record and of every row stored under it, one row per
// changed field, with the table and the field named as a person names them and the values in the
// screens' formats. Read-only.
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// The tables stored under a service (all keyed by branch and service), by the name a person uses.
const std::map<std::string, std::string>& tableNames() {
  static const std::map<std::string, std::string> names{
      {"SERVICO", "Serviço"},
      {"SERVFATU", "Faturamento do serviço"},
      {"EFETSERVFAT", "Efetivação do faturamento"},
      {"TURNOSERV", "Turno"},
      {"CUSTPADR", "Custo padrão"},
      {"CUSTPADRTP", "Custo padrão por tipo de prato"},
      {"CNFCARD", "Configuração do cardápio"},
      {"CARDADIA", "Cardápio do dia"},
      {"CONSPRODSERV", "Consumo de produto"},
      {"DIETSERV", "Comensais por dieta"},
      {"DESTSRVCLI", "Cliente e ponto de entrega"},
      {"CARDCOMENS", "Comensais do cardápio"},
      {"CNFDISTEMBSERV", "Distribuição de embalagens"},
      {"CNFDISTEMBTP", "Embalagem por tipo de prato"},
  };
  return names;
}

// How a key field other than branch and service names the line ("linha 3", "cliente 000123").
const std::map<std::string, std::string>& keyNames() {
  static const std::map<std::string, std::string> names{
      {"NRSEQCNFCARD", "linha"}, {"CDTURNO", "turno"},     {"CDTIPOPRAT", "tipo de prato"},
      {"CDDIETPAD", "dieta"},    {"CDCLIENTE", "cliente"}, {"CDDESTFILI", "ponto"},
      {"NRGRUPO", "grupo"},      {"CDPRODUTO", "produto"}, {"CDSERVICFATURAM", "serviço faturado"},
  };
  return names;
}

// Field labels; the diners per weekday are composed from their category and day.
const std::map<std::string, std::string>& fieldLabels() {
  static const std::map<std::string, std::string> labels{
      {"NMSERVICO", "Nome"},
      {"NMFANTASSERV", "Nome Fantasia"},
      {"IDTIPOSERV", "Tipo"},
      {"IDSERVTRAN", "Transportado"},
      {"IDATIVO", "Ativo"},
      {"CDGRUPSERV", "Grupo de serviço"},
      {"CDROTATRANS", "Rota de transporte"},
      {"CDSERVPADR", "Serviço padrão"},
      {"CDSERPADDIE", "Padrão de internação"},
      {"VRCUSTPADR", "Valor"},
      {"VRCUSTPADRTP", "Valor"},
      {"DTREFCUSPADR", "Mês"},
      {"CDTIPOPRAT", "Tipo de Prato"},
      {"CDTURNO", "Turno"},
      {"NMTURNO", "Descrição do Turno"},
      {"CDDIETPAD", "Dieta"},
      {"CDCLIENTE", "Cliente"},
      {"CDDESTFILI", "Ponto de Entrega"},
      {"CDCONTAINER", "Embalagem"},
      {"NRGRUPO", "Grupo"},
      {"NRSEQCNFCARD", "Linha"},
      {"CDPRODUTO", "Produto"},
  };
  return labels;
}

std::string fieldLabel(const std::string& field) {
  auto it = fieldLabels().find(field);
  if (it != fieldLabels().end()) return it->second;
  static const std::vector<std::pair<std::string, std::string>> days{
      {"SEG", "segunda"}, {"TER", "terça"},  {"QUA", "quarta"},  {"QUI", "quinta"},
      {"SEX", "sexta"},   {"SAB", "sábado"}, {"DOM", "domingo"}, {"FER", "feriado"}};
  static const std::vector<std::pair<std::string, std::string>> kinds{{"QTCLI", "Clientes"},
                                                                      {"QTFUN", "Funcionários"},
                                                                      {"QTDOA", "Doações"},
                                                                      {"QTCOM", "Comensais"},
                                                                      {"QTCOEST", "Comensais"}};
  if (field.size() > 3) {
    for (const auto& [suffix, day] : days) {
      if (field.compare(field.size() - 3, 3, suffix) != 0) continue;
      for (const auto& [prefix, kind] : kinds)
        if (field.rfind(prefix, 0) == 0) return kind + " (" + day + ")";
    }
  }
  return field;
}

bool isDigits(const std::string& s, size_t from, size_t n) {
  if (from + n > s.size()) return false;
  for (size_t i = from; i < from + n; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// A stored text as the screens show it: dates dd/mm/yyyy, numbers with a decimal comma; codes and
// names as they are.
std::string shownValue(const Variant& v) {
  if (v.isNull()) return "";
  std::string s = v.asString();
  if (s.size() >= 10 && isDigits(s, 0, 4) && s[4] == '-' && isDigits(s, 5, 2) && s[7] == '-' && isDigits(s, 8, 2) &&
      (s.size() == 10 || s[10] == ' ' || s[10] == 'T'))
    return s.substr(8, 2) + "/" + s.substr(5, 2) + "/" + s.substr(0, 4);
  size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
  size_t dot = s.find('.');
  if (dot != std::string::npos && dot > start && isDigits(s, start, dot - start) &&
      isDigits(s, dot + 1, s.size() - dot - 1) && dot + 1 < s.size())
    s[dot] = ',';
  return s;
}

// "Custo padrão 03/2026", "Configuração do cardápio linha 3": the table and the line of the row,
// from its recorded key ("CDFILIAL=0001, CDSERVFILI=00001, NRSEQCNFCARD=3").
std::string objectText(const std::string& table, const std::string& key) {
  auto tn = tableNames().find(table);
  std::string out = tn != tableNames().end() ? tn->second : table;
  size_t pos = 0;
  while (pos < key.size()) {
    size_t end = key.find(", ", pos);
    if (end == std::string::npos) end = key.size();
    std::string part = key.substr(pos, end - pos);
    pos = end + 2;
    size_t eq = part.find('=');
    if (eq == std::string::npos) continue;
    std::string name = part.substr(0, eq), value = part.substr(eq + 1);
    if (name == "CDFILIAL" || name == "CDSERVFILI" || value.empty()) continue;
    if (name == "DTREFCUSPADR" && value.size() >= 7) {
      out += " " + value.substr(5, 2) + "/" + value.substr(0, 4);
      continue;
    }
    auto kn = keyNames().find(name);
    out += kn != keyNames().end() ? " " + kn->second + " " + value : " " + shownValue(Variant(value));
  }
  return out;
}

// "dd/mm/yyyy" to "yyyy-mm-dd"; "" for anything else.
std::string isoDate(const std::string& text) {
  if (text.size() != 10 || !isDigits(text, 0, 2) || text[2] != '/' || !isDigits(text, 3, 2) || text[5] != '/' ||
      !isDigits(text, 6, 4))
    return "";
  int d = std::stoi(text.substr(0, 2)), m = std::stoi(text.substr(3, 2));
  if (d < 1 || d > 31 || m < 1 || m > 12) return "";
  return text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2);
}

const char* operationName(const std::string& kind) {
  return kind == "I" ? "Inclusão" : kind == "D" ? "Exclusão" : "Alteração";
}

// GetHistorico(CDFILIAL, CDSERVFILI, DTINICIO, DTFIM, CDOPERADOR): packet of the changes of the
// service and of every row stored under it (the rows whose recorded key names the branch and the
// service), newest first, one row per changed field: DTALTERACAO "dd/mm/yyyy hh:mm" (UTC, the
// call's start), CDOPERADOR, DSOPERACAO ("Inclusão", "Alteração", "Exclusão"), DSOBJETO (table and
// line), DSCAMPO (field label), VLANTERIOR and VLNOVO as the screens show them. The branch and
// service codes of a row are not repeated as fields. DTINICIO and DTFIM ("dd/mm/yyyy", empty for
// no bound) limit the days, both included; CDOPERADOR (empty: all) is matched without regard to
// case. A malformed date is a fault; a branch the operator cannot access is refused like any read.
Variant getHistorico(CallContext& ctx, VariantArray& args) {
  std::string branch = textOf(args[0]), service = textOf(args[1]);
  std::string from = textOf(args[2]), to = textOf(args[3]), op = textOf(args[4]);
  std::string sql =
      "SELECT a.DTAUDITORIA, a.CDOPERADOR, a.IDOPERACAO, a.NMTABELA, a.DSCHAVE, c.NMCAMPO, c.VLANTERIOR, c.VLNOVO"
      " FROM AUDITORIA a LEFT JOIN AUDITCAMPO c ON c.NRAUDITORIA = a.NRAUDITORIA"
      " WHERE a.CDFILIAL = :P_FILIAL AND (', ' || a.DSCHAVE || ',') LIKE :P_CHAVE ESCAPE '!'";
  // The service code is matched literally inside the key text.
  std::string literal;
  for (char ch : service) {
    if (ch == '%' || ch == '_' || ch == '!') literal += '!';
    literal += ch;
  }
  db::Params params{{"P_FILIAL", Variant(branch)}, {"P_CHAVE", Variant("%, CDSERVFILI=" + literal + ",%")}};
  if (!from.empty()) {
    std::string iso = isoDate(from);
    if (iso.empty()) throw Exception("Data inicial inválida: " + from + ". Use dd/mm/aaaa.");
    sql += " AND a.DTAUDITORIA >= :P_DESDE";
    params.emplace_back("P_DESDE", Variant(iso));
  }
  if (!to.empty()) {
    std::string iso = isoDate(to);
    if (iso.empty()) throw Exception("Data final inválida: " + to + ". Use dd/mm/aaaa.");
    sql += " AND a.DTAUDITORIA <= :P_ATE";
    params.emplace_back("P_ATE", Variant(iso + " 23:59:59"));
  }
  if (!op.empty()) {
    sql += " AND UPPER(a.CDOPERADOR) = UPPER(:P_OPER)";
    params.emplace_back("P_OPER", Variant(op));
  }
  sql += " ORDER BY a.DTAUDITORIA DESC, a.NRAUDITORIA DESC, c.NMCAMPO";
  auto rs = ctx.db.query(sql, params);

  auto p = std::make_shared<Packet>();
  p->fields = {textField("DTALTERACAO", 16), textField("CDOPERADOR", 12), textField("DSOPERACAO", 10),
               textField("DSOBJETO", 120),   textField("DSCAMPO", 60),    textField("VLANTERIOR", 250),
               textField("VLNOVO", 250)};
  for (const auto& r : rs.rows) {
    std::string field = r.at(5).isNull() ? "" : r.at(5).asString();
    if (field == "CDFILIAL" || field == "CDSERVFILI") continue;
    std::string when = r.at(0).asString();
    if (when.size() >= 16) when = shownValue(Variant(when.substr(0, 10))) + " " + when.substr(11, 5);
    // Long texts cut to the field's size, never inside a UTF-8 character.
    auto truncated = [](std::string s) {
      if (s.size() <= 250) return s;
      size_t n = 250;
      while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
      return s.substr(0, n);
    };
    p->rows.push_back(
        {Variant(when), Variant(r.at(1).isNull() ? "" : r.at(1).asString()), Variant(operationName(r.at(2).asString())),
         Variant(objectText(r.at(3).asString(), r.at(4).asString())), Variant(field.empty() ? "" : fieldLabel(field)),
         Variant(truncated(shownValue(r.at(6)))), Variant(truncated(shownValue(r.at(7))))});
  }
  return Variant(p);
}

}  // namespace

void registerHistoryMethods(Registry& r) {
  r.add({kCadastroServ, "GetHistorico", "sssss", {}, false, getHistorico, 0});
}

}  // namespace cad::appserver
