// The automatic standard-cost maintenance rendered by the desktop renderer as a modal window: the
// services of branch 0001 loaded for alteration over two months, every row marked through the mark
// column's title, and the window saved as a screenshot (gui-cadaauto.png in the build folder) for a
// person to look at before it is closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTableView>
#include <QTimer>

#include "hosts/desktop/renderer.h"
#include "side_screens/cadaauto/cadaauto.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class CadaAutoGui : public ScreenGuiTest {};

TEST_P(CadaAutoGui, RowsOfTheBranchMarkedForAlteration) {
  bool rodou = false;
  QTimer::singleShot(0, [&] {
    auto* f = dynamic_cast<TfrmCadaAutoServico*>(Application().FindForm("frmCadaAutoServico"));
    ASSERT_NE(f, nullptr);
    rodou = true;
    Ok(UserActions::Click(*f->rbtListaFili), "filiais: lista");
    lookups().QueueMultiPick({"0001"});
    Ok(UserActions::Click(*f->btnFilial), "lista de filiais");
    Ok(UserActions::Click(*f->rbtAlterar), "alterar");
    Ok(UserActions::Click(*f->rbtPercent), "percentual");
    Ok(UserActions::Focus(*f->depDataDe), "data inicial");
    Ok(UserActions::SetText(*f->depDataDe, "01/01/2027"), "data inicial");
    Ok(UserActions::Focus(*f->depDataAte), "data final");
    Ok(UserActions::SetText(*f->depDataAte, "28/02/2027"), "data final");
    Ok(UserActions::Focus(*f->nedValPer), "percentual");
    Ok(UserActions::SetText(*f->nedValPer, "5"), "percentual");
    Ok(UserActions::Focus(*f->dbgCustPadrManu), "grade");
    Ok(UserActions::TitleClick(*f->dbgCustPadrManu, 0), "marcar todas");
    renderer->sync();
    QApplication::processEvents();
    auto* grade = dynamic_cast<QTableView*>(renderer->widgetOf(*f->dbgCustPadrManu));
    EXPECT_NE(grade, nullptr);
    if (grade) {
      EXPECT_TRUE(grade->isVisible());
      EXPECT_EQ(grade->model()->rowCount(), 3);
      EXPECT_EQ(grade->model()->index(0, 3).data().toString(), QString::fromUtf8("Central São Paulo"));
    }
    EXPECT_TRUE(f->sbtCancel->Enabled());
    EXPECT_TRUE(Texts().empty()) << Texts().front();
    Salva(*f, "gui-cadaauto.png");
    dialogs().Answer(mrYes);  // give up the marks
    Ok(UserActions::Click(*f->sbtSair), "fechar");
  });
  CallEntry("GER04100", "CriaCAutoCPadrao");
  EXPECT_TRUE(rodou);
  EXPECT_EQ(FindScreen("TfrmCadaAutoServico"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Db, CadaAutoGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
