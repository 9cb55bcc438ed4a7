// The service listing on the desktop: the parameter screen drawn by the renderer, and its preview
// window rendered offscreen from the demo data (page image, page text, zoom). Both are saved as
// screenshots (gui-listserv.png, gui-listserv-preview.png in the build folder) for a person to
// look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <memory>

#include "hosts/desktop/reportview.h"
#include "side_screens/listserv/listserv.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class ListServGui : public ScreenGuiTest {
 protected:
  void TearDown() override {
    InstallReportHost(nullptr);
    ScreenGuiTest::TearDown();
  }
  void SalvaWidget(QWidget& w, const char* name) {
    QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath(QString("../") + name);
    ASSERT_TRUE(w.grab().save(path)) << path.toStdString();
  }
};

TEST_P(ListServGui, PreviewOfTheDemoServices) {
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
    const int width = page.width();
    preview.setZoom(1.25);
    EXPECT_GT(preview.pageImage()->pixmap().width(), width);
    preview.setZoom(1.0);
    auto* next = preview.findChild<QPushButton*>("next");
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->isEnabled());
    SalvaWidget(preview, "gui-listserv-preview.png");
  };
  // The listing runs modally in the renderer's own loop; the test acts from inside it.
  Application().RunModalHook = [this](TForm& f) {
    renderer->sync();
    QWidget* w = renderer->window(f);
    ASSERT_NE(w, nullptr);
    QApplication::processEvents();
    auto& l = dynamic_cast<TfrmListServ&>(f);
    SalvaWidget(*w, "gui-listserv.png");
    Ok(UserActions::Click(*l.sbtPreview), "visualizar");
    f.Close();
  };
  CallEntry("GER04100", "CriaListServ");
  EXPECT_TRUE(previewed);
  EXPECT_TRUE(Texts().empty()) << Texts().front();
}

INSTANTIATE_TEST_SUITE_P(Db, ListServGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
