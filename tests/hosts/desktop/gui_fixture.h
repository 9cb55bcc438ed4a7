// Fixture of the desktop tests of the main screen: the screen tests' fixture with the desktop
// renderer drawing every form, a page reached the way a person reaches it (branch typed and left
// with Tab, a row of the service list clicked, the page's menu item) and screenshots saved in the
// build folder for a person to look at.
#pragma once

#include <QApplication>
#include <QDir>
#include <QWidget>

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
  W* Widget(const TControl& control) {
    return dynamic_cast<W*>(renderer->widgetOf(control));
  }

  // Saves the window of a form as a PNG in the build folder.
  void Salva(TForm& form, const char* name) {
    QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath(QString("../") + name);
    ASSERT_TRUE(renderer->window(form)->grab().save(path)) << path.toStdString();
  }

  std::unique_ptr<desktop::Renderer> renderer;
};

}  // namespace cad::test
