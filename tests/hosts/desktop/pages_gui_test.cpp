// The main screen's data pages rendered by the desktop renderer on demo data, one table row per
// page (the service list, shifts, diners, costs, clients, packages): its grids show the demo rows
// as the screen formats them, a row clicked as a person does brings its own detail, and each page
// is saved as a screenshot (gui-main-<page>-<service>.png in the build folder) for a person to
// look at. The configuration page also draws its weekday flags as check images and toggles one by
// a double click. (The branch typed with Qt keys is in the first-steps walk, first_steps_gui_test.cpp.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <functional>

#include "hosts/desktop/widgets.h"
#include "service_screen/pages/comensais.h"
#include "service_screen/pages/confcard.h"
#include "service_screen/pages/custpadr.h"
#include "service_screen/pages/embalagens.h"
#include "service_screen/pages/pontentr.h"
#include "service_screen/pages/turnos.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class PagesGui : public ScreenGuiTest {
 protected:
  using F = TfrmCadastroServ;
  using Grade = std::function<TControl&(F&)>;
  static Grade Em(TDBGrid* F::*g) {
    return [g](F& f) -> TControl& { return *(f.*g); };
  }
  // A grid of the page object of class P.
  template <class P, class C>
  static Grade Em(TDBGrid* C::*g) {
    return [g](F& f) -> TControl& { return *(f.Pagina<P>().*g); };
  }
  struct Pagina {
    const char* filial;
    const char* menu;  // the page's menu item without "mnu"
    const char* servico;
    std::vector<std::pair<Grade, int>> grades;  // each grid shown with its number of rows
    int col;                                    // the first grid's first row: its text in `col`
    const char* primeira;
    int clica;  // the row of the first grid clicked (-1: none), and the detail the page then shows
    std::function<QString(F&)> detalhe;
    const char* esperado;
  };
  void Verifica(const Pagina& p) {
    auto& f = AbrePagina(p.filial, 1, ("mnu" + std::string(p.menu)).c_str());
    ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), p.servico);
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    for (const auto& [g, n] : p.grades) {
      auto* view = Widget<QTableView>(g(f));
      ASSERT_NE(view, nullptr);
      EXPECT_TRUE(view->isVisible());
      EXPECT_EQ(view->model()->rowCount(), n) << g(f).Name();
    }
    if (!p.grades.empty()) {
      EXPECT_EQ(Celula(p.grades.front().first(f), 0, p.col), QString::fromUtf8(p.primeira));
    }
    if (p.clica >= 0) {
      auto* view = Widget<QTableView>(p.grades.front().first(f));
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                        view->visualRect(view->model()->index(p.clica, 1)).center());
      QApplication::processEvents();
    }
    if (p.detalhe) {
      EXPECT_EQ(p.detalhe(f), QString::fromUtf8(p.esperado));
    }
    Salva(f, ("gui-main-" + std::string(p.menu) + "-" + p.servico + ".png").c_str());
    Ok(UserActions::CloseForm(f), "fechar");
  }
};

// One row per page (a corporate service's diners show on the page's default panel).
TEST_P(PagesGui, EachPageShowsItsDemoRowsAndTheClickedRowsDetail) {
  using C = PagCustPadr;
  using P = PagPontEntr;
  using E = PagEmbalagens;
  auto edit = [this](TDBEdit* PagComensais::*e) {
    return [this, e](F& f) { return Widget<QLineEdit>(*(f.Pagina<PagComensais>().*e))->text(); };
  };
  auto total = edit(&PagComensais::dbeCSeg), figura = edit(&PagComensais::dbeCliSeg);
  auto tipo = [this](F& f) { return Celula(*f.Pagina<C>().dbgCustPadrTp, 0, 1); };
  auto nome = [this](F& f) { return Celula(*f.Pagina<P>().dbgPontEntr, 0, 0); };
  Grade lista = Em(&F::dbgPadrao), turnos = Em<PagTurnos>(&PagTurnos::dbgTurno);
  Grade dietas = Em<PagComensais>(&PagComensais::dbgDieta), meses = Em<C>(&C::dbgCustPadr);
  Grade tipos = Em<C>(&C::dbgCustPadrTp), clis = Em<P>(&P::dbgCliente), pontos = Em<P>(&P::dbgPontEntr);
  Grade pacotes = Em<E>(&E::dbgDistrEmb), porTipo = Em<E>(&E::dbgDistrTpPrat);
  Grade linhas = Em<E>(&E::dbgDistrEmbTpPrat);
  const Pagina paginas[] = {
      {"0001", "FolhaDados", "00001", {{lista, 4}}, 1, "Almoço", -1, nullptr, ""},
      {"0001", "Turnos", "00001", {{turnos, 2}}, 2, "207", -1, nullptr, ""},
      {"0001", "Comens", "00001", {}, 0, "", -1, total, "300"},
      {"0001", "CustPadr", "00001", {{meses, 6}, {tipos, 7}}, 1, "18,50000", 3, tipo, "2,12000"},
      {"0003", "Comens", "00010", {{dietas, 6}}, 1, "Dieta Geral", 1, figura, "25"},
      {"0001", "PontEntr", "00001", {{clis, 2}, {pontos, 2}}, 0, "33.444.555/0001-81", 1, nome, "Refeitório Bloco B"},
      {"0001", "Embalagens", "00001", {{pacotes, 2}, {porTipo, 2}, {linhas, 5}}, 0, "MX08", -1, nullptr, ""},
  };
  for (const Pagina& p : paginas) {
    SCOPED_TRACE(std::string(p.filial) + " " + p.menu);
    Verifica(p);
  }
}

TEST_P(PagesGui, TheRestrictionsSubPageListsItsOrderedPackages) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  auto& e = f.Pagina<PagEmbalagens>();
  ASSERT_TRUE(UserActions::SelectPage(*e.tshRestricoes).ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  ASSERT_NE(Widget<QTableView>(*e.dbgRestricoes), nullptr);
  EXPECT_TRUE(Widget<QTableView>(*e.dbgRestricoes)->isVisible());
  EXPECT_EQ(Widget<QTableView>(*e.dbgRestricoes)->model()->rowCount(), 2);
  EXPECT_EQ(Celula(*e.dbgRestricoes, 0, 0), "GN11");
  EXPECT_EQ(Widget<QTableView>(*e.dbgRestTpPrat)->model()->rowCount(), 8);
  Salva(f, "gui-main-embalagens-restricoes.png");
}

TEST_P(PagesGui, ConfigurationDrawsWeekdayChecksAndADoubleClickTogglesOne) {
  Exec("UPDATE PARAMGERAL SET IDUTCARDPADR = 'S'");
  auto& f = AbrePagina("0002", 1, "mnuConfCard");
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  auto* grid = Widget<QTableView>(*c.stgCard);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 9);
  EXPECT_EQ(Celula(*c.stgCard, 1, 1), "01");
  // The variable line's Saturday is drawn as an unchecked image, its Monday as a checked one.
  auto images = [&](int col, int row) {
    std::string s;
    for (const DrawItem& d : c.stgCard->RenderCell(col, row))
      if (d.kind == DrawItem::Kind::Image) s += d.text;
    return s;
  };
  EXPECT_EQ(images(15, 7), c.imgUnChecked->Picture());
  EXPECT_EQ(images(10, 7), c.imgChecked->Picture());
  EXPECT_EQ(images(10, 1), "") << "a line that is not variable shows no weekday";

  grid->scrollTo(grid->model()->index(7, 15));
  QApplication::processEvents();
  QRect cell = grid->visualRect(grid->model()->index(7, 15));
  ASSERT_TRUE(grid->viewport()->rect().contains(cell.center()));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  EXPECT_EQ(c.stgCard->Cells(15, 7), "Sim");
  EXPECT_TRUE(f.sbtConfirmar->Enabled());
  Salva(f, "gui-main-confcard.png");
}

INSTANTIATE_TEST_SUITE_P(Db, PagesGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
