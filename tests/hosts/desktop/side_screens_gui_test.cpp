// The side screens opened from the main screen (or their entries) by the desktop renderer: each runs
// as an application-modal window in a nested loop, shows its lists and names, and is saved as a
// screenshot (gui-<screen>.png in the build folder) for a person to look at before it is closed.
// The listing's preview window is rendered offscreen from the demo data (page image, page text,
// zoom).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>

#include <memory>

#include "hosts/desktop/reportview.h"
#include "service_screen/pages/embalagens.h"
#include "side_screens/cadaauto/cadaauto.h"
#include "side_screens/copia/copiaservico.h"
#include "side_screens/expcomens/expcomdiet.h"
#include "side_screens/historico/historico.h"
#include "side_screens/listserv/listserv.h"
#include "side_screens/transfembal/transfembal.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class SideScreensGui : public ScreenGuiTest {
 protected:
  void TearDown() override {
    InstallReportHost(nullptr);
    ScreenGuiTest::TearDown();
  }
  // Types a code and leaves the edit with Tab.
  void Codigo(TControl& edit, const std::string& codigo) {
    Ok(UserActions::Focus(edit), "foco em " + edit.Name());
    Ok(UserActions::SetText(edit, codigo), "código em " + edit.Name());
    Ok(UserActions::Key(edit, "Tab"), "sair de " + edit.Name());
  }
  void Mostra() {
    renderer->sync();
    QApplication::processEvents();
  }
};

TEST_P(SideScreensGui, CopyDialogWithItsDestinationList) {
  auto& f = AbrePagina("0001", 1, "mnuFolhaDados");
  Dialogo<TfrmCopiaServico>(
      "TfrmCopiaServico", [&] { Ok(UserActions::Click(*f.sbtCopiar), "copiar"); },
      [&](TfrmCopiaServico& c) {
        Codigo(*c.edtCdGrupServ, "001");
        Codigo(*c.edtCdServ, "00001");
        Ok(UserActions::Click(*c.sbtIncluir), "incluir");
        Ok(UserActions::Type(*c.dbgServico, "00004"), "código");
        Ok(UserActions::Key(*c.dbgServico, "Tab"), "nome");
        Mostra();
        EXPECT_EQ(Celula(*c.dbgServico, 0, 1), QString::fromUtf8("Lanche da Tarde"));
        Salva(c, "gui-copia-servico.png");
        Ok(UserActions::Click(*c.sbtCancel), "cancelar");
      });
}

TEST_P(SideScreensGui, DietExportDialogWithTheOtherDiets) {
  auto& f = AbrePagina("0003", 1, "mnuComens");
  Dialogo<TfrmExpComDiet>(
      "TfrmExpComDiet", [&] { Ok(UserActions::MenuItem(f, "mnuExpComDiet"), "exportar para outras dietas"); },
      [&](TfrmExpComDiet& d) {
        Ok(UserActions::SelectCell(*d.dbgDieta, 1, 2), "marcar 0003");
        Mostra();
        EXPECT_EQ(Widget<QTableView>(*d.dbgDieta)->model()->rowCount(), 3);
        EXPECT_EQ(Celula(*d.dbgDieta, 1, 0), QString("[X]"));
        Salva(d, "gui-exp-com-diet.png");
        Ok(UserActions::Click(*d.sbtCancel), "fechar");
      });
}

TEST_P(SideScreensGui, HistoryDialogOnTheCurrentService) {
  auto& f = AbrePagina("0001", 2, "mnuFolhaDados");
  Dialogo<TfrmHistorico>(
      "TfrmHistorico", [&] { Ok(UserActions::MenuItem(f, "mnuHistorico"), "histórico"); },
      [&](TfrmHistorico& h) {
        EXPECT_EQ(Widget<QLineEdit>(*h.edtServico)->text(), QString("0001 / 00002"));
        Salva(h, "gui-historico.png");
        Ok(UserActions::CloseForm(h), "fechar");
      });
}

// The services of branch 0001 loaded for alteration over two months, every row marked through the
// mark column's title.
TEST_P(SideScreensGui, AutomaticCostRowsOfTheBranchMarkedForAlteration) {
  Dialogo<TfrmCadaAutoServico>(
      "TfrmCadaAutoServico", [&] { CallEntry("GER04100", "CriaCAutoCPadrao"); },
      [&](TfrmCadaAutoServico& f) {
        Ok(UserActions::Click(*f.rbtListaFili), "filiais: lista");
        lookups().QueueMultiPick({"0001"});
        Ok(UserActions::Click(*f.btnFilial), "lista de filiais");
        Ok(UserActions::Click(*f.rbtAlterar), "alterar");
        Ok(UserActions::Click(*f.rbtPercent), "percentual");
        for (auto [edit, texto] : {std::pair<TControl*, const char*>{f.depDataDe, "01/01/2027"},
                                   {f.depDataAte, "28/02/2027"},
                                   {f.nedValPer, "5"}}) {
          Ok(UserActions::Focus(*edit), edit->Name());
          Ok(UserActions::SetText(*edit, texto), edit->Name());
        }
        Ok(UserActions::Focus(*f.dbgCustPadrManu), "grade");
        Ok(UserActions::TitleClick(*f.dbgCustPadrManu, 0), "marcar todas");
        Mostra();
        auto* grade = Widget<QTableView>(*f.dbgCustPadrManu);
        ASSERT_NE(grade, nullptr);
        EXPECT_TRUE(grade->isVisible());
        EXPECT_EQ(grade->model()->rowCount(), 3);
        EXPECT_EQ(Celula(*f.dbgCustPadrManu, 0, 3), QString::fromUtf8("Central São Paulo"));
        EXPECT_TRUE(f.sbtCancel->Enabled());
        EXPECT_TRUE(Texts().empty()) << Texts().front();
        Salva(f, "gui-cadaauto.png");
        dialogs().Answer(mrYes);  // give up the marks
        Ok(UserActions::Click(*f.sbtSair), "fechar");
      });
}

// The distribution export lists the destination branch's services with their mark boxes drawn.
TEST_P(SideScreensGui, DistributionExportListsTheDestinationServices) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  Dialogo<TfrmExportDist>(
      "TfrmExportDist", [&] { Ok(UserActions::MenuItem(f, "mnuExportDist"), "exportar"); },
      [&](TfrmExportDist& d) {
        Codigo(*d.edtCdFilialDest, "2");
        Ok(UserActions::SelectCell(*d.dbgServicos, 0, 1), "marcar o serviço");
        Mostra();
        EXPECT_EQ(Widget<QTableView>(*d.dbgServicos)->model()->rowCount(), 1);
        EXPECT_EQ(Celula(*d.dbgServicos, 0, 2), QString::fromUtf8("Almoço"));
        EXPECT_EQ(Widget<QLineEdit>(*d.edtNmFilialDest)->text(), QString::fromUtf8("Unidade Campinas"));
        Salva(d, "gui-expdist.png");
        Ok(UserActions::Click(*d.sbtCancel), "cancelar");
      });
}

// The restriction import shows the destination and the origin's delivery points.
TEST_P(SideScreensGui, RestrictionImportShowsTheDestinationAndTheOriginsPoints) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  Ok(UserActions::SelectPage(*f.Pagina<PagEmbalagens>().tshRestricoes), "restrições");
  Dialogo<TfrmImpRest>(
      "TfrmImpRest", [&] { Ok(UserActions::MenuItem(f, "mnuImportRest"), "importar"); },
      [&](TfrmImpRest& d) {
        Codigo(*d.edtCdFilialOri, "1");
        Codigo(*d.edtCdServOri, "1");
        Ok(UserActions::Click(*d.tipos.rbtTiposPratoL), "lista de tipos de prato");
        Mostra();
        EXPECT_EQ(Widget<QComboBox>(*d.cmbPontoEntrega)->count(), 4);
        EXPECT_EQ(Widget<QLineEdit>(*d.edtNmServDest)->text(), QString::fromUtf8("Almoço"));
        Salva(d, "gui-imprest.png");
        Ok(UserActions::Click(*d.sbtCancel), "cancelar");
      });
}

// The listing's parameter screen, and its preview of the demo services in landscape.
TEST_P(SideScreensGui, ListingAndThePreviewOfTheDemoServices) {
  auto host = std::make_shared<desktop::QtReportHost>();
  InstallReportHost(host);
  bool previewed = false;
  host->previewHook = [&](desktop::ReportPreview& preview) {
    previewed = true;
    QApplication::processEvents();
    EXPECT_EQ(preview.pageText(), QString::fromUtf8("Página 1 de 1"));
    const QPixmap page = preview.pageImage()->pixmap();
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height()) << "the listing is printed in landscape";
    preview.setZoom(1.25);
    EXPECT_GT(preview.pageImage()->pixmap().width(), page.width());
    preview.setZoom(1.0);
    auto* next = preview.findChild<QPushButton*>("next");
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->isEnabled());
    Salva(preview, "gui-listserv-preview.png");
  };
  Dialogo<TfrmListServ>(
      "TfrmListServ", [&] { CallEntry("GER04100", "CriaListServ"); },
      [&](TfrmListServ& l) {
        Salva(l, "gui-listserv.png");
        Ok(UserActions::Click(*l.sbtPreview), "visualizar");
        l.Close();
      });
  EXPECT_TRUE(previewed);
  EXPECT_TRUE(Texts().empty()) << Texts().front();
}

INSTANTIATE_TEST_SUITE_P(Db, SideScreensGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
