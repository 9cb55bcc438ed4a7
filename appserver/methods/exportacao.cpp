// Exports of a service's data to other places: its estimated diners per diet to other diets
// (SetExpComens, the export dialog), its estimated diners to the menu planning of a month
// (SetComensCardapio, screen package GER04103) and its default menu configuration to other
// services of the branch (ExportaConfPadrao, screen package GER04106). Every result is checkable
// ([true, payload] / [false, text]); every method is an update in one transaction, so a refusal
// met half way keeps nothing.
#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/embalagens.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

constexpr size_t kMaxLista = 2000;  // characters of a code list
constexpr const char* kDias[] = {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"};

// The codes of a list "0002_0005_" in its order, blanks trimmed, empty entries skipped. Returns
// false for a code longer than `tamanho` or holding anything but letters and digits.
bool leLista(const std::string& lista, size_t tamanho, std::vector<std::string>& codigos) {
  size_t inicio = 0;
  for (size_t i = 0; i <= lista.size(); ++i) {
    if (i < lista.size() && lista[i] != '_') continue;
    std::string c = textOf(Variant(lista.substr(inicio, i - inicio)));
    inicio = i + 1;
    if (c.empty()) continue;
    if (c.size() > tamanho) return false;
    for (char ch : c)
      if (!std::isalnum(static_cast<unsigned char>(ch))) return false;
    codigos.push_back(c);
  }
  return true;
}

// The columns of a diet's estimated diners: clients, employees, donations and total per day.
const std::vector<std::string>& colunasDieta() {
  static const std::vector<std::string> c = [] {
    std::vector<std::string> out;
    for (const char* grupo : {"QTCLIDIET", "QTFUNDIET", "QTDOADIET", "QTCOMDIET"})
      for (const char* dia : kDias) out.push_back(std::string(grupo) + dia);
    return out;
  }();
  return c;
}

// SetExpComens(CDFILIAL, CDSERVFILI, source CDDIETPAD, list of destination diets "0002_0005_"),
// every argument by reference: copies the source diet's estimated diners of the service (every
// category and total, all eight days) onto each listed diet of the service; [true, number of diets
// written]. Refused: no access to the branch; the service or its source diet not registered; an
// empty or malformed list (codes of up to 4 letters or digits, at most 2000 characters); a
// destination that is the source or not a diet of the service (the dialog lists only those).
Variant setExpComens(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]), origem = textOf(args[2]);
  std::string lista = args[3].isString() ? args[3].str() : std::string();
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return checkFail(r);
  if (std::string r = serviceRefusal(ctx.db, filial, servico); !r.empty()) return checkFail(r);
  std::string colunas;
  for (const std::string& c : colunasDieta()) colunas += (colunas.empty() ? "" : ", ") + c;
  db::ResultSet fonte = ctx.db.query("SELECT " + colunas +
                                         " FROM DIETSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                                         " AND CDDIETPAD = :D",
                                     {{"F", filial}, {"S", servico}, {"D", origem}});
  if (fonte.rows.empty())
    return checkFail("Dieta de origem " + origem + " não cadastrada para o serviço " + servico + ".");
  std::vector<std::string> destinos;
  if (lista.size() > kMaxLista || !leLista(lista, 4, destinos))
    return checkFail("Lista de dietas de destino inválida.");
  if (destinos.empty()) return checkFail("Dieta de destino deve ser informada.");

  std::string sets;
  db::Params base{{"F", filial}, {"S", servico}};
  for (size_t i = 0; i < colunasDieta().size(); ++i) {
    sets += (i ? ", " : "") + colunasDieta()[i] + " = :V" + std::to_string(i);
    base.push_back({"V" + std::to_string(i), fonte.rows[0][i]});
  }
  std::set<std::string> feitos;
  for (const std::string& d : destinos) {
    if (d == origem) return checkFail("A dieta " + d + " é a dieta de origem.");
    if (!feitos.insert(d).second) continue;
    db::Params p = base;
    p.push_back({"D", d});
    if (ctx.db.exec("UPDATE DIETSERV SET " + sets + " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDDIETPAD = :D", p) ==
        0)
      return checkFail("Dieta " + d + " não cadastrada para o serviço " + servico + ".");
  }
  return checkOk(Variant(static_cast<long long>(feitos.size())));
}

// SetComensCardapio(CDFILIAL, CDSERVFILI, a date of the month): hands the service's estimated
// diners to the menu planning of that month: CARDCOMENS gets, for every day of the month, the
// figure of the day's weekday — the service's total (SERVICO.QTCOMESTI*) for a corporate service,
// each diet's total (DIETSERV.QTCOMDIET*) for a hospital or outpatient service; the month's
// previous rows of the service are replaced. [true, rows written]. Refused: no access to the
// branch; the service not registered; a billing-only service; no date.
Variant setComensCardapio(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]);
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return checkFail(r);
  if (std::string r = serviceRefusal(ctx.db, filial, servico); !r.empty()) return checkFail(r);
  DateTime data = args[2].asDateTime();
  if (data.serial == 0) return checkFail("Mês não informado.");
  db::Params chave{{"F", filial}, {"S", servico}};
  std::string tipo =
      textOf(ctx.db.query("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave).rows[0][0]);
  if (tipo == "F" || tipo == "M") return checkFail("O serviço " + servico + " não tem comensais estimados.");

  // One row per diet ('' for the service itself), with its eight weekday figures.
  db::ResultSet figuras;
  std::string dias;
  for (const char* d : kDias) dias += std::string(", ") + (tipo == "N" ? "QTCOMESTI" : "QTCOMDIET") + d;
  if (tipo == "N")
    figuras =
        ctx.db.query("SELECT '' AS CDDIETPAD" + dias + " FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave);
  else
    figuras = ctx.db.query("SELECT CDDIETPAD" + dias +
                               " FROM DIETSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                               " ORDER BY CDDIETPAD",
                           chave);

  int ano = data.year(), mes = data.month();
  DateTime inicio = DateTime::fromDate(ano, mes, 1);
  DateTime fim = DateTime::fromDate(ano, mes, daysInMonth(ano, mes));
  ctx.db.exec(
      "DELETE FROM CARDCOMENS WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTCARDAPIO >= :I AND DTCARDAPIO <= :T",
      {{"F", filial}, {"S", servico}, {"I", Variant(inicio)}, {"T", Variant(fim)}});
  long long linhas = 0;
  for (int dia = 1; dia <= daysInMonth(ano, mes); ++dia) {
    DateTime d = DateTime::fromDate(ano, mes, dia);
    // Serial 0 (30/12/1899) was a Saturday: Monday is 0 after this shift. Earlier dates have
    // negative serials, so the remainder is brought into 0..6 before it indexes the row.
    long long resto = (static_cast<long long>(std::floor(d.serial)) + 5) % 7;
    size_t semana = static_cast<size_t>(resto < 0 ? resto + 7 : resto);
    for (const std::vector<Variant>& f : figuras.rows) {
      const Variant& q = f[1 + semana];
      ctx.db.exec(
          "INSERT INTO CARDCOMENS (CDFILIAL, CDSERVFILI, DTCARDAPIO, CDDIETPAD, QTCOMENSAIS)"
          " VALUES (:F, :S, :D, :T, :Q)",
          {{"F", filial},
           {"S", servico},
           {"D", Variant(d)},
           {"T", textOf(f[0])},
           {"Q", q.isNull() ? Variant(0.0) : Variant(q.asFloat())}});
      ++linhas;
    }
  }
  return checkOk(Variant(linhas));
}

// ExportaConfPadrao(CDFILIAL, source CDSERVFILI, list of destination services "00002_00003_",
// "S" when the user agreed that the destinations' packaging goes): replaces the default menu
// configuration (CNFCARD) of each listed service of the branch by a copy of the source's lines
// (the destination's packaging of its old lines goes with them, as on any removal of a line);
// [true, number of services changed]. Refused: no access to the branch; the source not registered
// or without lines; an empty or malformed list (codes of up to 5 letters or digits); a destination
// that is the source, not a service of the branch, billing-only, or with planned menus (CARDADIA
// refers to its lines); a destination with packaging distribution or restrictions without that
// consent.
Variant exportaConfPadrao(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), origem = textOf(args[1]);
  std::string lista = args[2].isString() ? args[2].str() : std::string();
  bool excluiEmbalagens = textOf(args[3]) == "S";
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return checkFail(r);
  if (std::string r = serviceRefusal(ctx.db, filial, origem); !r.empty()) return checkFail(r);
  db::ResultSet linhas =
      ctx.db.query("SELECT * FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S ORDER BY NRSEQCNFCARD",
                   {{"F", filial}, {"S", origem}});
  if (linhas.rows.empty()) return checkFail("O serviço " + origem + " não tem configuração padrão.");
  std::vector<std::string> destinos;
  if (lista.size() > kMaxLista || !leLista(lista, 5, destinos))
    return checkFail("Lista de serviços de destino inválida.");
  if (destinos.empty()) return checkFail("Informe pelo menos um serviço de destino.");
  std::set<std::string> feitos;
  int cServ = linhas.columnIndex("CDSERVFILI");
  for (const std::string& d : destinos) {
    if (!feitos.insert(d).second) continue;
    if (d == origem) return checkFail("O serviço " + d + " é o serviço de origem.");
    db::Params chave{{"F", filial}, {"S", d}};
    db::ResultSet serv = ctx.db.query("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave);
    if (serv.rows.empty()) return checkFail("Serviço " + d + " não cadastrado na filial " + filial + ".");
    if (textOf(serv.rows[0][0]) == "F") return checkFail("O serviço " + d + " é somente de faturamento.");
    if (!ctx.db.query("SELECT 1 FROM CARDADIA WHERE CDFILIAL = :F AND CDSERVFILI = :S LIMIT 1", chave).rows.empty())
      return checkFail("O serviço " + d + " tem cardápio planejado; sua configuração não pode ser substituída.");
    if (!excluiEmbalagens && existeDistribuicaoOuRestricao(ctx.db, filial, d))
      return checkFail("O serviço " + d +
                       " tem distribuição ou restrição de embalagens, que a exportação exclui;"
                       " confirme a exclusão para exportar.");
    ctx.db.exec("DELETE FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave);
    for (std::vector<Variant> l : linhas.rows) {
      l[static_cast<size_t>(cServ)] = Variant(d);
      std::string nomes, marcas;
      db::Params p;
      for (size_t i = 0; i < linhas.columns.size(); ++i) {
        nomes += (i ? ", " : "") + linhas.columns[i].name;
        marcas += (i ? ", :P" : ":P") + std::to_string(i);
        p.push_back({"P" + std::to_string(i), l[i]});
      }
      ctx.db.exec("INSERT INTO CNFCARD (" + nomes + ") VALUES (" + marcas + ")", p);
    }
  }
  return checkOk(Variant(static_cast<long long>(feitos.size())));
}

}  // namespace

void registerExportMethods(Registry& r) {
  r.add({kCadastroServ, "SetExpComens", "ssss", {0, 1, 2, 3}, true, setExpComens, 0, true});
  r.add({kCadastroServ, "SetComensCardapio", "ssd", {}, true, setComensCardapio, 0, true});
  r.add({kCadastroServ, "ExportaConfPadrao", "ssss", {}, true, exportaConfPadrao, 0, true});
}

}  // namespace cad::appserver
