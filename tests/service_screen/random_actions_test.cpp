// Random user sessions on the main screen: rapidcheck generates sequences of user actions (page
// menus and tab sheets, include, alter, cancel, confirm and verify with either answer to each
// question, the navigator, grid row clicks and double clicks, Escape, Tab, typing valid and invalid
// values into an edit or grid of the page) and replays them through the dispatcher on the demo
// database, checking after every action:
//  - nothing typed, nothing stored changes (the totals a shift or point save derives aside: see
//    the README of the screen);
//  - a Cancel that ends an edit in which nothing was saved on the way leaves the data as it was
//    before the Alter or Include;
//  - a Verify on a page that is not being edited shows what the page showed before (the page
//    showed what is stored);
//  - a Confirm that ends the edit stored what the page shows (a Verify right after shows the same);
//    one that keeps the edit said why and still shows what the user typed;
//  - no dialog shows a bare message key or an internal error.
// A failing sequence, once shrunk, is kept below as a named regression case that replays it.
//
// Cases, size and seed come from the environment so CI runs a bounded, repeatable number:
// CADSERV_RC_CASES (default 25), CADSERV_RC_SIZE (most actions in a case, default 40) and
// CADSERV_RC_SEED (a number, or "random").
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/framework/services.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "service_screen/pages/comensais.h"
#include "service_screen/pages/confcard.h"
#include "service_screen/pages/custpadr.h"
#include "service_screen/pages/embalagens.h"
#include "service_screen/pages/pontentr.h"
#include "service_screen/pages/turnos.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

// ---------------------------------------------------------------- actions

enum class Tipo : int {
  Menu,
  Aba,
  Incluir,
  Alterar,
  Cancelar,
  Confirmar,
  Verificar,
  Navegar,
  Linha,
  Escape,
  Tab,
  Digitar,
  Duplo
};
constexpr const char* kNomesTipo[] = {"Menu",    "Aba",   "Incluir", "Alterar", "Cancelar", "Confirmar", "Verificar",
                                      "Navegar", "Linha", "Escape",  "Tab",     "Digitar",  "Duplo"};

// One user action. `a` and `b` pick what it acts on (a menu, a grid and its row, a value to
// type); `sim` answers the questions it raises, in order (positive: Yes/OK; the last repeats).
struct Acao {
  Tipo tipo = Tipo::Menu;
  int a = 0, b = 0;
  std::vector<bool> sim;
};

void showValue(const Acao& x, std::ostream& os) {
  os << "{Tipo::" << kNomesTipo[static_cast<int>(x.tipo)] << ", " << x.a << ", " << x.b << ", {";
  for (size_t i = 0; i < x.sim.size(); ++i) os << (i ? ", " : "") << (x.sim[i] ? "true" : "false");
  os << "}}";
}

constexpr const char* kMenus[] = {"mnuConfCard", "mnuCustPadr", "mnuTurnos",
                                  "mnuComens",   "mnuPontEntr", "mnuEmbalagens"};
// Values typed: valid and invalid numbers, dates, codes, texts longer than any column.
const std::vector<std::string> kValores = {
    "1",     "0",  "12,5", "1.5", "1,2,3",      "-4",         "999999999999",   "abc",
    "00002", "01", "T",    "X",   "31/12/2026", "01/13/2026", "Teste de texto", std::string(70, 'w'),
    ""};

// ---------------------------------------------------------------- dialogs answered by the case

// Answers each question as the action says (positive: Yes, else OK; negative: No, else Cancel)
// and keeps every dialog shown.
class Respostas : public IDialogs {
 public:
  std::vector<bool> sim;
  size_t proxima = 0;
  std::vector<DialogRequest> vistos;

  int Show(const DialogRequest& r) override {
    vistos.push_back(r);
    auto tem = [&](TMsgDlgButtons b) { return (r.buttons & b) != 0; };
    bool s = sim.empty() ? true : sim[std::min(proxima, sim.size() - 1)];
    ++proxima;
    if (s && tem(mbYes)) return mrYes;
    if (s && tem(mbOK)) return mrOk;
    if (!s && tem(mbNo)) return mrNo;
    if (!s && tem(mbCancel)) return mrCancel;
    if (tem(mbOK)) return mrOk;
    if (tem(mbYes)) return mrYes;
    return mrCancel;
  }
};

// Texts a user must never read: framework failures that only mean a handler went wrong.
constexpr const char* kInternos[] = {"conjunto de dados",
                                     "Resposta inesperada",
                                     "Campo '",
                                     "Expressão de filtro",
                                     "Não é possível focar",
                                     "Nenhum roteiro",
                                     "Índice de campo",
                                     "Valor do tipo",
                                     "Layout:",
                                     "std::",
                                     "Registro não encontrado"};

// ---------------------------------------------------------------- stored data

// The tables the screen writes (its pages' data), each dumped as sorted rows of texts.
constexpr const char* kTabelas[] = {"SERVICO",        "SERVFATU",     "CNFCARD",       "CUSTPADR",
                                    "CUSTPADRTP",     "TURNOSERV",    "DIETSERV",      "DESTSRVCLI",
                                    "CNFDISTEMBSERV", "CNFDISTEMBTP", "RESTEMBTPPRAT", "RESTEMBCONT"};
// Service columns a save of shifts or points derives (the estimated diners per day): they may
// change without typing when the user confirms what a page offers.
bool Derivada(const std::string& tabela, const std::string& coluna) {
  return tabela == "SERVICO" && coluna.rfind("QTCOMEST", 0) == 0;
}

using Foto = std::map<std::string, std::vector<std::string>>;

// The lines of two page views that differ, side by side.
std::string Linhas(const std::string& antes, const std::string& depois) {
  auto parte = [](const std::string& t) {
    std::vector<std::string> v;
    std::istringstream is(t);
    for (std::string l; std::getline(is, l);) v.push_back(l);
    return v;
  };
  std::vector<std::string> a = parte(antes), b = parte(depois);
  std::string d;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string x = i < a.size() ? a[i] : "", y = i < b.size() ? b[i] : "";
    if (x != y) d += "  antes:  " + x + "\n  depois: " + y + "\n";
  }
  return d;
}

// The differences between two dumps (a few rows of each table), "" when equal.
std::string Diferenca(const Foto& antes, const Foto& depois) {
  std::string d;
  for (const auto& [tabela, linhas] : antes) {
    const auto& outras = depois.at(tabela);
    if (linhas == outras) continue;
    std::vector<std::string> sai, entra;
    std::set_difference(linhas.begin(), linhas.end(), outras.begin(), outras.end(), std::back_inserter(sai));
    std::set_difference(outras.begin(), outras.end(), linhas.begin(), linhas.end(), std::back_inserter(entra));
    d += tabela + ":";
    for (size_t i = 0; i < std::min<size_t>(sai.size(), 3); ++i) d += "\n  - " + sai[i];
    for (size_t i = 0; i < std::min<size_t>(entra.size(), 3); ++i) d += "\n  + " + entra[i];
    d += "\n";
  }
  return d;
}

// ---------------------------------------------------------------- the fixture

class RandomActionsTest : public CadastroServTest {
 protected:
  // The stored rows of the tables above; `mascara` leaves out the derived columns.
  Foto Guardado(bool mascara) {
    Foto f;
    for (const char* t : kTabelas) {
      db::ResultSet rs = Sql(std::string("SELECT * FROM ") + t);
      auto& linhas = f[t];
      for (const auto& row : rs.rows) {
        std::string s;
        for (size_t i = 0; i < row.size(); ++i) {
          if (mascara && Derivada(t, rs.columns[i].name)) continue;
          s += (row[i].isNull() ? std::string("-") : row[i].asString()) + "|";
        }
        linhas.push_back(s);
      }
      std::sort(linhas.begin(), linhas.end());
    }
    return f;
  }

  // What the active page shows: the rows of its datasets, or the configuration grid's cells.
  std::string Mostrado(TfrmCadastroServ& f) {
    auto& form = f.Pagina<PagServico>();
    std::ostringstream os;
    TTabSheet* p = f.pgcPadrao->ActivePage();
    std::vector<DataSet*> ds;
    if (p == f.tshFolhaDados || p == f.tshFormulario) ds = {f.cdsServico, form.cdsServFatu};
    if (p == f.tshCustPadr) {
      auto& custo = f.Pagina<PagCustPadr>();
      ds = {custo.cdsCustPadr, custo.cdsCustPadrTp};
    }
    if (p == f.tshTurnos) ds = {f.Pagina<PagTurnos>().cdsTurno};
    auto& pe = f.Pagina<PagPontEntr>();
    auto& em = f.Pagina<PagEmbalagens>();
    if (p == f.tshPontEntr) ds = {pe.cdsCliente, pe.cdsPEntClie};
    if (p == f.tshEmbalagens) ds = {em.cdsDistrEmb, em.cdsRestricoes};
    for (DataSet* d : ds) {
      if (!d->Active()) continue;
      os << d->Name << ":";
      for (int i = 0; i < d->DisplayCount(); ++i)
        d->ReadRow(i, [&] {
          os << "\n ";
          for (int c = 0; c < d->FieldCount(); ++c) os << d->Fields(c).DisplayText() << "|";
        });
      os << "\n";
    }
    if (p == f.tshConfCard) {
      const TStringGrid& conf = *f.Pagina<PagConfCard>().stgCard;
      for (int r = 1; r < conf.RowCount(); ++r) {
        for (int c = 0; c < conf.ColCount(); ++c) os << conf.Cells(c, r) << "|";
        os << "\n";
      }
    }
    return os.str();
  }

  static bool Editando(TfrmCadastroServ& f) { return f.mnuConfirmar->Enabled() || f.sbtConfirmar->Enabled(); }

  // Runs the action; the result as the dispatcher gave it (refused when there was nothing to do).
  ActionResult Executa(TfrmCadastroServ& f, const Acao& x) {
    auto& form = f.Pagina<PagServico>();
    auto menu = [&](const std::string& nome) { return UserActions::MenuItem(f, nome); };
    auto foco = [&]() -> TControl* { return f.ActiveControl(); };
    auto& pe = f.Pagina<PagPontEntr>();
    auto& em = f.Pagina<PagEmbalagens>();
    switch (x.tipo) {
      case Tipo::Menu: return menu(kMenus[x.a % 6]);
      case Tipo::Aba: {
        TTabSheet* abas[] = {f.tshFolhaDados, f.tshFormulario, f.tshConfCard,   f.tshCustPadr,      f.tshTurnos,
                             f.tshComensais,  f.tshPontEntr,   f.tshEmbalagens, em.tshDistribuicao, em.tshRestricoes};
        return UserActions::SelectPage(*abas[x.a % 10]);
      }
      case Tipo::Incluir: return UserActions::Click(*f.sbtIncluir);
      case Tipo::Alterar: return UserActions::Click(*f.sbtAlterar);
      case Tipo::Cancelar: return UserActions::Click(*f.sbtCancelar);
      case Tipo::Confirmar: return UserActions::Click(*f.sbtConfirmar);
      case Tipo::Verificar: return UserActions::Click(*f.sbtVerificar);
      case Tipo::Navegar: {
        TNavigateBtn b[] = {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast};
        return UserActions::Navigate(*f.dbnPadrao, b[x.a % 4]);
      }
      case Tipo::Linha: {
        TCustomGrid* grades[] = {f.dbgPadrao,
                                 f.Pagina<PagConfCard>().stgCard,
                                 f.Pagina<PagCustPadr>().dbgCustPadr,
                                 f.Pagina<PagCustPadr>().dbgCustPadrTp,
                                 f.Pagina<PagTurnos>().dbgTurno,
                                 f.Pagina<PagComensais>().dbgDieta,
                                 pe.dbgCliente,
                                 pe.dbgPontEntr,
                                 form.dbgServFatu,
                                 em.dbgDistrEmb,
                                 em.dbgRestTpPrat};
        TCustomGrid& g = *grades[x.a % 11];
        int linhas = g.RowCount() - 1;
        if (linhas < 1) return {ActionResult::Status::Refused, "grade vazia"};
        return UserActions::SelectCell(g, std::max(0, std::min(x.b % 3, g.ColCount() - 1)), 1 + x.b % linhas);
      }
      case Tipo::Escape:
        if (!foco()) return {ActionResult::Status::Refused, "sem foco"};
        return UserActions::Key(*foco(), "Escape");
      case Tipo::Tab:
        if (!foco()) return {ActionResult::Status::Refused, "sem foco"};
        return UserActions::Key(*foco(), "Tab");
      case Tipo::Digitar: {
        // Into one of the page's edits or grids (the user clicks it first), else where the focus is.
        std::vector<TControl*> editores;
        std::function<void(TControl*)> junta = [&](TControl* c) {
          if ((dynamic_cast<TCustomEdit*>(c) || dynamic_cast<TCustomGrid*>(c)) && c->CanFocus()) editores.push_back(c);
          for (TControl* filho : c->Controls()) junta(filho);
        };
        if (f.pgcPadrao->ActivePage()) junta(f.pgcPadrao->ActivePage());
        TControl* alvo = editores.empty() ? foco() : editores[static_cast<size_t>(x.a) % editores.size()];
        if (!alvo) return {ActionResult::Status::Refused, "sem foco"};
        return UserActions::Type(*alvo, kValores[static_cast<size_t>(x.b) % kValores.size()]);
      }
      case Tipo::Duplo:
        if (!foco() || !dynamic_cast<TCustomGrid*>(foco())) return {ActionResult::Status::Refused, "sem grade"};
        return UserActions::DblClick(*foco());
    }
    return {ActionResult::Status::Refused, "?"};
  }

  // Replays a session on the branch `filial`; the first property that fails, "" when all hold.
  std::string Sessao(const std::string& filial, const std::vector<Acao>& acoes) {
    auto respostas = std::make_shared<Respostas>();
    InstallHostServices({respostas, nullptr, nullptr, nullptr});
    TfrmCadastroServ& f = Abre();
    if (!UserActions::SetText(*f.medCdFilial, filial).ok()) return "a filial não pôde ser digitada";
    UserActions::Key(*f.medCdFilial, "Tab");
    UserActions::Focus(*f.dbgPadrao);

    Foto antes = Guardado(true), inicioEdicao = Guardado(false);
    bool digitado = false, salvouNaEdicao = false;
    for (size_t n = 0; n < acoes.size(); ++n) {
      const Acao& x = acoes[n];
      std::string onde = "ação " + std::to_string(n + 1) + " (" + kNomesTipo[static_cast<int>(x.tipo)] + "): ";
      bool editava = Editando(f);
      std::string mostrado = Mostrado(f);
      respostas->sim = x.sim;
      respostas->proxima = 0;
      size_t dialogos = respostas->vistos.size();
      ActionResult r = Executa(f, x);
      Application().FlushReleased();
      if (std::getenv("CADSERV_RC_TRACE"))
        std::cerr << onde << ActionResult::statusName(r.status) << " " << r.message << " | página "
                  << (f.pgcPadrao->ActivePage() ? f.pgcPadrao->ActivePage()->Name() : "-") << ", foco "
                  << (f.ActiveControl() ? f.ActiveControl()->Name() : "-") << (Editando(f) ? ", editando" : "") << "\n";
      bool edita = Editando(f);

      for (size_t i = dialogos; i < respostas->vistos.size(); ++i) {
        const DialogRequest& d = respostas->vistos[i];
        if (d.text.empty() || d.text.find_first_of(" \n") == std::string::npos)
          return onde + "diálogo com uma chave sem texto: \"" + d.text + "\"";
        for (const char* interno : kInternos)
          if (d.text.find(interno) != std::string::npos) return onde + "erro interno mostrado: \"" + d.text + "\"";
      }

      if ((x.tipo == Tipo::Digitar || x.tipo == Tipo::Duplo) && !r.refused()) digitado = true;
      if (!editava && edita) {
        inicioEdicao = Guardado(false);
        salvouNaEdicao = false;
      }
      bool podeSalvar = x.tipo == Tipo::Confirmar || x.tipo == Tipo::Navegar || x.tipo == Tipo::Linha ||
                        x.tipo == Tipo::Menu || x.tipo == Tipo::Aba || x.tipo == Tipo::Tab || x.tipo == Tipo::Escape;
      Foto agora = Guardado(true);
      if (!digitado) {
        std::string d = Diferenca(antes, agora);
        if (!d.empty()) return onde + "sem nada digitado, os dados guardados mudaram:\n" + d;
      } else if (editava && podeSalvar) {
        salvouNaEdicao = true;
      }
      if (x.tipo == Tipo::Cancelar && editava && !edita && !salvouNaEdicao) {
        std::string d = Diferenca(inicioEdicao, Guardado(false));
        if (!d.empty()) return onde + "Cancelar não deixou os dados como antes da edição:\n" + d;
      }
      if (x.tipo == Tipo::Verificar && !editava && r.ok()) {
        std::string depois = Mostrado(f);
        if (depois != mostrado) return onde + "a página mostrava o que não está guardado:\n" + Linhas(mostrado, depois);
      }
      if (x.tipo == Tipo::Confirmar && editava && r.status != ActionResult::Status::Refused) {
        if (edita) {
          if (respostas->vistos.size() == dialogos && r.ok()) return onde + "Confirmar não gravou e não disse por quê";
        } else if (f.sbtVerificar->Enabled()) {
          std::string gravado = Mostrado(f);
          respostas->sim = {true};
          UserActions::Click(*f.sbtVerificar);
          std::string depois = Mostrado(f);
          if (depois != gravado)
            return onde + "depois de Confirmar a página não mostra o que foi gravado:\n" + Linhas(gravado, depois);
        }
      }
      if (!edita && !EmEdicaoAlguma(f)) {
        digitado = false;
        antes = Guardado(true);
      } else {
        antes = agora;
      }
    }
    return {};
  }

  static bool EmEdicaoAlguma(TfrmCadastroServ& f) {
    auto& custo = f.Pagina<PagCustPadr>();
    for (DataSet* d :
         {static_cast<DataSet*>(f.cdsServico), static_cast<DataSet*>(custo.cdsCustPadr),
          static_cast<DataSet*>(custo.cdsCustPadrTp), static_cast<DataSet*>(f.Pagina<PagTurnos>().cdsTurno),
          static_cast<DataSet*>(f.Pagina<PagPontEntr>().cdsCliente),
          static_cast<DataSet*>(f.Pagina<PagPontEntr>().cdsPEntClie)})
      if (d->Active() && (d->State() == DataSetState::Edit || d->State() == DataSetState::Insert)) return true;
    return false;
  }

  // Starts every case on a fresh database.
  void NovoCaso() {
    TearDown();
    SetUp();
  }
};

rc::Gen<Acao> GeraAcao() {
  return rc::gen::build<Acao>(
      rc::gen::set(&Acao::tipo, rc::gen::weightedElement<Tipo>({{3, Tipo::Menu},
                                                                {2, Tipo::Aba},
                                                                {1, Tipo::Incluir},
                                                                {3, Tipo::Alterar},
                                                                {2, Tipo::Cancelar},
                                                                {3, Tipo::Confirmar},
                                                                {2, Tipo::Verificar},
                                                                {2, Tipo::Navegar},
                                                                {3, Tipo::Linha},
                                                                {1, Tipo::Escape},
                                                                {2, Tipo::Tab},
                                                                {4, Tipo::Digitar},
                                                                {1, Tipo::Duplo}})),
      // Indices over the whole range at every size (inRange alone scales with the size: a session of
      // 40 actions would only ever reach the first five menus, pages and grids); shrinking still
      // moves them towards 0.
      rc::gen::set(&Acao::a, rc::gen::resize(100, rc::gen::inRange(0, 12))),
      rc::gen::set(&Acao::b, rc::gen::resize(100, rc::gen::inRange(0, 60))),
      rc::gen::set(&Acao::sim, rc::gen::container<std::vector<bool>>(2, rc::gen::arbitrary<bool>())));
}

int Ambiente(const char* nome, int padrao) {
  const char* v = std::getenv(nome);
  return v && *v ? std::atoi(v) : padrao;
}

}  // namespace

TEST_P(RandomActionsTest, NoSessionLosesOrChangesStoredDataUnasked) {
  rc::detail::TestParams params;
  const char* semente = std::getenv("CADSERV_RC_SEED");
  params.seed = semente && std::string(semente) == "random" ? std::random_device{}()
                : semente && *semente                       ? std::strtoull(semente, nullptr, 10)
                                                            : 20261207;
  params.maxSuccess = Ambiente("CADSERV_RC_CASES", 25);
  params.maxSize = Ambiente("CADSERV_RC_SIZE", 40);
  std::cerr << "random actions: seed " << params.seed << ", " << params.maxSuccess << " cases of at most "
            << params.maxSize << " actions\n";
  auto resultado = rc::detail::checkTestable(
      [this] {
        std::string filial = *rc::gen::element(std::string("0001"), std::string("0003"));
        auto acoes = *rc::gen::container<std::vector<Acao>>(GeraAcao());
        NovoCaso();
        std::string falha = Sessao(filial, acoes);
        RC_ASSERT(falha == std::string());
      },
      rc::detail::TestMetadata{}, params);
  rc::detail::FailureResult falha;
  if (resultado.match(falha)) {
    std::ostringstream os;
    rc::detail::printResultMessage(resultado, os);
    ADD_FAILURE() << os.str();
  }
}

// ---------------------------------------------------------------- sequences found before

// The standard-cost page's Cancel redrew the configuration grid without names; the configuration
// page then counted as loaded, and its save stored no line at all.
TEST_P(RandomActionsTest, CostCancelBeforeTheConfigurationPageKeepsTheConfiguration) {
  EXPECT_EQ(Sessao("0001", {{Tipo::Menu, 1, 0, {}},
                            {Tipo::Linha, 2, 4, {}},
                            {Tipo::Alterar, 0, 0, {}},
                            {Tipo::Cancelar, 0, 0, {true}},
                            {Tipo::Menu, 0, 0, {}},
                            {Tipo::Alterar, 0, 0, {}},
                            {Tipo::Confirmar, 0, 0, {true}}}),
            "");
}

// Outside standard-menu mode the hidden "Visualiza" flags were saved as "N".
TEST_P(RandomActionsTest, ConfirmingAnUntouchedConfigurationKeepsItsHiddenFlags) {
  EXPECT_EQ(Sessao("0001", {{Tipo::Menu, 0, 0, {}}, {Tipo::Alterar, 0, 0, {}}, {Tipo::Confirmar, 0, 0, {true}}}), "");
}

// Moving from the form to the list while the service was edited switched the commands to browsing:
// Confirm went off and a Verify dropped what was typed.
TEST_P(RandomActionsTest, TheListPageKeepsAnOpenEditOfTheService) {
  EXPECT_EQ(Sessao("0003", {{Tipo::Navegar, 3, 0, {false}},
                            {Tipo::Alterar, 0, 0, {false}},
                            {Tipo::Digitar, 0, 0, {false}},
                            {Tipo::Aba, 0, 0, {false}},
                            {Tipo::Verificar, 0, 0, {false}}}),
            "");
}

// A cancelled include left the form showing the previous service without its billing services.
TEST_P(RandomActionsTest, ACancelledIncludeShowsThePreviousServiceWhole) {
  EXPECT_EQ(Sessao("0001", {{Tipo::Incluir, 0, 0, {false}},
                            {Tipo::Cancelar, 0, 0, {true}},
                            {Tipo::Alterar, 0, 0, {false}},
                            {Tipo::Confirmar, 0, 0, {false}}}),
            "");
}

// A cancelled new month left the dish-type grid filtered to that month: empty.
TEST_P(RandomActionsTest, ACancelledNewMonthShowsThePreviousMonthsDishTypes) {
  EXPECT_EQ(Sessao("0003", {{Tipo::Menu, 1, 0, {}},
                            {Tipo::Tab, 0, 0, {}},
                            {Tipo::Incluir, 0, 0, {}},
                            {Tipo::Cancelar, 0, 0, {true}},
                            {Tipo::Verificar, 0, 0, {}}}),
            "");
}

CADSERV_SCREEN_SUITE(RandomActionsTest);

}  // namespace cad::test
