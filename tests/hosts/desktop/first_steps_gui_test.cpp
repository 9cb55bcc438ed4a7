// The first steps of the README's guide, walked on the desktop against the application server
// with the demo data: sign in, type the branch and press Enter, open a service's form, change its
// fantasy name, confirm, read the change in the history, preview the service listing. Each step
// asserts what the operator sees; with $CADSERV_DOCS_SHOTS naming a folder (`make docs-shots`
// names docs/) each step's window is also written there as the README's picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTableView>
#include <QTest>

#include <memory>
#include <string>

#include "appserver/sessions.h"
#include "hosts/desktop/reportview.h"
#include "hosts/desktop/signin.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"
#include "service_screen/pages/servico.h"
#include "side_screens/historico/historico.h"
#include "side_screens/listserv/listserv.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class FirstStepsGui : public ScreenGuiTest {
 protected:
  void TearDown() override {
    InstallReportHost(nullptr);
    ScreenGuiTest::TearDown();
  }

  // Writes the window as docs picture `name` when $CADSERV_DOCS_SHOTS names a folder. A form's
  // window is first grown to show its whole design (the offscreen screen is small, so it opens
  // cut down and scrolling). The pictures go in the repository, so they are kept small: at most
  // 256 colours, highest PNG compression.
  void Foto(QWidget& w, const char* name) {
    renderer->sync();
    QApplication::processEvents();
    const QString pasta = qEnvironmentVariable("CADSERV_DOCS_SHOTS");
    if (pasta.isEmpty()) return;
    if (auto* fw = dynamic_cast<desktop::FormWindow*>(&w)) {
      QSize falta = (fw->client()->minimumSize() - fw->scrollArea()->viewport()->size()).expandedTo(QSize(0, 0));
      fw->resize(fw->size() + falta);
      QApplication::processEvents();
    }
    ASSERT_TRUE(QDir().mkpath(pasta)) << pasta.toStdString();
    const QString path = QDir(pasta).filePath(QString::fromUtf8(name));
    QImage foto = w.grab().toImage();
    foto = foto.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    ASSERT_TRUE(foto.save(path, "PNG", 0)) << path.toStdString();
  }
};

TEST_P(FirstStepsGui, SignInPickTheBranchChangeAServiceSeeItsHistoryAndPrintTheList) {
  // 1. Sign in: the demo operator and password, checked by the server's sign-in.
  appserver::Sessions sessoes(server().pool(), {});
  desktop::SignInDialog entrada("ADMIN", false, "", [&](const std::string& op, const std::string& senha) {
    appserver::AuthResult r = sessoes.login(op, senha, "127.0.0.1");
    if (!r.ok) throw Exception(r.text);
    return r.operatorName;
  });
  entrada.setFont(desktop::style::ScreenFont());
  entrada.show();
  QTest::keyClicks(entrada.findChild<QLineEdit*>("edtSenha"), "admin");
  Foto(entrada, "primeiros-passos-1-entrada.png");
  entrada.accept();
  ASSERT_EQ(entrada.result(), QDialog::Accepted) << entrada.message().toStdString();
  EXPECT_EQ(entrada.operatorName(), "ADMIN");

  // 2. The branch typed and Enter: the list of its services.
  CallEntry("GER04100", "IniProc", {Variant()});
  auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  auto& form = f.Pagina<PagServico>();
  renderer->sync();
  QWidget& janela = *renderer->window(f);
  auto* filial = Widget<QLineEdit>(*f.medCdFilial);
  ASSERT_NE(filial, nullptr);
  QTest::keyClick(filial, Qt::Key_A, Qt::ControlModifier);
  for (int i = 0; i < 4; ++i) QTest::keyClick(filial, Qt::Key_Backspace);
  QTest::keyClicks(filial, "0001");
  QTest::keyClick(filial, Qt::Key_Return);
  renderer->sync();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  ASSERT_TRUE(f.cdsServico->Active());
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  EXPECT_EQ(janela.focusWidget(), renderer->widgetOf(*f.dbgPadrao));
  EXPECT_EQ(Celula(*f.dbgPadrao, 1, 1), "Jantar");
  Foto(janela, "primeiros-passos-2-filial.png");

  // 3. A service of the list on its form page.
  Ok(UserActions::SelectCell(*f.dbgPadrao, 1, 2), "Jantar na lista");
  Ok(UserActions::MenuItem(f, "mnuFormulario"), "página Formulário");
  renderer->sync();
  auto* fantasia = Widget<QLineEdit>(*form.dbeNmFantasServ);
  ASSERT_NE(fantasia, nullptr);
  EXPECT_EQ(fantasia->text().toStdString(), "Jantar dos Turnos Noturnos");
  Foto(janela, "primeiros-passos-3-servico.png");

  // 4. Alterar, and the new fantasy name typed on the page.
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::SetText(*form.dbeNmFantasServ, "Jantar Noturno"), "nome fantasia");
  EXPECT_TRUE(f.sbtConfirmar->Enabled());
  Foto(janela, "primeiros-passos-4-alteracao.png");

  // 5. Confirmar: stored, and said so in the status bar.
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(Sql("SELECT NMFANTASSERV FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'")
                .rows.at(0)
                .at(0)
                .asString(),
            "Jantar Noturno");
  EXPECT_EQ(f.panStMensagem->Caption(), "Registro gravado.");
  Foto(janela, "primeiros-passos-5-confirmado.png");

  // 6. "Histórico de Alterações" (Ctrl+H) lists the change with its old and new value; 7. the
  // print command's listing, previewed. Both screens are modal: the test acts from inside them.
  bool historico = false, listagem = false, previa = false;
  auto relatorios = std::make_shared<desktop::QtReportHost>();
  InstallReportHost(relatorios);
  relatorios->previewHook = [&](desktop::ReportPreview& p) {
    previa = true;
    EXPECT_EQ(p.pageText(), QString::fromUtf8("Página 1 de 1"));
    p.setZoom(0.75);
    p.resize(900, 640);
    Foto(p, "primeiros-passos-8-visualizacao.png");
  };
  Application().RunModalHook = [&](TForm& tela) {
    renderer->sync();
    QWidget& w = *renderer->window(tela);
    if (auto* h = dynamic_cast<TfrmHistorico*>(&tela)) {
      historico = true;
      EXPECT_EQ(Celula(*h->dbgHistorico, 0, 4), "Nome Fantasia");
      EXPECT_EQ(Celula(*h->dbgHistorico, 0, 5), "Jantar dos Turnos Noturnos");
      EXPECT_EQ(Celula(*h->dbgHistorico, 0, 6), "Jantar Noturno");
      Foto(w, "primeiros-passos-6-historico.png");
    } else if (auto* l = dynamic_cast<TfrmListServ*>(&tela)) {
      listagem = true;
      Foto(w, "primeiros-passos-7-impressao.png");
      Ok(UserActions::Click(*l->sbtPreview), "visualizar");
    }
    tela.Close();
  };
  Ok(UserActions::Key(*f.pgcPadrao, "Ctrl+H"), "Ctrl+H");
  EXPECT_TRUE(historico);
  Ok(UserActions::Click(*f.sbtImprimir), "imprimir");
  EXPECT_TRUE(listagem);
  EXPECT_TRUE(previa);
  EXPECT_TRUE(Texts().empty()) << Texts().front();
}

INSTANTIATE_TEST_SUITE_P(Db, FirstStepsGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
