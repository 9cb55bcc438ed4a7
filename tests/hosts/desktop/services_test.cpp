// The desktop host's services as a screen meets them: message dialogs with Portuguese buttons
// (errors from handlers included), the single and multiple pick lookups through the framework's
// routines, the progress display and the hourglass cursor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

#include "hosts/desktop/host.h"
#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/framework/lookups.h"
#include "platform/framework/showavi.h"
#include "platform/ui/controls.h"
#include "platform/ui/forms.h"

namespace cad::desktop {
namespace {

// Runs `fn` on the next modal window once it is up (dialogs run their own loop).
void onModal(std::function<void(QWidget*)> fn, int tries = 50) {
  QTimer::singleShot(10, [fn, tries] {
    if (QWidget* w = QApplication::activeModalWidget()) return fn(w);
    if (tries > 0) onModal(fn, tries - 1);
  });
}

QPushButton* buttonNamed(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

void fill(ClientDataSet& ds) {
  ds.AddField({"CDSERVFILI", FieldType::String, 4});
  ds.AddField({"NMSERVICO", FieldType::String, 30});
  ds.CreateDataSet();
  for (auto [code, name] : {std::pair{"0001", "Almoço"}, {"0002", "Jantar"}, {"0003", "Ceia"}}) {
    ds.Append();
    ds.FieldByName("CDSERVFILI").SetAsString(code);
    ds.FieldByName("NMSERVICO").SetAsString(name);
    ds.Post();
  }
  ds.First();
}

class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().ResetHooks();
    host = std::make_unique<DesktopHost>();
  }
  void TearDown() override {
    host.reset();
    Application().ResetHooks();
  }
  std::unique_ptr<DesktopHost> host;
};

TEST_F(ServicesTest, DialogsAnswerWithTheButtonChosenAndHandlerErrorsShowAsErrors) {
  QStringList captions;
  onModal([&](QWidget* w) {
    for (auto* b : w->findChildren<QPushButton*>()) captions << b->text();
    buttonNamed(w, QString::fromUtf8("&Não"))->click();
  });
  EXPECT_EQ(ShowDialog(DialogRequest{TMsgDlgType::mtConfirmation, {}, "Confirma exclusão?", mbYesNo, 0}), mrNo);
  captions.sort();
  EXPECT_EQ(captions, (QStringList{"&Não", "&Sim"}));

  // Escape answers with the careful button.
  onModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_EQ(ShowDialog(DialogRequest{TMsgDlgType::mtWarning, {}, "Continuar?", mbOKCancel, 0}), mrCancel);

  // An exception from a handler reaches the user as an error dialog with its text.
  TForm f;
  auto* btn = f.Create<TButton>("btnGravar", &f);
  btn->SetBounds(8, 8, 75, 25);
  btn->OnClick = [](TComponent&) { throw Exception("Serviço já cadastrado."); };
  f.Show();
  host->renderer().sync();
  QString title, text;
  onModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    buttonNamed(w, "OK")->click();
  });
  QTest::mouseClick(host->renderer().widgetOf(*btn), Qt::LeftButton);
  EXPECT_EQ(title, "Erro");
  EXPECT_EQ(text, QString::fromUtf8("Serviço já cadastrado."));
}

TEST_F(ServicesTest, SinglePickListsTheRowsAndPositionsTheDataSet) {
  ClientDataSet ds("cdsServico");
  fill(ds);
  onModal([&](QWidget* w) {
    auto* table = w->findChild<QTableView*>();
    // Typing filters the list; Enter picks the row left.
    QTest::keyClicks(w->findChild<QLineEdit*>(), "jan");
    EXPECT_EQ(table->model()->rowCount(), 1);
    QTest::keyClick(w->findChild<QLineEdit*>(), Qt::Key_Return);
  });
  EXPECT_TRUE(Pesquisa::Pesquisar(ds, "Serviços|Não há serviços cadastrados."));
  EXPECT_EQ(ds.FieldByName("CDSERVFILI").AsString(), "0002");

  // Cancelling keeps the cursor where it was.
  onModal([](QWidget* w) {
    w->findChild<QTableView*>()->selectRow(2);
    buttonNamed(w, "Cancelar")->click();
  });
  EXPECT_FALSE(Pesquisa::Pesquisar(ds, "Serviços"));
  EXPECT_EQ(ds.FieldByName("CDSERVFILI").AsString(), "0002");
}

TEST_F(ServicesTest, MultiplePickStartsFromTheSelectionAndReturnsTheKeysChosen) {
  ClientDataSet ds("cdsServico");
  fill(ds);
  std::vector<bool> marked;
  onModal([&](QWidget* w) {
    auto* table = w->findChild<QTableView*>();
    auto* proxy = static_cast<QSortFilterProxyModel*>(table->model());
    auto* model = static_cast<QStandardItemModel*>(proxy->sourceModel());
    for (int r = 0; r < model->rowCount(); ++r) marked.push_back(model->item(r, 0)->checkState() == Qt::Checked);
    model->item(2, 0)->setCheckState(Qt::Checked);
    buttonNamed(w, "OK")->click();
  });
  std::string selection = "_0001_";
  EXPECT_TRUE(Pesqlista::PesquisaLista(ds, "CDSERVFILI", "Serviços", selection));
  EXPECT_EQ(marked, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(selection, "_0001_0003_");

  onModal([](QWidget* w) {
    buttonNamed(w, "Desmarcar todos")->click();
    buttonNamed(w, "Cancelar")->click();
  });
  EXPECT_FALSE(Pesqlista::PesquisaLista(ds, "CDSERVFILI", "Serviços", selection));
  EXPECT_EQ(selection, "_0001_0003_");
}

TEST_F(ServicesTest, ProgressDisplayAndHourglassFollowTheirScopes) {
  TForm f;
  f.SetBounds(0, 0, 300, 200);
  f.Show();
  host->renderer().sync();
  {
    ShowAviGuard outer(&f, 6, "Carregando serviços...");
    ASSERT_NE(host->progress().window(), nullptr);
    EXPECT_TRUE(host->progress().window()->isVisible());
    {
      ShowAviGuard inner(&f, 1);
      EXPECT_EQ(host->progress().text(), "Pesquisando...");
    }
    EXPECT_EQ(host->progress().text(), QString::fromUtf8("Carregando serviços..."));
    HourGlass wait;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
  }
  EXPECT_FALSE(host->progress().window()->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace cad::desktop
