// The main screen's data pages rendered by the desktop renderer on demo data, one table row per
// page (the service list, shifts, diners, costs, clients, packages): its grids show the demo rows
// as the screen formats them, a row clicked as a person does brings its own detail, and each page
// is saved as a screenshot (gui-main-<page>.png in the build folder) for a person to look at. The
// configuration page also draws its weekday flags as check images and toggles one by a double
// click. (The branch typed with Qt keys is in the first-steps walk, first_steps_gui_test.cpp.)
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
    const char* menu;
    const char* servico;
    std::vector<std::pair<Grade, int>> grades;  // each grid shown with its number of rows
    int col;                                    // the first grid's first row: its text in `col`
    const char* primeira;
    int clica;  // the row of the first grid clicked (-1: none), and the detail the page then shows
    std::function<QString(F&)> detalhe;
    const char* esperado;
    const char* png;
  };
  void Verifica(const Pagina& p) {
    auto& f = AbrePagina(p.filial, 1, p.menu);
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
    Salva(f, p.png);
  }
};

TEST_P(PagesGui, TheBranchsServiceList) {
  Verifica(
      {"0001", "mnuFolhaDados", "00001", {{Em(&F::dbgPadrao), 4}}, 1, "Almoço", -1, nullptr, "", "gui-main-list.png"});
}

TEST_P(PagesGui, TheServicesShifts) {
  Verifica({"0001",
            "mnuTurnos",
            "00001",
            {{[](F& f) -> TControl& { return *f.Pagina<PagTurnos>().dbgTurno; }, 2}},
            2,
            "207",
            -1,
            nullptr,
            "",
            "gui-main-turnos.png"});
}

// A corporate service's estimated diners on the page's default panel.
TEST_P(PagesGui, ACorporateServicesDiners) {
  Verifica({"0001",
            "mnuComens",
            "00001",
            {},
            0,
            "",
            -1,
            [this](F& f) { return Widget<QLineEdit>(*f.Pagina<PagComensais>().dbeCSeg)->text(); },
            "300",
            "gui-main-comensais.png"});
}

TEST_P(PagesGui, CostMonthsAndTheClickedMonthsDishTypeSplit) {
  Verifica({"0001",
            "mnuCustPadr",
            "00001",
            {{[](F& f) -> TControl& { return *f.Pagina<PagCustPadr>().dbgCustPadr; }, 6},
             {[](F& f) -> TControl& { return *f.Pagina<PagCustPadr>().dbgCustPadrTp; }, 7}},
            1,
            "18,50000",
            3,
            [this](F& f) { return Celula(*f.Pagina<PagCustPadr>().dbgCustPadrTp, 0, 1); },
            "2,12000",
            "gui-main-custpadr.png"});
}

TEST_P(PagesGui, DietsAndTheClickedDietsFigures) {
  Verifica({"0003",
            "mnuComens",
            "00010",
            {{[](F& f) -> TControl& { return *f.Pagina<PagComensais>().dbgDieta; }, 6}},
            1,
            "Dieta Geral",
            1,
            [this](F& f) { return Widget<QLineEdit>(*f.Pagina<PagComensais>().dbeCliSeg)->text(); },
            "25",
            "gui-main-dieta.png"});
}

TEST_P(PagesGui, ClientsFormattedAndTheClickedClientsPoints) {
  Verifica({"0001",
            "mnuPontEntr",
            "00001",
            {{Em<PagPontEntr>(&PagPontEntr::dbgCliente), 2}, {Em<PagPontEntr>(&PagPontEntr::dbgPontEntr), 2}},
            0,
            "33.444.555/0001-81",
            1,
            [this](F& f) { return Celula(*f.Pagina<PagPontEntr>().dbgPontEntr, 0, 0); },
            "Refeitório Bloco B",
            "gui-main-pontentr.png"});
}

TEST_P(PagesGui, PackagesAndTheirDishTypeLists) {
  Verifica({"0001",
            "mnuEmbalagens",
            "00001",
            {{Em<PagEmbalagens>(&PagEmbalagens::dbgDistrEmb), 2},
             {Em<PagEmbalagens>(&PagEmbalagens::dbgDistrTpPrat), 2},
             {Em<PagEmbalagens>(&PagEmbalagens::dbgDistrEmbTpPrat), 5}},
            0,
            "MX08",
            -1,
            nullptr,
            "",
            "gui-main-embalagens.png"});
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
