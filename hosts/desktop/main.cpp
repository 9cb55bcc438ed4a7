// cadserv-desktop: the operator's desktop host. Reads the connection and session settings,
// connects to the application server (the operator signs in, unless a host token is given) or runs
// its code embedded, with the session database,
// installs the Qt host services, shows the host window and opens the screens asked for on the
// command line.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "hosts/common/backend.h"
#include "hosts/common/options.h"
#include "hosts/desktop/host.h"
#include "hosts/desktop/mainwindow.h"
#include "hosts/desktop/signin.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"
#include "platform/framework/modules.h"
#include "platform/framework/session.h"

using namespace cad;
using namespace cad::desktop;

namespace {

std::string usage() {
  return host::usage("cadserv-desktop",
                     "O hospedeiro de mesa do cadastro de serviços. $CADSERV_DESKTOP_CONFIG pode nomear um arquivo de "
                     "configuração lido antes de --config.");
}

}  // namespace

int main(int argc, char** argv) {
  host::Options options;
  try {
    if (const char* t = std::getenv("CADSERV_TOKEN")) options.token = t;
    if (const char* cfg = std::getenv("CADSERV_DESKTOP_CONFIG"); cfg && *cfg) host::readConfigFile(options, cfg);
    host::parseCommandLine(options, std::vector<std::string>(argv + 1, argv + argc));
    host::validate(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cadserv-desktop: %s\n(--help lista as opções)\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(usage().c_str(), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QString::fromUtf8("Cadastro de Serviços"));
  QApplication::setFont(style::ScreenFont());
  QApplication::setQuitOnLastWindowClosed(false);
  if (!InstallQtTranslations())
    std::fprintf(stderr, "cadserv-desktop: as traduções do Qt não foram encontradas (pacote qt6-translations-l10n).\n");

  auto session = std::make_shared<Session>();
  std::unique_ptr<host::HostBackend> backend;
  try {
    backend = std::make_unique<host::HostBackend>(options);
    if (backend->needsSignIn()) {
      // The operator signs in before any screen opens; a session that expires later is renewed
      // by asking the same operator's password again, the screens staying as they are.
      host::HostBackend& b = *backend;
      std::optional<std::string> op =
          askSignIn(options.operatorName, [&b](const std::string& o, const std::string& p) { return b.signIn(o, p); });
      if (!op) return 0;
      options.operatorName = *op;
      backend->setPasswordPrompt(askPasswordAgain);
    }
    host::applySession(*session, options);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Erro"), qs(e.what()));
    return 1;
  }

  int rc = 0;
  {
    DesktopHost host(session);
    ScreenModules modules(ss(QCoreApplication::applicationDirPath()));
    MainWindow window(options, *session, modules, host.renderer());
    window.show();
    for (const std::string& target : options.open) window.openScreen(target);
    rc = QApplication::exec();
  }
  return rc;
}
