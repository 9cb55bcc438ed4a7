// The host window (see mainwindow.h).
#include "hosts/desktop/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "hosts/common/options.h"
#include "hosts/desktop/renderer.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"
#include "platform/ui/forms.h"

namespace cad::desktop {

// ---------------------------------------------------------------- main window

MainWindow::MainWindow(const host::Options& options, Session& session, ScreenModules& modules, Renderer& renderer)
    : session_(session),
      modules_(modules),
      renderer_(renderer),
      server_(options.serverHost + ":" + std::to_string(options.serverPort)) {
  setWindowTitle(QString::fromUtf8("Cadastro de Serviços"));
  setFont(style::ScreenFont());

  auto* bar = new QToolBar(QString::fromUtf8("Sessão"), this);
  bar->setMovable(false);
  sessionLabel_ = new QLabel(bar);
  sessionLabel_->setContentsMargins(6, 2, 6, 2);
  bar->addWidget(sessionLabel_);
  addToolBar(Qt::TopToolBarArea, bar);

  QMenu* screens = menuBar()->addMenu(QStringLiteral("&Telas"));
  struct Item {
    const char* caption;
    std::string target;
  };
  const std::vector<Item> items = {
      {"&Serviços (GER04100)", "GER04100:CriaCadServico"},
      {"Serviços da &filial corrente, somente consulta (GER04100)", "GER04100:IniProc:" + options.branch},
  };
  auto* central = new QWidget(this);
  auto* box = new QVBoxLayout(central);
  auto* hint = new QLabel(QString::fromUtf8("Abra uma tela pelo menu Telas ou pelos botões abaixo."), central);
  box->addWidget(hint);
  for (const Item& item : items) {
    std::string target = item.target;
    screens->addAction(QString::fromUtf8(item.caption), this, [this, target] { openScreen(target); });
    auto* button = new QPushButton(QString::fromUtf8(item.caption), central);
    connect(button, &QPushButton::clicked, this, [this, target] { openScreen(target); });
    box->addWidget(button);
  }
  box->addStretch(1);
  setCentralWidget(central);
  screens->addSeparator();
  // Ctrl+Q leaves from any window of the program; each open screen is asked to close first.
  QAction* sair =
      screens->addAction(QStringLiteral("Sai&r"), QKeySequence(QStringLiteral("Ctrl+Q")), this, [this] { close(); });
  sair->setShortcutContext(Qt::ApplicationShortcut);
  addAction(sair);
  refreshSessionBar();
  resize(560, 220);
}

void MainWindow::refreshSessionBar() {
  std::string date;
  try {
    DateTime d = session_.DataProc(session_.FiliProc);
    date = formatDate(d, "dd/mm/yyyy");
  } catch (const std::exception&) {
    date = "?";
  }
  QString text =
      QString::fromUtf8("Operador: %1   Filial: %2%3   Data de processamento: %4   Módulo: %5   Servidor: %6")
          .arg(qs(session_.Operador), qs(session_.FiliProc),
               session_.ModuFili ? QString::fromUtf8(" (fixa)") : QString(), qs(date),
               QString::number(session_.ModuloAtiv), qs(server_));
  sessionLabel_->setText(text);
}

bool MainWindow::openScreen(const std::string& target) {
  ScreenTarget screen = parseScreenTarget(target);
  // Opening a screen is a user action: errors show as error dialogs, the windows follow.
  return renderer_
      .act([&] { return UserActions::Run([&] { modules_.call(screen.code, screen.entry, screen.params); }); })
      .ok();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  // Every screen closes first, through the model (a screen may refuse: then nothing closes).
  std::vector<TForm*> open;
  for (TForm* f : Application().Forms())
    if (f->Visible()) open.push_back(f);
  for (TForm* f : open) {
    renderer_.act([f] { return UserActions::CloseForm(*f); });
    bool stillThere = false;
    for (TForm* g : Application().Forms())
      if (g == f && g->Visible()) stillThere = true;
    if (stillThere) {
      e->ignore();
      return;
    }
  }
  e->accept();
  QApplication::quit();
}

}  // namespace cad::desktop
