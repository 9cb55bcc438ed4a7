// Fixture of the desktop tests of the main screen: the screen tests' fixture with the desktop
// renderer drawing every form, a page reached the way a person reaches it (branch typed and left
// with Tab, a row of the service list clicked, the page's menu item) and screenshots saved in the
// build folder for a person to look at.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "hosts/desktop/renderer.h"
#include "service_screen/cadastroserv.h"
#include "tests/support/screen_fixture.h"

namespace cad::test {

class ScreenGuiTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    renderer = std::make_unique<desktop::Renderer>();
    Application().RunModalHook = [this](TForm& f) { renderer->runModal(f); };
  }
  void TearDown() override {
    renderer.reset();
    ScreenTest::TearDown();
  }

  // The main screen on a branch, the service of a row of the list (1 = first) and a page.
  TfrmCadastroServ& AbrePagina(const std::string& filial, int linha, const char* menu) {
    CallEntry("GER04100", "IniProc", {Variant()});
    auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
    renderer->sync();
    Ok(UserActions::Focus(*f.medCdFilial), "foco na filial");
    Ok(UserActions::SetText(*f.medCdFilial, filial), "filial");
    Ok(UserActions::Key(*f.medCdFilial, "Tab"), "sair da filial");
    Ok(UserActions::Focus(*f.dbgPadrao), "lista de serviços");
    Ok(UserActions::SelectCell(*f.dbgPadrao, 0, linha), "serviço da lista");
    Ok(UserActions::MenuItem(f, menu), menu);
    QApplication::processEvents();
    return f;
  }

  // The Qt widget that draws a control.
  template <class W>
  W* Widget(const TControl& control) const {
    return dynamic_cast<W*>(renderer->widgetOf(control));
  }

  // Saves a widget, or the window of a form, as a PNG in the build folder.
  void Salva(QWidget& widget, const char* name) {
    QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath(QString("../") + name);
    ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
  }
  void Salva(TForm& form, const char* name) { Salva(*renderer->window(form), name); }

  // Opens a side screen of class T by `abre` (a user action or an entry) and runs `script` inside
  // its modal loop once its window shows, application-modal and drawn; the screen must have run
  // and be gone afterwards.
  template <class T>
  void Dialogo(const char* classe, const std::function<void()>& abre, const std::function<void(T&)>& script) {
    bool rodou = false;
    QTimer::singleShot(0, [&] {
      auto* form = dynamic_cast<T*>(FindScreen(classe));
      ASSERT_NE(form, nullptr) << classe;
      EXPECT_EQ(renderer->window(*form)->windowModality(), Qt::ApplicationModal) << classe;
      renderer->sync();
      QApplication::processEvents();
      rodou = true;
      script(*form);
    });
    abre();
    EXPECT_TRUE(rodou) << classe;
    EXPECT_EQ(FindScreen(classe), nullptr) << classe;
  }

  // The text a table widget shows in a cell.
  QString Celula(const TControl& grid, int row, int col) {
    auto* view = Widget<QTableView>(grid);
    return view ? view->model()->index(row, col).data().toString() : QString();
  }

  std::unique_ptr<desktop::Renderer> renderer;
};

}  // namespace cad::test
