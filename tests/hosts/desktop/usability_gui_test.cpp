// The main screen as an operator meets it on the desktop: the tab bar follows the pages the model
// enables (after a save too), the window grows and scrolls and opens wholly on its screen, the
// status bar and tooltips tell where the user is, Qt's own texts are Portuguese and the toolbar
// icons match their reference picture (tests/hosts/desktop/reference/toolbar-icons.png).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

#include "hosts/desktop/host.h"
#include "hosts/desktop/renderer.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/pages/servico.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class UsabilityGui : public ScreenGuiTest {
 protected:
  // The tab bar as the user sees it: a letter per enabled tab, '-' per disabled one.
  std::string Abas(TfrmCadastroServ& f) {
    renderer->sync();
    QApplication::processEvents();
    auto* pc = Widget<desktop::PageControlWidget>(*f.pgcPadrao);
    EXPECT_NE(pc, nullptr);
    std::string out;
    for (int i = 0; pc && i < pc->tabBar()->count(); ++i) out += pc->tabBar()->isTabEnabled(i) ? 'x' : '-';
    return out;
  }
  std::string Modelo(TfrmCadastroServ& f) {
    std::string out;
    for (TTabSheet* t : f.pgcPadrao->Pages()) out += t->Enabled() ? 'x' : '-';
    return out;
  }
};

TEST_P(UsabilityGui, TheTabBarShowsThePagesTheModelEnablesAfterASave) {
  auto& f = AbrePagina("0001", 1, "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  ASSERT_EQ(Abas(f), Modelo(f));
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  EXPECT_EQ(Abas(f), Modelo(f));
  Ok(UserActions::SetText(*form.dbeNmFantasServ, "Almoço Executivo"), "nome fantasia");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  ASSERT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(Modelo(f), "xxxxxxxx");
  EXPECT_EQ(Abas(f), "xxxxxxxx") << "every page of the saved service is offered again";
}

// Leaving the billing-only service by the navigator or a search gives back the tabs of the
// service reached, as clicking its row does.
TEST_P(UsabilityGui, TheTabBarFollowsAMoveAwayFromABillingOnlyService) {
  auto& f = AbrePagina("0001", 4, "mnuFolhaDados");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00090");
  EXPECT_EQ(Abas(f), "xx------");
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbFirst), "primeiro serviço");
  EXPECT_EQ(Abas(f), "xxxxxxxx");
  Ok(UserActions::SelectCell(*f.dbgPadrao, 0, 4), "o serviço de faturamento");
  EXPECT_EQ(Abas(f), "xx------");
  lookups().QueuePick({{"CDSERVFILI", Variant("00002")}});
  Ok(UserActions::Click(*f.sbtProcurar), "procurar");
  EXPECT_EQ(Abas(f), "xxxxxxx-");
  EXPECT_EQ(Abas(f), Modelo(f));
}

// Maximised, the list and the page control take the room; shrunk below the design size, the
// screen scrolls instead of cutting its controls.
TEST_P(UsabilityGui, TheWindowGrowsWithItsGridsAndScrollsWhenSmaller) {
  auto& f = AbrePagina("0001", 1, "mnuFolhaDados");
  auto* win = static_cast<desktop::FormWindow*>(renderer->window(f));
  QWidget* grid = renderer->widgetOf(*f.dbgPadrao);
  QWidget* pages = renderer->widgetOf(*f.pgcPadrao);
  int gridWidth = grid->width(), pagesHeight = pages->height();
  win->resize(f.Width() + 400, f.Height() + 300);
  QApplication::processEvents();
  EXPECT_GE(grid->width(), gridWidth + 350);
  EXPECT_GE(pages->height(), pagesHeight + 250);
  EXPECT_EQ(win->scrollArea()->horizontalScrollBar()->maximum(), 0);
  win->resize(500, 400);
  QApplication::processEvents();
  EXPECT_GT(win->scrollArea()->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(win->scrollArea()->verticalScrollBar()->maximum(), 0);
  EXPECT_GE(win->client()->width(), f.Width());
}

// Wherever the window it opens over stands, a new window lies wholly on the screen, cut down to
// the screen when larger.
TEST(PlaceOnScreen, KeepsTheWholeWindowOnTheScreen) {
  const QRect avail(0, 0, 1280, 1000);
  for (QRect over : {QRect(0, 0, 560, 220), QRect(1000, 900, 560, 220), QRect(-300, -50, 200, 100), avail})
    for (QSize size : {QSize(800, 649), QSize(1600, 1200), QSize(300, 200)}) {
      QSize fitted;
      QPoint p = desktop::PlaceOnScreen(size, over, avail, &fitted);
      QRect frame(p, fitted + QSize(16, 40));
      EXPECT_TRUE(avail.contains(frame)) << over.x() << "," << over.y() << " " << size.width();
      EXPECT_EQ(fitted, size.boundedTo(avail.size() - QSize(16, 40)));
    }
}

// The status bar names operator, branch and record, and the result of the last action; each
// toolbar button's tooltip names its key.
TEST_P(UsabilityGui, StatusBarAndTooltipsTellWhereTheUserIs) {
  auto& f = AbrePagina("0001", 2, "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  auto texto = [&](TControl& c) {
    renderer->sync();
    auto* l = renderer->widgetOf(c)->findChild<QLabel*>("caption", Qt::FindDirectChildrenOnly);
    return l && l->isVisible() ? l->text().toStdString() : std::string();
  };
  EXPECT_EQ(texto(*f.panStOperador), "Operador: ADMIN");
  EXPECT_EQ(texto(*f.panStFilial), "Filial: 0001");
  EXPECT_EQ(texto(*f.panStRegistro), "Registro 2 de 4");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::SetText(*form.dbeNmFantasServ, "Jantar Noturno"), "nome fantasia");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(texto(*f.panStMensagem), "Registro gravado.");
  EXPECT_EQ(texto(*f.panStRegistro), "Registro 2 de 4");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  EXPECT_EQ(texto(*f.panStMensagem), "") << "an edit clears the last result";
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");

  const std::pair<TControl*, const char*> dicas[] = {{f.sbtIncluir, "Incluir (F2)"},
                                                     {f.sbtConfirmar, "Confirmar (F10)"},
                                                     {f.sbtProcurar, "Procurar (F7)"},
                                                     {f.sbtImprimir, "Imprimir (F12)"}};
  for (auto [botao, dica] : dicas) EXPECT_EQ(renderer->widgetOf(*botao)->toolTip().toStdString(), dica);
}

// At the design size every caption of the main screen shows whole: no check box or label is
// narrower than its text, on whichever page it stands.
TEST_P(UsabilityGui, EveryCaptionFitsItsControl) {
  auto& f = AbrePagina("0001", 1, "mnuFormulario");
  renderer->sync();
  QWidget* win = renderer->window(f);
  // Check boxes keep their layout width whatever the face, so they are measured in the wider one
  // the screen font falls back to where the condensed face is missing (labels size themselves).
  QFont largo = desktop::style::ScreenFont();
  largo.setFamilies({QStringLiteral("DejaVu Sans")});
  int vistos = 0;
  // A control hidden itself is skipped; one on a page not shown is checked all the same.
  for (auto* c : win->findChildren<QCheckBox*>()) {
    if (c->isHidden()) continue;
    ++vistos;
    c->setFont(largo);
    EXPECT_LE(c->sizeHint().width(), c->width()) << c->text().toStdString();
  }
  for (auto* l : win->findChildren<QLabel*>()) {
    if (l->isHidden() || l->wordWrap() || l->text().isEmpty() || l->objectName() == "caption") continue;
    ++vistos;
    EXPECT_LE(l->sizeHint().width(), l->width()) << l->text().toStdString();
  }
  EXPECT_GT(vistos, 20);
}

// Qt's own dialogs speak Portuguese.
TEST(QtTranslations, StandardButtonsArePortuguese) {
  ASSERT_TRUE(desktop::InstallQtTranslations());
  QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&').toStdString(), "Cancelar");
  EXPECT_EQ(box.button(QDialogButtonBox::Open)->text().remove('&').toStdString(), "Abrir");
}

// The toolbar's icons, enabled (top row) and disabled (bottom row), against the reference picture:
// each shows its command, in colour while enabled.
TEST_P(UsabilityGui, ToolbarIconsMatchTheReferencePicture) {
  auto& f = AbrePagina("0001", 1, "mnuFolhaDados");
  const std::vector<TControl*> botoes{f.sbtIncluir,  f.sbtAlterar,   f.sbtExcluir,  f.sbtConfirmar, f.sbtCancelar,
                                      f.sbtProcurar, f.sbtVerificar, f.sbtImprimir, f.sbtAjuda,     f.sbtFechar};
  QImage atual(24 * static_cast<int>(botoes.size()), 48, QImage::Format_ARGB32);
  atual.fill(Qt::white);
  {
    QPainter p(&atual);
    for (size_t i = 0; i < botoes.size(); ++i) {
      auto* b = dynamic_cast<QToolButton*>(renderer->widgetOf(*botoes[i]));
      ASSERT_NE(b, nullptr) << botoes[i]->Name();
      ASSERT_FALSE(b->icon().isNull()) << botoes[i]->Name();
      p.drawPixmap(24 * static_cast<int>(i), 0, b->icon().pixmap(24, 24, QIcon::Normal));
      p.drawPixmap(24 * static_cast<int>(i), 24, b->icon().pixmap(24, 24, QIcon::Disabled));
    }
  }
  atual.save(QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath("../gui-toolbar-icons.png"));
  QImage referencia(QStringLiteral(CADSERV_SOURCE_DIR "/tests/hosts/desktop/reference/toolbar-icons.png"));
  ASSERT_FALSE(referencia.isNull());
  ASSERT_EQ(referencia.size(), atual.size());
  referencia = referencia.convertToFormat(QImage::Format_ARGB32);
  int diferentes = 0;
  for (int y = 0; y < atual.height(); ++y)
    for (int x = 0; x < atual.width(); ++x) {
      QColor a = atual.pixelColor(x, y), r = referencia.pixelColor(x, y);
      if (std::abs(a.red() - r.red()) + std::abs(a.green() - r.green()) + std::abs(a.blue() - r.blue()) > 48)
        ++diferentes;
    }
  EXPECT_LT(diferentes, atual.width() * atual.height() / 50) << "see gui-toolbar-icons.png in the build folder";
}

INSTANTIATE_TEST_SUITE_P(Db, UsabilityGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
