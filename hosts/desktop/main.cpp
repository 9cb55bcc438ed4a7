// cadserv-desktop: the operator's desktop host. Reads the connection and session settings,
// installs the HTTP transport (token and operator), the session database and the Qt host
// services, shows the host window and opens the screens asked for on the command line.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "hosts/desktop/host.h"
#include "hosts/desktop/mainwindow.h"
#include "hosts/desktop/options.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/framework/session.h"
#include "platform/net/transport.h"

using namespace cad;
using namespace cad::desktop;

int main(int argc, char** argv) {
  Options options;
  try {
    if (const char* t = std::getenv("CADSERV_TOKEN")) options.token = t;
    if (const char* cfg = std::getenv("CADSERV_DESKTOP_CONFIG"); cfg && *cfg) readConfigFile(options, cfg);
    parseCommandLine(options, std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cadserv-desktop: %s\n\n%s", e.what(), usage().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(usage().c_str(), stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QString::fromUtf8("Cadastro de Serviços"));
  QApplication::setFont(Renderer::screenFont());
  QApplication::setQuitOnLastWindowClosed(false);

  auto session = std::make_shared<Session>();
  session->Operador = options.operatorName;
  session->FiliProc = options.branch;
  session->ModuFili = options.moduFili;
  session->WebURL = options.serverHost;
  session->WebPort = options.serverPort;
  session->ModuloAtiv = options.module;
  if (!options.date.empty()) session->SetDataProc("", *DateTime::parseIso(options.date));

  net::setTransportFactory(net::httpTransportFactory(net::HttpOptions{options.token, options.operatorName}));
  try {
    db::setSessionDatabase(std::shared_ptr<db::Database>(db::open(options.db)));
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
    for (const std::string& spec : options.open) window.openScreen(spec);
    rc = QApplication::exec();
  }
  db::setSessionDatabase(nullptr);
  return rc;
}
