// cadserv-server: the application server process. Opens the shared database (creating the
// schema and demo data on request), listens on loopback by default, serves operators who sign in
// (POST /login) and stops cleanly on SIGTERM or SIGINT (exit code 0): calls being executed finish,
// everything else is closed, within seconds.
//
// A host token for unattended tools is accepted only when one is given: --token, --token-file
// (its first line) or $CADSERV_TOKEN, in that order; a file or the environment keeps it out of the
// process list.
//
// Administration: `cadserv-server senha --db URL --operator CODE` sets an operator's password
// (read from --password-file or the first line of stdin) and ends the operator's sessions;
// `cadserv-server audit --db URL [--since …] [--operator …] [--branch …] [--method …]` prints the
// audit trail.
//
// stdout carries only what a caller needs to reach the server (the URL); the log goes to stderr.
#include <arpa/inet.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <sys/stat.h>

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>
#include <utility>

#include "appserver/audit.h"
#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "appserver/methods/custoauto.h"
#include "appserver/schema.h"
#include "appserver/sessions.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"

namespace {

// The first line of a file, or of stdin for "-", without its line end.
bool readFirstLine(const std::string& path, std::string& line) {
  if (path == "-") return static_cast<bool>(std::getline(std::cin, line));
  std::ifstream in(path);
  return in && std::getline(in, line);
}

int setOperatorPassword(const std::string& dbUrl, const std::string& op, const std::string& passwordFile) {
  std::string password;
  if (!readFirstLine(passwordFile, password)) {
    std::cerr << "Senha: não foi possível ler " << (passwordFile == "-" ? "a entrada padrão" : passwordFile) << ".\n";
    return 2;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  try {
    auto db = cad::db::open(dbUrl);
    // Adds the sign-in tables to a database made before them (nothing when the schema is current).
    // Each step is retried when a user's transaction made the database roll it back.
    cad::appserver::retryWhenBusy([&] { cad::appserver::createSchema(*db); });
    cad::appserver::retryWhenBusy([&] { cad::appserver::setPassword(*db, op, password); });
    std::cout << "Senha do operador " << op << " definida; as sessões abertas dele foram encerradas.\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}

int printAudit(const std::string& dbUrl, const cad::appserver::AuditFilter& filter) {
  try {
    auto db = cad::db::open(dbUrl);
    std::cout << cad::appserver::auditListing(*db, filter);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}

// "HOST:PORT" (the host may be empty for all interfaces); false when malformed.
bool parseListen(const std::string& text, std::string& host, int& port) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  host = text.substr(0, colon);
  std::string p = text.substr(colon + 1);
  if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
  port = std::stoi(p);
  if (host.empty()) host = "0.0.0.0";
  return port <= 65535;
}

// The first line of a token file, without surrounding blanks; false (with the reason) when the
// file cannot be read or the line is empty. Warns when others than the owner may read it.
bool readTokenFile(const std::string& path, std::string& token, std::string& why) {
  std::ifstream in(path);
  if (!in) {
    why = "não foi possível ler o arquivo de token " + path;
    return false;
  }
  std::getline(in, token);
  size_t first = token.find_first_not_of(" \t\r");
  size_t last = token.find_last_not_of(" \t\r");
  token = first == std::string::npos ? "" : token.substr(first, last - first + 1);
  if (token.empty()) {
    why = "o arquivo de token " + path + " não tem um token na primeira linha";
    return false;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0)
    spdlog::warn("o arquivo de token {} pode ser lido por outros usuários (use chmod 600)", path);
  return true;
}

bool hasSchema(cad::db::Database& db) {
  try {
    db.query("SELECT 1 FROM SERVICO WHERE 1 = 0");
    return true;
  } catch (const cad::Exception&) {
    return false;
  }
}

// The command line: the server's options and the administration subcommands' (senha, audit).
struct CommandLine {
  std::string listen = "127.0.0.1:8099";
  std::string dbUrl = "sqlite:cadserv.db";
  std::string token, tokenFile;
  std::string logLevel = "info";
  bool init = false, demo = false;
  cad::appserver::HttpServerOptions front;
  int idleSeconds = 30, requestSeconds = 30;
  int sessionIdleMinutes = 30;
  std::string senhaOperator, senhaFile = "-";
  cad::appserver::AuditFilter auditFilter;
  CLI::App* senha = nullptr;
  CLI::App* audit = nullptr;
};

// Declares every option and subcommand on `app`, each bound to its member of `cl`.
void declareOptions(CLI::App& app, CommandLine& cl) {
  app.option_defaults()->always_capture_default();
  app.add_option("--listen", cl.listen, "Endereço e porta (HOST:PORTA; porta 0 escolhe uma livre)");
  app.add_option("--db", cl.dbUrl, "Banco de dados: sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco");
  app.add_flag("--init", cl.init, "Cria o esquema do banco de dados");
  app.add_flag("--demo", cl.demo, "Carrega os dados de demonstração (cria o esquema se faltar)");
  app.add_option("--token", cl.token,
                 "Token de sessão exigido dos clientes (visível na lista de processos: prefira "
                 "--token-file ou CADSERV_TOKEN)");
  app.add_option("--token-file", cl.tokenFile, "Arquivo cuja primeira linha é o token de sessão");
  app.add_option("--workers", cl.front.workers, "Chamadas executadas ao mesmo tempo (e conexões ao banco)")
      ->check(CLI::Range(1, 256));
  app.add_option("--max-connections", cl.front.maxConnections, "Conexões abertas no total")
      ->check(CLI::Range(1, 100000));
  app.add_option("--max-connections-per-peer", cl.front.maxConnectionsPerPeer,
                 "Conexões abertas por endereço de cliente (aumente atrás de um proxy)")
      ->check(CLI::Range(1, 100000));
  app.add_option("--trusted-proxy", cl.front.trustedProxies,
                 "Endereço de um proxy reverso cujo X-Forwarded-For vale para o limite de entradas por cliente"
                 " (pode repetir)")
      ->check(CLI::Validator(
          [](std::string& a) {
            unsigned char buf[16];
            bool ok = inet_pton(AF_INET, a.c_str(), buf) == 1 || inet_pton(AF_INET6, a.c_str(), buf) == 1;
            return ok ? std::string() : "endereço IP inválido: " + a;
          },
          "IP", "endereço IP"));
  app.add_option("--request-timeout", cl.requestSeconds,
                 "Segundos para receber o cabeçalho e o corpo de uma requisição (e enviar a resposta)")
      ->check(CLI::Range(1, 3600));
  app.add_option("--idle-timeout", cl.idleSeconds, "Segundos que uma conexão ociosa fica aberta")
      ->check(CLI::Range(1, 3600));
  app.add_option("--log-level", cl.logLevel, "Nível de log: trace, debug, info, warn, error, off")
      ->check(CLI::IsMember({"trace", "debug", "info", "warn", "error", "critical", "off"}));
  app.add_option("--session-idle", cl.sessionIdleMinutes,
                 "Minutos sem uso após os quais a sessão de um operador expira")
      ->check(CLI::Range(1, 24 * 60));
  app.footer(
      "Operadores entram com código e senha (POST /login). Token de host para ferramentas sem operador:\n"
      "--token, senão --token-file, senão a variável de ambiente CADSERV_TOKEN; sem nenhum, só há acesso\n"
      "por operador e senha.");
  cl.senha = app.add_subcommand("senha", "Define a senha de um operador (e encerra as sessões dele)");
  cl.senha->add_option("--operator", cl.senhaOperator, "Código do operador")->required();
  cl.senha->add_option("--password-file", cl.senhaFile,
                       "Arquivo cuja primeira linha é a senha (- para a entrada padrão)");
  cl.senha->add_option("--db", cl.dbUrl, "Banco de dados: sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco");
  cl.audit = app.add_subcommand("audit", "Lista as alterações registradas (trilha de auditoria), em ordem cronológica");
  cl.audit->add_option("--db", cl.dbUrl, "Banco de dados: sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco");
  cl.audit->add_option("--since", cl.auditFilter.since, "A partir de AAAA-MM-DD ou AAAA-MM-DDTHH:MM (UTC)");
  cl.audit->add_option("--operator", cl.auditFilter.operatorName, "Só as alterações deste operador");
  cl.audit->add_option("--branch", cl.auditFilter.branch, "Só as linhas desta filial");
  cl.audit->add_option("--method", cl.auditFilter.method, "Só as alterações deste método");
}

// Creates the schema and loads the demo data on request, adds to an older database the tables
// added since, warns when nobody can sign in, and drops abandoned working lists.
void prepareDatabase(cad::db::Database& db, const CommandLine& cl) {
  // createSchema only adds what is missing, so --demo may always run it first.
  // Each step is retried when a user's transaction (of another server process) made the
  // database roll it back.
  using cad::appserver::retryWhenBusy;
  if (cl.init || cl.demo) {
    retryWhenBusy([&] { cad::appserver::createSchema(db); });
    spdlog::info("esquema verificado em {}", cl.dbUrl);
  }
  if (cl.demo) {
    bool loaded = false;
    retryWhenBusy([&] { loaded = cad::appserver::loadDemo(db); });
    spdlog::info(loaded ? "dados de demonstração carregados" : "o banco já tem dados; demonstração não carregada");
  }
  if (!cl.init && !cl.demo) {
    if (!hasSchema(db)) {
      spdlog::warn("o banco {} não tem o esquema; use --init ou --demo", cl.dbUrl);
    } else {
      // A database made by an earlier version gets the tables added since (sign-in, audit...):
      // createSchema only adds what is missing and never changes stored rows.
      retryWhenBusy([&] { cad::appserver::createSchema(db); });
    }
  }
  if (hasSchema(db) && cl.token.empty() && db.query("SELECT COUNT(*) FROM SENHAOPER").rows.at(0).at(0).asInt() == 0)
    spdlog::warn(
        "nenhum operador tem senha, e sem token de host ninguém entra: defina uma com "
        "'cadserv-server senha --db {} --operator CODIGO'",
        cl.dbUrl);
  // Working lists of the automatic standard-cost maintenance abandoned for a day go at start.
  if (hasSchema(db)) {
    try {
      retryWhenBusy([&] { cad::appserver::removeListasCustoAbandonadas(db, cad::DateTime::today()); });
    } catch (const std::exception& e) {
      spdlog::warn("listas de trabalho abandonadas não removidas: {}", e.what());
    }
  }
}

// Runs the server until SIGTERM or SIGINT (or until it stops on its own); the exit code.
int serve(CommandLine cl) {
  spdlog::set_default_logger(spdlog::stderr_color_mt("cadserv"));
  spdlog::set_level(spdlog::level::from_str(cl.logLevel));

  if (!cl.token.empty() && !cl.tokenFile.empty()) {
    std::cerr << "Use --token ou --token-file, não os dois.\n";
    return 2;
  }
  if (!cl.tokenFile.empty()) {
    std::string why;
    if (!readTokenFile(cl.tokenFile, cl.token, why)) {
      std::cerr << "Token de sessão: " << why << ".\n";
      return 2;
    }
  } else if (cl.token.empty()) {
    if (const char* env = std::getenv("CADSERV_TOKEN")) cl.token = env;
  }
  cl.front.idleTimeout = std::chrono::seconds(cl.idleSeconds);
  cl.front.requestTimeout = std::chrono::seconds(cl.requestSeconds);

  std::string host;
  int port = 0;
  if (!parseListen(cl.listen, host, port)) {
    std::cerr << "Endereço inválido em --listen: " << cl.listen << " (esperado HOST:PORTA)\n";
    return 2;
  }

  // Signals are taken by sigwait in this thread only; the server's threads inherit the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    cad::db::Pool pool(cl.dbUrl, cl.front.workers);  // one database connection per worker
    prepareDatabase(*pool.acquire(), cl);

    cad::appserver::Dispatcher dispatcher(pool);
    cad::appserver::SessionOptions sessionOptions;
    sessionOptions.hostToken = cl.token;
    sessionOptions.idleTimeout = std::chrono::minutes(cl.sessionIdleMinutes);
    cad::appserver::Sessions sessions(pool, sessionOptions);
    cl.front.token = cl.token;
    cl.front.sessions = &sessions;
    cad::appserver::HttpServer server(dispatcher.peerHandler(), cl.front);
    int bound = server.bind(host, port);

    bool served = true;
    std::atomic<bool> stopping{false};
    std::thread worker([&] {
      served = server.run();
      // A server that stops on its own must not leave the main thread waiting for a signal.
      if (!stopping) kill(getpid(), SIGTERM);
    });
    server.waitUntilReady();
    std::cout << "Servidor de aplicação ouvindo em http://" << host << ":" << bound << std::endl;
    spdlog::info("ouvindo em http://{}:{} (banco {}; {})", host, bound, cl.dbUrl,
                 cl.token.empty() ? "acesso por operador e senha" : "acesso por operador e senha ou token de host");

    int sig = 0;
    sigwait(&stopSignals, &sig);
    stopping = true;
    spdlog::info("sinal {} recebido; encerrando", sig);
    server.stop();
    worker.join();
    return served ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    CLI::App app{"Servidor de aplicação do cadastro de serviços (Ger04100.rdmCadastroServ)"};
    CommandLine cl;
    declareOptions(app, cl);
    CLI11_PARSE(app, argc, argv);
    if (*cl.senha) return setOperatorPassword(cl.dbUrl, cl.senhaOperator, cl.senhaFile);
    if (*cl.audit) return printAudit(cl.dbUrl, cl.auditFilter);
    return serve(std::move(cl));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}
