// Methods of the automatic standard-cost maintenance: the branches and services of a selection,
// the rows of a run (GetCustPadrManu) kept on the server as a working list, the insertion of month
// costs for a whole period (InsereCustoPadrao) and the removal of the working list (DeletaLista).
// Changing and deleting the months of a run go through UpdCustPadr of the standard-cost area (an
// alter that scales dish-type costs through UpdCustPadrComTp, months and dish types in one
// transaction), whose rules (custopadrao.h) every write here follows too; an overwrite deletes
// and inserts in one transaction (SobrepoeCustoPadrao).
//
// Invariants:
//  - The operator is the session's; the operator code the screen sends is not trusted. A branch
//    is selectable only when the operator has access to it (FILIOPER).
//  - A working list belongs to the operator who loaded it; InsereCustoPadrao writes only services
//    of that list, only months of the period, and all of them or none (one transaction).
//  - A working list (LISTCUSTPADR: the services of one load, each under the start month, with an
//    identifier from the counter 'LISTCUSTPADR') lives until DeletaLista, the next load that names it, or a whole day
//    after the day of its load.
//  - Every result is checkable ([true, payload] / [false, text]).
#include "appserver/methods/custoauto.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/custopadrao.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// A run covers at most ten years of months; a selection text at most this many characters.
constexpr int kMaxMesesPeriodo = 120;
constexpr size_t kMaxSelecao = 1 << 20;
// Rows written by one INSERT statement.
constexpr size_t kLinhasPorInsert = 100;

FieldDef dateField(std::string name) { return FieldDef{std::move(name), FieldType::DateTime, 0, false, false}; }
FieldDef flagField(std::string name) { return FieldDef{std::move(name), FieldType::String, 1, false, true}; }

// The keys of a selection text ("_k1_k2_"); empty for "" and for "T" (all).
std::set<std::string> chavesSelecao(const std::string& selecao) {
  std::set<std::string> chaves;
  if (selecao == "T") return chaves;
  size_t i = 0;
  while (i < selecao.size()) {
    size_t j = selecao.find('_', i);
    if (j == std::string::npos) j = selecao.size();
    if (j > i) chaves.insert(selecao.substr(i, j - i));
    i = j + 1;
  }
  return chaves;
}

std::string selecaoRefusal(const std::string& selecao) {
  return selecao.size() > kMaxSelecao ? "Seleção grande demais." : std::string();
}

// What a run selects: the branch group (none when empty), the branches and services chosen (all
// when empty) and whether only main services count.
struct Selecao {
  std::string grupo;
  std::set<std::string> filiais;
  std::set<std::string> servicos;  // CDFILIAL + CDSERVFILI
  bool somentePrincipais = false;
};

std::string grupoRefusal(db::Database& db, const std::string& grupo) {
  if (grupo.empty()) return {};
  if (db.query("SELECT 1 FROM GRUPFILI WHERE CDGRUPFILI = :G", {{"G", grupo}}).rows.empty())
    return "Agrupamento de Filiais não cadastrado.";
  return {};
}

// The branches of the selection the operator may work on: (code, name), by code.
std::vector<std::pair<std::string, std::string>> filiaisSelecionadas(db::Database& db, const std::string& operador,
                                                                     const Selecao& s) {
  db::ResultSet rs = s.grupo.empty()
                         ? db.query(
                               "SELECT F.CDFILIAL, F.NMFILIAL FROM FILIAL F JOIN FILIOPER O ON O.CDFILIAL = F.CDFILIAL"
                               " WHERE O.CDOPERADOR = :OP ORDER BY F.CDFILIAL",
                               {{"OP", operador}})
                         : db.query(
                               "SELECT F.CDFILIAL, F.NMFILIAL FROM FILIAL F JOIN FILIOPER O ON O.CDFILIAL = F.CDFILIAL"
                               " JOIN FILIGRUP G ON G.CDFILIAL = F.CDFILIAL"
                               " WHERE O.CDOPERADOR = :OP AND G.CDGRUPFILI = :G ORDER BY F.CDFILIAL",
                               {{"OP", operador}, {"G", s.grupo}});
  std::vector<std::pair<std::string, std::string>> out;
  for (auto& row : rs.rows) {
    std::string codigo = textOf(row[0]);
    if (s.filiais.empty() || s.filiais.count(codigo)) out.emplace_back(codigo, row[1].asString());
  }
  return out;
}

struct ServicoSel {
  std::string filial, nmFilial, servico, nmServico;
};

// The services of the selected branches, by branch and code.
std::vector<ServicoSel> servicosSelecionados(db::Database& db, const std::string& operador, const Selecao& s) {
  std::map<std::string, std::string> filiais;
  for (auto& [codigo, nome] : filiaisSelecionadas(db, operador, s)) filiais.emplace(codigo, nome);
  std::vector<ServicoSel> out;
  if (filiais.empty()) return out;
  db::ResultSet rs = db.query(
      "SELECT S.CDFILIAL, S.CDSERVFILI, S.NMSERVICO, S.IDSERVPRINC FROM SERVICO S JOIN FILIOPER O"
      " ON O.CDFILIAL = S.CDFILIAL WHERE O.CDOPERADOR = :OP ORDER BY S.CDFILIAL, S.CDSERVFILI",
      {{"OP", operador}});
  for (auto& row : rs.rows) {
    std::string filial = textOf(row[0]), servico = textOf(row[1]);
    auto f = filiais.find(filial);
    if (f == filiais.end()) continue;
    if (s.somentePrincipais && textOf(row[3]) != "S") continue;
    if (!s.servicos.empty() && !s.servicos.count(filial + servico)) continue;
    out.push_back({filial, f->second, servico, row[2].asString()});
  }
  return out;
}

// A month as the messages show it ("01/2027").
std::string textoMes(DateTime d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%04d", d.month(), d.year());
  return buf;
}

// The period of a run, as first days of months: "" when valid, else the refusal text. The start
// month may not lie before the server's month.
std::string periodoRefusal(const Variant& de, const Variant& ate, DateTime& inicio, DateTime& fim) {
  if (!de.isDateTime() || !ate.isDateTime() || de.asDateTime().serial == 0 || ate.asDateTime().serial == 0)
    return "Período deve ser informado.";
  inicio = primeiroDia(de.asDateTime());
  fim = primeiroDia(ate.asDateTime());
  if (inicio < primeiroDia(DateTime::today())) return "O mês inicial não pode ser anterior ao mês atual do servidor.";
  if (fim < inicio) return "O mês final não pode ser anterior ao mês inicial.";
  if ((fim.year() - inicio.year()) * 12 + fim.month() - inicio.month() >= kMaxMesesPeriodo)
    return "O período não pode passar de " + std::to_string(kMaxMesesPeriodo) + " meses.";
  return {};
}

// A new working-list identifier from the counter 'LISTCUSTPADR' (see takeCounter for why two
// servers never hand out the same one).
std::string novoIdLista(db::Database& db) { return std::to_string(takeCounter(db, "LISTCUSTPADR")); }

// Removes a working list of the operator.
void removeLista(db::Database& db, const std::string& lista, const std::string& operador) {
  if (lista.empty()) return;
  db.exec("DELETE FROM LISTCUSTPADR WHERE IDLISTA = :L AND CDOPERADOR = :OP", {{"L", lista}, {"OP", operador}});
}

// Appends a text as a JSON string.
void appendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// Runs `prefixo` + "(:A0, :B0, ...), (:A1, ...)" + `sufixo` for the rows, kLinhasPorInsert rows a
// statement, every value bound; returns the rows affected.
int64_t insereEmBlocos(db::Database& db, const std::string& prefixo, const std::string& sufixo,
                       const std::vector<std::vector<Variant>>& linhas) {
  int64_t total = 0;
  for (size_t inicio = 0; inicio < linhas.size(); inicio += kLinhasPorInsert) {
    size_t fim = std::min(linhas.size(), inicio + kLinhasPorInsert);
    std::string sql = prefixo;
    db::Params params;
    for (size_t r = inicio; r < fim; ++r) {
      sql += r > inicio ? ", (" : "(";
      for (size_t c = 0; c < linhas[r].size(); ++c) {
        std::string nome = "P" + std::to_string(r - inicio) + "_" + std::to_string(c);
        sql += (c ? ", :" : ":") + nome;
        params.emplace_back(std::move(nome), linhas[r][c]);
      }
      sql += ")";
    }
    total += db.exec(sql + sufixo, params);
  }
  return total;
}

// GetDataServ(): [true, the server's current date].
Variant getDataServ(CallContext&, VariantArray&) { return checkOk(Variant(DateTime::today())); }

// GetFiliPorGrupOper(group code, operator code): [true, packet (IDMARCADO 1, CDFILIAL 4, NMFILIAL
// 30)] of the group's branches the session's operator has access to, by code; IDMARCADO is "N".
// [false, "Agrupamento de Filiais não cadastrado."] for an unknown group.
Variant getFiliPorGrupOper(CallContext& ctx, VariantArray& args) {
  Selecao s;
  s.grupo = textOf(args[0]);
  if (std::string r = grupoRefusal(ctx.db, s.grupo); !r.empty()) return checkFail(r);
  auto p = std::make_shared<Packet>();
  p->fields = {flagField("IDMARCADO"), textField("CDFILIAL", 4), textField("NMFILIAL", 30)};
  for (auto& [codigo, nome] : filiaisSelecionadas(ctx.db, ctx.operatorName, s))
    p->rows.push_back({Variant("N"), Variant(codigo), Variant(nome)});
  return checkOk(Variant(p));
}

// GetServPorGrupOper(group code, "T" = no group, branch selection text, "T" = all branches,
// operator code, "S" = main services only): [true, packet (IDMARCADO 1, CDFILIAL 4, CDSERVFILI 5,
// NMSERVICO 40, L_FILISERV 9 = CDFILIAL + CDSERVFILI)] of the services of the selected branches
// the session's operator has access to, by branch and code. An empty branch selection means all.
Variant getServPorGrupOper(CallContext& ctx, VariantArray& args) {
  Selecao s;
  if (textOf(args[1]) != "T") s.grupo = textOf(args[0]);
  std::string selecao = textOf(args[2]);
  if (std::string r = selecaoRefusal(selecao); !r.empty()) return checkFail(r);
  if (textOf(args[3]) != "T") s.filiais = chavesSelecao(selecao);
  s.somentePrincipais = textOf(args[5]) == "S";
  if (std::string r = grupoRefusal(ctx.db, s.grupo); !r.empty()) return checkFail(r);
  auto p = std::make_shared<Packet>();
  p->fields = {flagField("IDMARCADO"), textField("CDFILIAL", 4), textField("CDSERVFILI", 5), textField("NMSERVICO", 40),
               textField("L_FILISERV", 9)};
  for (const ServicoSel& sv : servicosSelecionados(ctx.db, ctx.operatorName, s))
    p->rows.push_back({Variant("N"), Variant(sv.filial), Variant(sv.servico), Variant(sv.nmServico),
                       Variant(sv.filial + sv.servico)});
  return checkOk(Variant(p));
}

// GetCustPadrManu(service selection, branch selection, group code, operator code, mode,
// "S" = main services only, start date, end date, previous list identifier): loads the rows of a
// run and keeps the services in a new working list. [true, [rows packet, list identifier, dish-type
// packet (mode "A"; null otherwise)]].
//  - Rows (IDMARCADO "N", CDFILIAL, NMFILIAL, CDSERVFILI, NMSERVICO, DTREFCUSPADR, VRCUSTPADR,
//    NOVO_VALOR null, EXIST_CUSTO): in mode "I" one row per service, for the start month, with the
//    cost of its latest month up to the end of the period (0 when none) and EXIST_CUSTO "N" when
//    no month of the period holds a cost ("S" otherwise); in modes "S" and "A" one row per stored
//    month of the period, with its cost, EXIST_CUSTO "S".
//  - Dish-type packet (CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT, VRCUSTPADRTP): the split
//    of those months.
//  - Refused: an operator outside the standard-cost group, an unknown group, a mode other than
//    "I", "S", "A", a period not given, starting before the server's month, ending before it
//    starts or longer than 120 months.
//  - The previous list of the operator is removed, and so is every list abandoned for a day.
Variant getCustPadrManu(CallContext& ctx, VariantArray& args) {
  const std::string& operador = ctx.operatorName;
  if (std::string r = autorizacaoRefusal(ctx.db, operador); !r.empty()) return checkFail(r);
  std::string selServ = textOf(args[0]), selFili = textOf(args[1]);
  for (const std::string* sel : {&selServ, &selFili})
    if (std::string r = selecaoRefusal(*sel); !r.empty()) return checkFail(r);
  Selecao s;
  s.servicos = chavesSelecao(selServ);
  s.filiais = chavesSelecao(selFili);
  s.grupo = textOf(args[2]);
  std::string modo = textOf(args[4]);
  s.somentePrincipais = textOf(args[5]) == "S";
  if (modo != "I" && modo != "S" && modo != "A") return checkFail("Operação inválida: " + modo.substr(0, 10) + ".");
  DateTime inicio, fim;
  if (std::string r = periodoRefusal(args[6], args[7], inicio, fim); !r.empty()) return checkFail(r);
  if (std::string r = grupoRefusal(ctx.db, s.grupo); !r.empty()) return checkFail(r);

  removeListasCustoAbandonadas(ctx.db, DateTime::today());
  removeLista(ctx.db, textOf(args[8]), operador);

  std::vector<ServicoSel> servicos = servicosSelecionados(ctx.db, operador, s);
  // The stored months of the operator's branches up to the end of the period, by service.
  db::ResultSet meses = ctx.db.query(
      "SELECT C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR, C.VRCUSTPADR FROM CUSTPADR C JOIN FILIOPER O"
      " ON O.CDFILIAL = C.CDFILIAL WHERE O.CDOPERADOR = :OP AND C.DTREFCUSPADR <= :FIM"
      " ORDER BY C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR",
      {{"OP", operador}, {"FIM", Variant(fim)}});
  std::map<std::string, std::vector<std::pair<DateTime, double>>> porServico;
  for (auto& row : meses.rows)
    porServico[textOf(row[0]) + textOf(row[1])].emplace_back(row[2].asDateTime(), row[3].asFloat());

  std::string lista = novoIdLista(ctx.db);
  auto p = std::make_shared<Packet>();
  p->fields = {flagField("IDMARCADO"),     textField("CDFILIAL", 4),   textField("NMFILIAL", 30),
               textField("CDSERVFILI", 5), textField("NMSERVICO", 40), dateField("DTREFCUSPADR"),
               floatField("VRCUSTPADR"),   floatField("NOVO_VALOR"),   textField("EXIST_CUSTO", 40)};
  // The working list: each selected service, under the start month (an overwrite run deletes
  // months and inserts them again, so the list does not depend on the months stored).
  std::vector<std::vector<Variant>> registros;
  Variant hoje(DateTime::today());
  for (const ServicoSel& sv : servicos) {
    registros.push_back(
        {Variant(lista), Variant(sv.filial), Variant(sv.servico), Variant(inicio), Variant(operador), hoje});
    const auto& custos = porServico[sv.filial + sv.servico];
    auto linha = [&](DateTime mes, double valor, const char* existe) {
      p->rows.push_back({Variant("N"), Variant(sv.filial), Variant(sv.nmFilial), Variant(sv.servico),
                         Variant(sv.nmServico), Variant(mes), Variant(valor), Variant(), Variant(existe)});
    };
    if (modo == "I") {
      bool existe = false;
      for (auto& c : custos) existe = existe || !(c.first < inicio);
      linha(inicio, custos.empty() ? 0.0 : custos.back().second, existe ? "S" : "N");
    } else {
      for (auto& c : custos)
        if (!(c.first < inicio)) linha(c.first, c.second, "S");
    }
  }
  insereEmBlocos(
      ctx.db, "INSERT INTO LISTCUSTPADR (IDLISTA, CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDOPERADOR, DTCRIACAO) VALUES ",
      "", registros);

  Variant tipos;
  if (modo == "A") {
    static const std::vector<FieldDef> fields{textField("CDFILIAL", 4), textField("CDSERVFILI", 5),
                                              dateField("DTREFCUSPADR"), textField("CDTIPOPRAT", 2),
                                              floatField("VRCUSTPADRTP")};
    tipos = Variant(
        queryPacket(ctx.db,
                    "SELECT T.CDFILIAL, T.CDSERVFILI, T.DTREFCUSPADR, T.CDTIPOPRAT, T.VRCUSTPADRTP FROM CUSTPADRTP T"
                    " JOIN LISTCUSTPADR L ON L.CDFILIAL = T.CDFILIAL AND L.CDSERVFILI = T.CDSERVFILI"
                    " WHERE L.IDLISTA = :L AND T.DTREFCUSPADR >= :INICIO AND T.DTREFCUSPADR <= :FIM"
                    " ORDER BY T.CDFILIAL, T.CDSERVFILI, T.DTREFCUSPADR, T.CDTIPOPRAT",
                    {{"L", lista}, {"INICIO", Variant(inicio)}, {"FIM", Variant(fim)}}, fields));
  }
  return checkOk(Variant(VariantArray{Variant(p), Variant(lista), tipos}));
}

const char* const kListaPerdida = "Lista de trabalho não encontrada. Carregue os registros novamente.";

// The services of the operator's working list, each as "branch\x1fservice".
std::set<std::string> servicosDaLista(db::Database& db, const std::string& lista, const std::string& operador) {
  std::set<std::string> servicos;
  for (auto& row : db.query("SELECT CDFILIAL, CDSERVFILI FROM LISTCUSTPADR WHERE IDLISTA = :L AND CDOPERADOR = :OP",
                            {{"L", lista}, {"OP", operador}})
                       .rows)
    servicos.insert(textOf(row[0]) + "\x1f" + textOf(row[1]));
  return servicos;
}

// The key of a service's month, as "branch\x1fservice\x1fyyyy-mm".
std::string chaveMes(const std::string& filial, const std::string& servico, DateTime mes) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%04d-%02d", mes.year(), mes.month());
  return filial + "\x1f" + servico + "\x1f" + texto;
}

// InsereCustoPadrao(list identifier, start date, end date, change set of month costs: CDFILIAL,
// CDSERVFILI, DTREFCUSPADR, VRCUSTPADR): writes the month costs in one transaction; a month that
// already holds a cost is replaced (its new cost, its old split over dish types removed), as the
// question the screen asks before ("Exist_Cad") says. [true, [months written, how many of them
// replaced a stored month]], or [false, text] with nothing written:
//  - the operator outside the standard-cost group, or without access to a branch of the rows;
//  - a list that is not the operator's ("Lista de trabalho não encontrada. Carregue os registros
//    novamente."), a period refused as in GetCustPadrManu;
//  - a row that is not an insertion, of a service the list was not loaded with, of a month outside
//    the period, or with a month or value the standard cost refuses (custoMesRefusal).
Variant insereCustoPadrao(CallContext& ctx, VariantArray& args) {
  const std::string& operador = ctx.operatorName;
  const Packet& delta = args[3].asPacket();
  if (!delta.delta) throw Exception("InsereCustoPadrao espera um conjunto de alterações.");
  if (std::string r = autorizacaoRefusal(ctx.db, operador); !r.empty()) return checkFail(r);
  std::set<std::string> servicos = servicosDaLista(ctx.db, textOf(args[0]), operador);
  if (servicos.empty()) return checkFail(kListaPerdida);
  DateTime inicio, fim;
  if (std::string r = periodoRefusal(args[1], args[2], inicio, fim); !r.empty()) return checkFail(r);
  if (std::string r = changeSetBranchRefusal(ctx.db, operador, delta); !r.empty()) return checkFail(r);

  int fFilial = delta.fieldIndex("CDFILIAL"), fServico = delta.fieldIndex("CDSERVFILI"),
      fMes = delta.fieldIndex("DTREFCUSPADR"), fValor = delta.fieldIndex("VRCUSTPADR");
  if (fFilial < 0 || fServico < 0 || fMes < 0 || fValor < 0)
    throw Exception("InsereCustoPadrao espera CDFILIAL, CDSERVFILI, DTREFCUSPADR e VRCUSTPADR.");
  // The months of the list's services in the period that hold a cost: these are replaced.
  std::set<std::string> guardados;
  for (const auto& row :
       ctx.db
           .query("SELECT C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR FROM CUSTPADR C JOIN LISTCUSTPADR L"
                  " ON L.CDFILIAL = C.CDFILIAL AND L.CDSERVFILI = C.CDSERVFILI"
                  " WHERE L.IDLISTA = :L AND L.CDOPERADOR = :OP AND C.DTREFCUSPADR >= :I"
                  " AND C.DTREFCUSPADR <= :T",
                  {{"L", textOf(args[0])}, {"OP", operador}, {"I", Variant(inicio)}, {"T", Variant(fim)}})
           .rows)
    guardados.insert(chaveMes(textOf(row[0]), textOf(row[1]), row[2].asDateTime()));
  std::set<std::string> substituidos;
  // Each new month is checked and written into one JSON text of [branch, service, month, value]
  // arrays, bound as the statement's one parameter: the database reads the whole run itself (a
  // statement per row or per block of rows costs several times more).
  std::string dados, chave;
  dados.reserve(delta.rows.size() * 40);
  dados += '[';
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    if (delta.kinds[r] != ChangeKind::Inserted) return checkFail("InsereCustoPadrao só inclui custos.");
    const auto& row = delta.rows[r];
    std::string filial = textOf(row[static_cast<size_t>(fFilial)]),
                servico = textOf(row[static_cast<size_t>(fServico)]);
    const Variant& mes = row[static_cast<size_t>(fMes)];
    const Variant& valor = row[static_cast<size_t>(fValor)];
    chave.assign(filial).append(1, '\x1f').append(servico);
    if (!servicos.count(chave))
      return checkFail("O serviço " + servico + " da filial " + filial +
                       " não faz parte dos registros carregados. Carregue os registros novamente.");
    if (std::string recusa = custoMesRefusal(mes, valor); !recusa.empty())
      return checkFail("Filial " + filial + ", serviço " + servico + ": " + recusa);
    DateTime dia = mes.asDateTime();
    if (dia < inicio || fim < dia)
      return checkFail("Filial " + filial + ", serviço " + servico + ": o mês " + textoMes(dia) +
                       " está fora do período informado.");
    if (std::string k = chaveMes(filial, servico, dia); guardados.count(k)) {
      db::Params mesGuardado{{"F", filial}, {"S", servico}, {"M", Variant(primeiroDia(dia))}};
      ctx.db.exec("DELETE FROM CUSTPADRTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :M", mesGuardado);
      mesGuardado.push_back({"V", Variant(valor.asFloat())});
      ctx.db.exec("UPDATE CUSTPADR SET VRCUSTPADR = :V WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :M",
                  mesGuardado);
      substituidos.insert(k);
      continue;
    }
    char texto[64];
    int n = std::snprintf(texto, 32, ",\"%04d-%02d-01\",", dia.year(), dia.month());
    // The shortest text that reads back the same double, whatever the locale.
    char* fimValor = std::to_chars(texto + n, texto + sizeof texto - 2, valor.asFloat()).ptr;
    *fimValor++ = ']';
    dados += dados.size() > 1 ? ",[" : "[";
    appendJsonText(dados, filial);
    dados += ',';
    appendJsonText(dados, servico);
    dados.append(texto, fimValor);
  }
  dados += ']';
  const char* sql = ctx.db.dialect() == "postgresql"
                        ? "INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR)"
                          " SELECT E ->> 0, E ->> 1, CAST(E ->> 2 AS DATE), CAST(E ->> 3 AS FLOAT8)"
                          " FROM json_array_elements(CAST(:DADOS AS JSON)) AS E"
                          " ON CONFLICT (CDFILIAL, CDSERVFILI, DTREFCUSPADR) DO NOTHING"
                        : "INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR)"
                          " SELECT value ->> 0, value ->> 1, value ->> 2, value ->> 3 FROM json_each(:DADOS)"
                          " WHERE TRUE ON CONFLICT (CDFILIAL, CDSERVFILI, DTREFCUSPADR) DO NOTHING";
  int64_t inseridos = ctx.db.exec(sql, {{"DADOS", Variant(std::move(dados))}});
  long long trocados = static_cast<long long>(substituidos.size());
  return checkOk(Variant(VariantArray{Variant(static_cast<long long>(inseridos) + trocados), Variant(trocados)}));
}

// SobrepoeCustoPadrao(list identifier, start date, end date, change set deleting the months to
// replace, change set of the new month costs): the overwrite of a run in one transaction. The
// months go as UpdCustPadr deletes them (with their dish-type costs), then the new ones are
// inserted as InsereCustoPadrao does, so a refused insertion leaves the old months in place.
// [true, [months written, how many of them took the place of a deleted month]], or [false, text]
// with nothing written; besides the refusals of those two, the first change set may only delete
// months of the list's services in the period.
Variant sobrepoeCustoPadrao(CallContext& ctx, VariantArray& args) {
  const Packet& exclusao = args[3].asPacket();
  if (!exclusao.delta) throw Exception("SobrepoeCustoPadrao espera um conjunto de alterações.");
  if (std::string r = autorizacaoRefusal(ctx.db, ctx.operatorName); !r.empty()) return checkFail(r);
  std::set<std::string> servicos = servicosDaLista(ctx.db, textOf(args[0]), ctx.operatorName);
  if (servicos.empty()) return checkFail(kListaPerdida);
  DateTime inicio, fim;
  if (std::string r = periodoRefusal(args[1], args[2], inicio, fim); !r.empty()) return checkFail(r);
  for (size_t r = 0; r < exclusao.rows.size(); ++r) {
    std::string filial = textOf(oldValue(exclusao, r, "CDFILIAL")),
                servico = textOf(oldValue(exclusao, r, "CDSERVFILI"));
    Variant mes = oldValue(exclusao, r, "DTREFCUSPADR");
    if (exclusao.kinds[r] != ChangeKind::Deleted || !servicos.count(filial + "\x1f" + servico) || !mes.isDateTime() ||
        mes.asDateTime() < inicio || fim < mes.asDateTime())
      return checkFail("Só podem ser substituídos os meses do período dos serviços carregados.");
  }
  std::set<std::string> excluidos;
  for (size_t r = 0; r < exclusao.rows.size(); ++r)
    excluidos.insert(chaveMes(textOf(oldValue(exclusao, r, "CDFILIAL")), textOf(oldValue(exclusao, r, "CDSERVFILI")),
                              primeiroDia(oldValue(exclusao, r, "DTREFCUSPADR").asDateTime())));
  if (std::string r = gravaMesesCusto(ctx, exclusao); !r.empty()) return checkFail(r);
  VariantArray insercao{args[0], args[1], args[2], args[4]};
  Variant resultado = insereCustoPadrao(ctx, insercao);
  if (isRefusal(resultado)) return resultado;
  // The months written where a deleted one was replaced it.
  const Packet& novos = args[4].asPacket();
  long long trocados = 0;
  for (size_t r = 0; r < novos.rows.size(); ++r)
    if (excluidos.count(chaveMes(textOf(novos.value(r, "CDFILIAL")), textOf(novos.value(r, "CDSERVFILI")),
                                 primeiroDia(novos.value(r, "DTREFCUSPADR").asDateTime()))))
      ++trocados;
  const VariantArray& contagem = resultado.asArray()[1].asArray();
  return checkOk(Variant(VariantArray{contagem[0], Variant(trocados)}));
}

// DeletaLista(list identifier): removes the operator's working list; [true, ""] also when there is
// none (an empty identifier: the screen never loaded rows).
Variant deletaLista(CallContext& ctx, VariantArray& args) {
  removeLista(ctx.db, textOf(args[0]), ctx.operatorName);
  return checkOk(Variant(""));
}

}  // namespace

int64_t removeListasCustoAbandonadas(db::Database& db, DateTime hoje) {
  return db.exec("DELETE FROM LISTCUSTPADR WHERE DTCRIACAO < :ONTEM OR DTCRIACAO IS NULL",
                 {{"ONTEM", Variant(DateTime{hoje.dateOnly().serial - 1})}});
}

void registerAutoCostMethods(Registry& r) {
  r.add({kCadastroServ, "GetDataServ", "", {}, false, getDataServ, -1, true});
  r.add({kCadastroServ, "GetFiliPorGrupOper", "ss", {}, false, getFiliPorGrupOper, -1, true});
  r.add({kCadastroServ, "GetServPorGrupOper", "ssssss", {}, false, getServPorGrupOper, -1, true});
  r.add({kCadastroServ, "GetCustPadrManu", "ssssssdds", {}, true, getCustPadrManu, -1, true});
  r.add({kCadastroServ, "InsereCustoPadrao", "sddp", {}, true, insereCustoPadrao, -1, true});
  r.add({kCadastroServ, "SobrepoeCustoPadrao", "sddpp", {}, true, sobrepoeCustoPadrao, -1, true});
  r.add({kCadastroServ, "DeletaLista", "s", {}, true, deletaLista, -1, true});
}

}  // namespace cad::appserver
