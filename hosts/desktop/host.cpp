// The desktop host's services and application hooks (see host.h).
#include "hosts/desktop/host.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "hosts/desktop/reportview.h"
#include "platform/framework/session.h"
#include "platform/ui/forms.h"

namespace cad::desktop {

bool InstallQtTranslations() {
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  static QTranslator* qtbase = nullptr;
  if (qtbase) return true;
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return false;
  }
  QCoreApplication::installTranslator(t);
  qtbase = t;
  return true;
}

DesktopHost::DesktopHost(std::shared_ptr<Session> session)
    : progress_(std::make_shared<QtProgress>(renderer_)),
      session_(session ? std::move(session) : std::make_shared<Session>()) {
  InstallHostServices(HostServices{std::make_shared<QtDialogs>(), std::make_shared<QtLookups>(), progress_, session_});
  InstallReportHost(std::make_shared<QtReportHost>());
  TApplication& app = Application();
  app.RunModalHook = [this](TForm& form) { renderer_.runModal(form); };
  // Repaints (the progress display) without taking user input in the middle of a handler.
  app.ProcessMessagesHook = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  app.OnCursorChange = [this](TCursor cursor) {
    bool wait = cursor == TCursor::crHourGlass;
    if (wait == overrideCursor_) return;
    overrideCursor_ = wait;
    if (wait)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
}

DesktopHost::~DesktopHost() {
  TApplication& app = Application();
  app.RunModalHook = nullptr;
  app.ProcessMessagesHook = nullptr;
  app.OnCursorChange = nullptr;
  if (overrideCursor_) QApplication::restoreOverrideCursor();
  progress_->Hide();
  InstallScriptedHost();
  InstallReportHost(nullptr);
}

}  // namespace cad::desktop
