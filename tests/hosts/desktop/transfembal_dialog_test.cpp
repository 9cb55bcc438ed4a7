// The distribution export and restriction import dialogs rendered by the desktop renderer over the
// packaging page of 0001/00001: the export lists the destination branch's services with their mark
// boxes drawn, the import shows the destination and the origin's delivery points; both are saved
// as screenshots (gui-expdist.png, gui-imprest.png in the build folder) for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include "service_screen/pages/embalagens.h"
#include "side_screens/transfembal/transfembal.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class TransfEmbalGui : public ScreenGuiTest {
 protected:
  // Runs the script inside the dialog's modal loop once its window shows.
  void NoDialogo(const char* classe, std::function<void(TForm&)> script) {
    QTimer::singleShot(0, [this, classe, script] {
      TForm* form = FindScreen(classe);
      ASSERT_NE(form, nullptr) << classe;
      renderer->sync();
      QApplication::processEvents();
      script(*form);
    });
  }
};

TEST_P(TransfEmbalGui, ExportListsTheDestinationServicesWithTheirMarks) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  bool rodou = false;
  NoDialogo("TfrmExportDist", [&](TForm& form) {
    rodou = true;
    auto& d = dynamic_cast<TfrmExportDist&>(form);
    Ok(UserActions::Focus(*d.edtCdFilialDest), "foco na filial");
    Ok(UserActions::SetText(*d.edtCdFilialDest, "2"), "filial de destino");
    Ok(UserActions::Key(*d.edtCdFilialDest, "Tab"), "sair da filial");
    Ok(UserActions::SelectCell(*d.dbgServicos, 0, 1), "marcar o serviço");
    renderer->sync();
    QApplication::processEvents();
    auto* grade = dynamic_cast<QTableView*>(renderer->widgetOf(*d.dbgServicos));
    ASSERT_NE(grade, nullptr);
    EXPECT_EQ(grade->model()->rowCount(), 1);
    EXPECT_EQ(grade->model()->index(0, 2).data().toString(), QString::fromUtf8("Almoço"));
    auto* nome = dynamic_cast<QLineEdit*>(renderer->widgetOf(*d.edtNmFilialDest));
    ASSERT_NE(nome, nullptr);
    EXPECT_EQ(nome->text(), QString::fromUtf8("Unidade Campinas"));
    Salva(d, "gui-expdist.png");
    Ok(UserActions::Click(*d.sbtCancel), "cancelar");
  });
  Ok(UserActions::MenuItem(f, "mnuExportDist"), "exportar");
  EXPECT_TRUE(rodou);
}

TEST_P(TransfEmbalGui, RestrictionImportShowsTheDestinationAndTheOriginsPoints) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  Ok(UserActions::SelectPage(*f.Pagina<PagEmbalagens>().tshRestricoes), "restrições");
  bool rodou = false;
  NoDialogo("TfrmImpRest", [&](TForm& form) {
    rodou = true;
    auto& d = dynamic_cast<TfrmImpRest&>(form);
    Ok(UserActions::Focus(*d.edtCdFilialOri), "foco na filial");
    Ok(UserActions::SetText(*d.edtCdFilialOri, "1"), "filial de origem");
    Ok(UserActions::Key(*d.edtCdFilialOri, "Tab"), "sair da filial");
    Ok(UserActions::SetText(*d.edtCdServOri, "1"), "serviço de origem");
    Ok(UserActions::Key(*d.edtCdServOri, "Tab"), "sair do serviço");
    Ok(UserActions::Click(*d.tipos.rbtTiposPratoL), "lista de tipos de prato");
    renderer->sync();
    QApplication::processEvents();
    auto* pontos = dynamic_cast<QComboBox*>(renderer->widgetOf(*d.cmbPontoEntrega));
    ASSERT_NE(pontos, nullptr);
    EXPECT_EQ(pontos->count(), 4);
    auto* servico = dynamic_cast<QLineEdit*>(renderer->widgetOf(*d.edtNmServDest));
    ASSERT_NE(servico, nullptr);
    EXPECT_EQ(servico->text(), QString::fromUtf8("Almoço"));
    Salva(d, "gui-imprest.png");
    Ok(UserActions::Click(*d.sbtCancel), "cancelar");
  });
  Ok(UserActions::MenuItem(f, "mnuImportRest"), "importar");
  EXPECT_TRUE(rodou);
}

INSTANTIATE_TEST_SUITE_P(Db, TransfEmbalGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
