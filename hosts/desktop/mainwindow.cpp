// The host window and the screen-module loader (see mainwindow.h).
#include "hosts/desktop/mainwindow.h"

#include <dlfcn.h>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "hosts/desktop/options.h"
#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"
#include "platform/ui/forms.h"

namespace cad::desktop {

// ---------------------------------------------------------------- modules

std::string ScreenModules::libraryPath(const std::string& code) const {
  if (code.empty() || code.size() > 32) throw Exception("Código de tela inválido: '" + code + "'.");
  for (char c : code)
    if (!std::isalnum(static_cast<unsigned char>(c))) throw Exception("Código de tela inválido: '" + code + "'.");
  return folder_ + "/libcadserv_" + lowerCase(code) + ".so";
}

const ScreenModules::Entry* ScreenModules::table(const std::string& code) {
  std::string key = upperCase(code);
  if (auto it = loaded_.find(key); it != loaded_.end()) return it->second;
  std::string path = libraryPath(code);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw Exception("Pacote de tela '" + key + "' não encontrado (" + (why ? why : path) + ").");
  }
  using TableFn = const Entry* (*)();
  auto fn = reinterpret_cast<TableFn>(dlsym(handle, "CadServEntries"));
  if (!fn) throw Exception("O pacote '" + key + "' não exporta a tabela de entradas.");
  const Entry* entries = fn();
  loaded_[key] = entries;
  return entries;
}

std::vector<std::string> ScreenModules::entries(const std::string& code) {
  std::vector<std::string> out;
  for (const Entry* e = table(code); e && e->name; ++e) out.emplace_back(e->name);
  return out;
}

void ScreenModules::call(const std::string& code, const std::string& entry, VariantArray& params) {
  for (const Entry* e = table(code); e && e->name; ++e)
    if (entry.empty() || sameText(e->name, entry)) return e->fn(params);
  throw Exception("O pacote '" + upperCase(code) + "' não tem a entrada '" + entry + "'.");
}

// ---------------------------------------------------------------- main window

MainWindow::MainWindow(const Options& options, Session& session, ScreenModules& modules, Renderer& renderer)
    : session_(session), modules_(modules), renderer_(renderer),
      server_(options.serverHost + ":" + std::to_string(options.serverPort)) {
  setWindowTitle(QString::fromUtf8("Cadastro de Serviços"));
  setFont(Renderer::screenFont());

  auto* bar = new QToolBar(QString::fromUtf8("Sessão"), this);
  bar->setMovable(false);
  sessionLabel_ = new QLabel(bar);
  sessionLabel_->setContentsMargins(6, 2, 6, 2);
  bar->addWidget(sessionLabel_);
  addToolBar(Qt::TopToolBarArea, bar);

  QMenu* screens = menuBar()->addMenu(QStringLiteral("&Telas"));
  struct Item {
    const char* caption;
    std::string spec;
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
    std::string spec = item.spec;
    screens->addAction(QString::fromUtf8(item.caption), this, [this, spec] { openScreen(spec); });
    auto* button = new QPushButton(QString::fromUtf8(item.caption), central);
    connect(button, &QPushButton::clicked, this, [this, spec] { openScreen(spec); });
    box->addWidget(button);
  }
  box->addStretch(1);
  setCentralWidget(central);
  screens->addSeparator();
  screens->addAction(QStringLiteral("Sai&r"), QKeySequence(QStringLiteral("Ctrl+Q")), this, [this] { close(); });
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
  QString text = QString::fromUtf8("Operador: %1   Filial: %2%3   Data de processamento: %4   Módulo: %5   Servidor: %6")
                     .arg(qs(session_.Operador), qs(session_.FiliProc), session_.ModuFili ? QString::fromUtf8(" (fixa)") : QString(),
                          qs(date), QString::number(session_.ModuloAtiv), qs(server_));
  sessionLabel_->setText(text);
}

bool MainWindow::openScreen(const std::string& spec) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= spec.size(); ++i)
    if (i == spec.size() || (spec[i] == ':' && parts.size() < 2)) {
      parts.push_back(spec.substr(start, i - start));
      start = i + 1;
    }
  std::string code = parts[0], entry = parts.size() > 1 ? parts[1] : std::string();
  VariantArray params;
  if (parts.size() > 2) params.push_back(Variant(parts[2]));
  else if (sameText(entry, "IniProc")) params.push_back(Variant());
  bool ran = false;
  // Opening a screen is a user action: errors show as error dialogs, the windows follow.
  renderer_.act([&] {
    ActionResult r;
    try {
      modules_.call(code, entry, params);
      ran = true;
    } catch (...) {
      r.message = Application().HandleException(std::current_exception());
      r.status = r.message.empty() ? ActionResult::Status::Aborted : ActionResult::Status::Failed;
    }
    return r;
  });
  return ran;
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
