// The desktop host's application hooks (see host.h).
#include "hosts/desktop/host.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "hosts/desktop/widgets.h"
#include "platform/ui/forms.h"

namespace cad::desktop {

DesktopHost::DesktopHost() {
  TApplication& app = Application();
  app.RunModalHook = [this](TForm& form) { renderer_.runModal(form); };
  // Repaints (the progress display) without taking user input in the middle of a handler.
  app.ProcessMessagesHook = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  app.OnCursorChange = [this](TCursor cursor) {
    bool wait = cursor == TCursor::crHourGlass;
    if (wait == overrideCursor_) return;
    overrideCursor_ = wait;
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
  };
  app.ShowErrorHook = [](const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Erro"), qs(message), QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
  };
  app.ConfirmHook = [](const std::string& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmação"), qs(question), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("&Sim"));
    box.button(QMessageBox::No)->setText(QString::fromUtf8("&Não"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  };
}

DesktopHost::~DesktopHost() {
  TApplication& app = Application();
  app.RunModalHook = nullptr;
  app.ProcessMessagesHook = nullptr;
  app.OnCursorChange = nullptr;
  app.ShowErrorHook = nullptr;
  app.ConfirmHook = nullptr;
  if (overrideCursor_) QApplication::restoreOverrideCursor();
}

}  // namespace cad::desktop
