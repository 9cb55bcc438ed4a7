// The generic renderer on a demo form built in code: model changes show live, the classic
// alignment, and Qt input (keys, clicks, grid cells, menus, popup menus, closing, modal windows)
// reaching the screens only through the dispatcher, with a refused focus change keeping the focus;
// the cell editor's caret drawn where the model has it.
#include <gtest/gtest.h>

#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "hosts/desktop/host.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad::desktop {
namespace {

struct DemoForm : TForm {
  ClientDataSet cds{"cdsServico"};
  DataSource dts{"dtsServico"};
  TMainMenu* menu = Create<TMainMenu>("mnuPrincipal");
  TMenuItem* mnuArquivo = Create<TMenuItem>("mnuArquivo");
  TMenuItem* mnuIncluir = Create<TMenuItem>("mnuIncluir");
  TPanel* panTop = Create<TPanel>("panTop", this);
  TButtonFlat* sbtIncluir = Create<TButtonFlat>("sbtIncluir", panTop);
  TPageControl* pgc = Create<TPageControl>("pgcPadrao", this);
  TTabSheet* tshLista = Create<TTabSheet>("tshFolhaDados", pgc);
  TTabSheet* tshForm = Create<TTabSheet>("tshFormulario", pgc);
  TDBGrid* dbg = Create<TDBGrid>("dbgServico", tshLista);
  TLabel* lblCodigo = Create<TLabel>("lblCodigo", tshForm);
  TEdit* edtCodigo = Create<TEdit>("edtCodigo", tshForm);
  TEdit* edtNome = Create<TEdit>("edtNome", tshForm);
  TCheckBox* chkAtivo = Create<TCheckBox>("chkAtivo", tshForm);
  TButton* btnOk = Create<TButton>("btnOk", tshForm);
  std::vector<std::string> log;
  bool refuseExit = false;

  DemoForm() {
    SetName("frmDemo");
    SetCaption("Serviço");
    SetBounds(0, 0, 640, 420);
    SetMenu(menu);
    menu->Items().Add(mnuArquivo);
    mnuArquivo->SetCaption("&Arquivo");
    mnuArquivo->Add(mnuIncluir);
    mnuIncluir->SetCaption("&Incluir");
    mnuIncluir->SetShortCut(TextToShortCut("F2"));
    mnuIncluir->OnClick = logs("mnuIncluir");
    panTop->SetAlign(TAlign::alTop);
    panTop->SetHeight(36);
    place(sbtIncluir, 4, 4, 28, 28, "Incluir");
    sbtIncluir->OnClick = logs("sbtIncluir");
    pgc->SetAlign(TAlign::alClient);
    tshLista->SetCaption("&Lista");
    tshForm->SetCaption("&Formulário");
    pgc->SetActivePage(tshForm);
    SetActiveControl(edtCodigo);
    dbg->SetAlign(TAlign::alClient);
    place(lblCodigo, 8, 10, 60, 13, "&Código");
    lblCodigo->SetFocusControl(edtNome);
    place(edtCodigo, 80, 8, 80, 21, nullptr, 0);
    place(edtNome, 80, 36, 200, 21, nullptr, 1);
    place(chkAtivo, 80, 64, 100, 17, "&Ativo", 2);
    place(btnOk, 80, 90, 75, 25, "OK", 3);
    btnOk->OnClick = logs("btnOk");
    edtCodigo->OnKeyPress = [](TComponent&, std::string& key) {
      if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') key[0] = static_cast<char>(key[0] - 32);
    };
    edtCodigo->OnExit = [this](TComponent&) {
      if (refuseExit) throw Exception("Código inválido.");
    };
    cds.AddField({"CDSERVFILI", FieldType::String, 4});
    cds.AddField({"NMSERVICO", FieldType::String, 30});
    cds.CreateDataSet();
    for (auto [code, name] : {std::pair{"0001", "Almoço"}, {"0002", "Jantar"}, {"0003", "Ceia"}}) add(code, name);
    cds.First();
    dts.SetDataSet(&cds);
    dbg->SetDataSource(&dts);
    dbg->SetReadOnly(true);
  }

  static void place(TControl* c, int x, int y, int w, int h, const char* caption = nullptr, int tab = -1) {
    c->SetBounds(x, y, w, h);
    if (caption) c->SetCaption(caption);
    if (tab >= 0) c->SetTabOrder(tab);
  }
  void add(const char* code, const char* name) {
    cds.Append();
    cds.FieldByName("CDSERVFILI").SetAsString(code);
    cds.FieldByName("NMSERVICO").SetAsString(name);
    cds.Post();
  }
  std::function<void(TComponent&)> logs(const char* name) {
    return [this, name](TComponent&) { log.push_back(name); };
  }
};

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().ResetHooks();
    host = std::make_unique<DesktopHost>();
    Application().ShowErrorHook = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override {
    host.reset();
    Application().ResetHooks();
  }
  Renderer& r() { return host->renderer(); }
  void show(TForm& f) {
    f.Show();
    r().sync();
  }
  template <class W>
  W* widget(TControl& c) {
    auto* w = dynamic_cast<W*>(r().widgetOf(c));
    EXPECT_NE(w, nullptr) << c.Describe();
    return w;
  }
  std::unique_ptr<DesktopHost> host;
  std::vector<std::string> errors;
};

TEST_F(RendererTest, ShowsTheModelAndFollowsItsChangesLive) {
  DemoForm f;
  show(f);
  QWidget* win = r().window(f);
  EXPECT_EQ(win->windowTitle(), QString::fromUtf8("Serviço"));

  // Alignment: the panel on top across the client area, the page control filling the rest.
  QWidget* pan = r().widgetOf(*f.panTop);
  QWidget* pgc = r().widgetOf(*f.pgc);
  QWidget* client = static_cast<FormWindow*>(win)->client();
  EXPECT_EQ(pan->geometry(), QRect(0, 0, client->width(), 36));
  EXPECT_EQ(pgc->geometry(), QRect(0, 36, client->width(), client->height() - 36));
  // Only the active sheet shows; its controls sit at their coordinates.
  EXPECT_FALSE(r().widgetOf(*f.tshLista)->isVisible());
  EXPECT_EQ(widget<QLineEdit>(*f.edtNome)->geometry(), QRect(80, 36, 200, 21));
  EXPECT_EQ(widget<QLabel>(*f.lblCodigo)->text(), QString::fromUtf8("<u>C</u>ódigo"));

  // Changes made by code show after the event loop runs, without any user action.
  f.edtNome->SetText("Almoço executivo");
  f.btnOk->SetEnabled(false);
  f.chkAtivo->SetVisible(false);
  f.btnOk->SetHint("Grava|Grava o serviço");
  QApplication::processEvents();
  EXPECT_EQ(widget<QLineEdit>(*f.edtNome)->text(), QString::fromUtf8("Almoço executivo"));
  EXPECT_FALSE(widget<QPushButton>(*f.btnOk)->isEnabled());
  EXPECT_FALSE(widget<QCheckBox>(*f.chkAtivo)->isVisible());
  EXPECT_EQ(widget<QPushButton>(*f.btnOk)->toolTip(), "Grava");

  // A container turned off disables what it holds; the controls keep their own flags.
  f.tshForm->SetEnabled(false);
  QApplication::processEvents();
  EXPECT_FALSE(widget<QLineEdit>(*f.edtNome)->isEnabled());
  f.tshForm->SetEnabled(true);

  // Switching pages by code shows the grid with the dataset's rows and the column titles.
  f.pgc->SetActivePage(f.tshLista);
  QApplication::processEvents();
  auto* grid = widget<QTableView>(*f.dbg);
  ASSERT_TRUE(grid->isVisible());
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "NMSERVICO");
  EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "Ceia");
  f.add("0004", "Lanche");
  QApplication::processEvents();
  EXPECT_EQ(grid->model()->rowCount(), 4);
  EXPECT_EQ(grid->model()->index(3, 1).data().toString(), "Lanche");
}

TEST_F(RendererTest, TypingAndClicksGoThroughTheDispatcher) {
  DemoForm f;
  show(f);
  auto* code = widget<QLineEdit>(*f.edtCodigo);
  QWidget* win = r().window(f);
  // The form's active control has the focus, in the model and in Qt.
  EXPECT_EQ(f.ActiveControl(), f.edtCodigo);
  EXPECT_EQ(win->focusWidget(), code);

  // Keys reach the model through OnKeyPress (which upper-cases) and come back to the widget.
  QTest::keyClicks(code, "ab1");
  EXPECT_EQ(code->text(), "AB1");
  QTest::keyClick(code, Qt::Key_Backspace);
  EXPECT_EQ(f.edtCodigo->Text(), "AB");

  // Tab moves along the tab order.
  QTest::keyClick(code, Qt::Key_Tab);
  EXPECT_EQ(win->focusWidget(), r().widgetOf(*f.edtNome));

  // A click on a check box focuses it and toggles the model; a click on a disabled button is lost.
  QTest::mouseClick(widget<QCheckBox>(*f.chkAtivo), Qt::LeftButton);
  EXPECT_TRUE(f.chkAtivo->Checked());
  EXPECT_EQ(f.ActiveControl(), f.chkAtivo);
  f.btnOk->SetEnabled(false);
  QApplication::processEvents();
  QTest::mouseClick(widget<QPushButton>(*f.btnOk), Qt::LeftButton);
  EXPECT_TRUE(f.log.empty());
  f.btnOk->SetEnabled(true);
  QApplication::processEvents();
  QTest::mouseClick(widget<QPushButton>(*f.btnOk), Qt::LeftButton);
  // The toolbar button runs without taking the focus.
  QTest::mouseClick(widget<QToolButton>(*f.sbtIncluir), Qt::LeftButton);
  EXPECT_EQ(f.ActiveControl(), f.btnOk);

  // The menu shortcut runs its item once, through the dispatcher's key handling; so does the
  // menu bar's action.
  QTest::keyClick(win->focusWidget(), Qt::Key_F2);
  auto* bar = static_cast<FormWindow*>(win)->menuBar();
  QAction* incluir = bar->actions().at(0)->menu()->actions().at(0);
  EXPECT_EQ(incluir->text(), "&Incluir\tF2");
  incluir->trigger();
  EXPECT_EQ(f.log, (std::vector<std::string>{"btnOk", "sbtIncluir", "mnuIncluir", "mnuIncluir"}));

  // Alt+C follows the label's accelerator to its focus control.
  QTest::keyClick(win->focusWidget(), Qt::Key_C, Qt::AltModifier);
  EXPECT_EQ(f.ActiveControl(), f.edtNome);
  EXPECT_TRUE(errors.empty());
}

TEST_F(RendererTest, APopupMenuOpensThroughTheDispatcher) {
  DemoForm f;
  auto* pop = f.Create<TPopupMenu>("popNome");
  f.edtNome->SetPopupMenu(pop);
  // An error while the menu opens is shown like any handler's, and no menu shows.
  pop->OnPopup = [](TComponent&) { throw Exception("Nada a mostrar."); };
  show(f);
  auto* name = widget<QLineEdit>(*f.edtNome);
  QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), name->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(name, &right);
  EXPECT_EQ(f.ActiveControl(), f.edtNome);  // the right click focused the field first
  EXPECT_EQ(r().window(f)->focusWidget(), name);
  EXPECT_EQ(errors, std::vector<std::string>{"Nada a mostrar."});
}

// A grid without a menu of its own still offers "Exportar…": the file dialog's name and format
// reach the platform's writer, which writes the grid's texts.
TEST_F(RendererTest, AGridsContextMenuExportsItToTheChosenFile) {
  DemoForm f;
  f.pgc->SetActivePage(f.tshLista);
  show(f);
  auto* grid = widget<QTableView>(*f.dbg);
  const std::string path =
      testing::TempDir() + "cadserv-gui-export-" + std::to_string(QCoreApplication::applicationPid());
  std::string offered;
  bool dialogSeen = false;
  // The menu and then the dialog run their own event loops: timers answer them.
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      offered = menu->actions().isEmpty() ? "" : menu->actions().last()->text().toStdString();
      menu->setActiveAction(menu->actions().last());
      QTest::keyClick(menu, Qt::Key_Return);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      dialogSeen = true;
      dialog->selectNameFilter(dialog->nameFilters().at(1));  // the CSV one
      dialog->selectFile(QString::fromStdString(path));
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
      poll.stop();
    }
  });
  poll.start();
  QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), grid->viewport()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(grid->viewport(), &right);
  poll.stop();
  EXPECT_EQ(offered, "Exportar…");
  EXPECT_TRUE(dialogSeen);
  std::ifstream in(path + ".csv", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "CDSERVFILI;NMSERVICO\r\n0001;Almoço\r\n0002;Jantar\r\n0003;Ceia\r\n");
  EXPECT_TRUE(errors.empty());
  std::remove((path + ".csv").c_str());
}

TEST_F(RendererTest, ARefusedFocusChangeKeepsTheFocusInTheField) {
  DemoForm f;
  show(f);
  auto* code = widget<QLineEdit>(*f.edtCodigo);
  auto* name = widget<QLineEdit>(*f.edtNome);
  f.refuseExit = true;
  QTest::mouseClick(name, Qt::LeftButton);
  EXPECT_EQ(r().window(f)->focusWidget(), code);
  QTest::keyClick(code, Qt::Key_Tab);
  EXPECT_EQ(f.ActiveControl(), f.edtCodigo);
  // A click refused by the focus change does not reach the button either.
  QTest::mouseClick(widget<QPushButton>(*f.btnOk), Qt::LeftButton);
  EXPECT_TRUE(f.log.empty());
  EXPECT_EQ(errors, (std::vector<std::string>(3, "Código inválido.")));
  f.refuseExit = false;
  QTest::mouseClick(name, Qt::LeftButton);
  EXPECT_EQ(r().window(f)->focusWidget(), name);
}

TEST_F(RendererTest, GridCellsTabsAndClosingGoThroughTheDispatcher) {
  DemoForm f;
  std::vector<std::string> changes;
  f.pgc->OnChange = [&](TComponent&) { changes.push_back(f.pgc->ActivePage()->Name()); };
  bool canClose = false;
  f.OnCloseQuery = [&](TComponent&, bool& ok) { ok = canClose; };
  show(f);
  auto* pcw = dynamic_cast<PageControlWidget*>(r().widgetOf(*f.pgc));
  ASSERT_NE(pcw, nullptr);
  // A tab click is a user selection (OnChange runs); the grid page shows.
  QTest::mouseClick(pcw->tabBar(), Qt::LeftButton, {}, pcw->tabBar()->tabRect(0).center());
  QApplication::processEvents();
  EXPECT_EQ(f.pgc->ActivePage(), f.tshLista);
  EXPECT_EQ(changes, std::vector<std::string>{"tshFolhaDados"});

  auto* grid = widget<QTableView>(*f.dbg);
  ASSERT_TRUE(grid->isVisible());
  QRect cell = grid->visualRect(grid->model()->index(2, 1));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(f.cds.RecNo(), 3);
  EXPECT_EQ(f.dbg->SelectedIndex(), 1);
  QTest::keyClick(grid, Qt::Key_Up);
  EXPECT_EQ(f.cds.RecNo(), 2);

  // Closing the window asks the model; OnCloseQuery keeps it open until it agrees.
  QWidget* win = r().window(f);
  win->close();
  QApplication::processEvents();
  EXPECT_TRUE(win->isVisible());
  canClose = true;
  win->close();
  QApplication::processEvents();
  EXPECT_FALSE(f.Visible());
}

// The cell editor draws its caret and selection where the model has them: Left moves the caret
// (the cell's picture changes), Shift+Left selects, End brings back the first picture.
TEST_F(RendererTest, TheCellEditorsCaretMovesWithTheArrows) {
  DemoForm f;
  f.dbg->SetReadOnly(false);
  f.pgc->SetActivePage(f.tshLista);
  show(f);
  auto* grid = widget<QTableView>(*f.dbg);
  QRect cell = grid->visualRect(grid->model()->index(2, 1));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::keyClick(grid, Qt::Key_Return);
  ASSERT_TRUE(f.dbg->EditorMode());
  auto shot = [&] {
    QApplication::processEvents();
    return grid->viewport()->grab(cell).toImage();
  };
  const QImage atEnd = shot();
  QTest::keyClick(grid, Qt::Key_Left);
  EXPECT_EQ(f.dbg->EditorCaret(), 3);  // "Ceia", one character before its end
  const QImage moved = shot();
  EXPECT_NE(moved, atEnd);
  QTest::keyClick(grid, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(f.dbg->EditorSelLength(), 1);
  EXPECT_NE(shot(), moved);
  QTest::keyClick(grid, Qt::Key_End);
  EXPECT_EQ(shot(), atEnd);
}

TEST_F(RendererTest, ModalFormRunsInANestedLoopUntilItsResultIsSet) {
  DemoForm main;
  TForm dialog;
  dialog.SetName("frmDialogo");
  dialog.SetCaption("Confirma");
  dialog.SetBounds(0, 0, 240, 120);
  auto* ok = dialog.Create<TButton>("btnOk", &dialog);
  DemoForm::place(ok, 80, 40, 75, 25, "OK");
  ok->SetModalResult(mrOk);
  int result = -1;
  main.btnOk->OnClick = [&](TComponent&) { result = dialog.ShowModal(); };
  show(main);
  // While the dialog runs, the main window takes no input; the dialog's button ends it.
  QTimer::singleShot(0, [&] {
    QWidget* dlg = r().window(dialog);
    EXPECT_EQ(dlg->windowModality(), Qt::ApplicationModal);
    QTest::mouseClick(widget<QPushButton>(*main.btnOk), Qt::LeftButton);  // blocked by the modal form
    QTest::mouseClick(widget<QPushButton>(*ok), Qt::LeftButton);
  });
  QTest::mouseClick(widget<QPushButton>(*main.btnOk), Qt::LeftButton);
  EXPECT_EQ(result, mrOk);
  EXPECT_FALSE(r().window(dialog)->isVisible());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(RendererTest, DestroyedControlsAndFormsLeaveNoDanglingWidgets) {
  auto f = std::make_unique<DemoForm>();
  show(*f);
  auto* later = f->Create<TEdit>("edtNovo", f->tshForm);
  later->SetBounds(300, 8, 80, 21);
  later->SetText("novo");
  r().sync();
  auto* w = widget<QLineEdit>(*later);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text(), "novo");
  QPointer<QWidget> win = r().window(*f);
  f.reset();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(win.isNull());
}

}  // namespace
}  // namespace cad::desktop
