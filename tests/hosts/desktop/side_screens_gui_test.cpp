// The side screens opened from the main screen by the desktop renderer: the copy dialog and the
// diet export dialog run as application-modal windows in a nested loop, show their lists, and are
// saved as screenshots (gui-copia-servico.png, gui-exp-com-diet.png, gui-historico.png in the
// build folder) for a person to look at before they are closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include "side_screens/copia/copiaservico.h"
#include "side_screens/expcomens/expcomdiet.h"
#include "side_screens/historico/historico.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class SideScreensGui : public ScreenGuiTest {};

TEST_P(SideScreensGui, CopyDialogIsAModalWindowWithItsDestinationList) {
  auto& f = AbrePagina("0001", 1, "mnuFolhaDados");
  bool visto = false;
  QTimer::singleShot(0, [&] {
    auto* c = dynamic_cast<TfrmCopiaServico*>(Application().FindForm("TfrmCopiaServico"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(renderer->window(*c)->windowModality(), Qt::ApplicationModal);
    Ok(UserActions::Focus(*c->edtCdGrupServ), "grupo");
    Ok(UserActions::SetText(*c->edtCdGrupServ, "001"), "grupo");
    Ok(UserActions::Focus(*c->edtCdServ), "serviço");
    Ok(UserActions::SetText(*c->edtCdServ, "00001"), "serviço");
    Ok(UserActions::Click(*c->sbtIncluir), "incluir");
    Ok(UserActions::Type(*c->dbgServico, "00004"), "código");
    Ok(UserActions::Key(*c->dbgServico, "Tab"), "nome");
    renderer->sync();
    QApplication::processEvents();
    auto* grade = dynamic_cast<QTableView*>(renderer->widgetOf(*c->dbgServico));
    ASSERT_NE(grade, nullptr);
    EXPECT_EQ(grade->model()->index(0, 1).data().toString(), QString::fromUtf8("Lanche da Tarde"));
    Salva(*c, "gui-copia-servico.png");
    visto = true;
    Ok(UserActions::Click(*c->sbtCancel), "cancelar");
  });
  Ok(UserActions::Click(*f.sbtCopiar), "copiar");
  EXPECT_TRUE(visto);
  EXPECT_EQ(OpenForms("TfrmCopiaServico"), 0);
}

TEST_P(SideScreensGui, DietExportDialogIsAModalWindowWithTheOtherDiets) {
  auto& f = AbrePagina("0003", 1, "mnuComens");
  bool visto = false;
  QTimer::singleShot(0, [&] {
    auto* d = dynamic_cast<TfrmExpComDiet*>(Application().FindForm("TfrmExpComDiet"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(renderer->window(*d)->windowModality(), Qt::ApplicationModal);
    Ok(UserActions::SelectCell(*d->dbgDieta, 1, 2), "marcar 0003");
    renderer->sync();
    QApplication::processEvents();
    auto* grade = dynamic_cast<QTableView*>(renderer->widgetOf(*d->dbgDieta));
    ASSERT_NE(grade, nullptr);
    EXPECT_EQ(grade->model()->rowCount(), 3);
    EXPECT_EQ(grade->model()->index(1, 0).data().toString(), QString("[X]"));
    Salva(*d, "gui-exp-com-diet.png");
    visto = true;
    Ok(UserActions::Click(*d->sbtCancel), "fechar");
  });
  Ok(UserActions::MenuItem(f, "mnuExpComDiet"), "exportar para outras dietas");
  EXPECT_TRUE(visto);
}

TEST_P(SideScreensGui, HistoryDialogIsAModalWindowOnTheCurrentService) {
  auto& f = AbrePagina("0001", 2, "mnuFolhaDados");
  bool visto = false;
  QTimer::singleShot(0, [&] {
    auto* h = dynamic_cast<TfrmHistorico*>(Application().FindForm("TfrmHistorico"));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(renderer->window(*h)->windowModality(), Qt::ApplicationModal);
    renderer->sync();
    QApplication::processEvents();
    EXPECT_EQ(Widget<QLineEdit>(*h->edtServico)->text(), QString("0001 / 00002"));
    Salva(*h, "gui-historico.png");
    visto = true;
    Ok(UserActions::CloseForm(*h), "fechar");
  });
  Ok(UserActions::MenuItem(f, "mnuHistorico"), "histórico");
  EXPECT_TRUE(visto);
  EXPECT_EQ(OpenForms("TfrmHistorico"), 0);
}

INSTANTIATE_TEST_SUITE_P(Db, SideScreensGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
