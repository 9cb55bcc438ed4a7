// HostBackend (see backend.h).
#include "hosts/common/backend.h"

#include <map>
#include <mutex>
#include <utility>

#include "appserver/dispatcher.h"
#include "appserver/schema.h"
#include "hosts/common/options.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/net/transport.h"

namespace cad::host {

namespace {

using MakeTransport = std::function<std::unique_ptr<net::Transport>(const std::string& operatorName)>;

// Follows the session's operator: the inner transport is rebuilt when the operator changed since
// it was made (the operator travels with each call, fixed in the inner transport).
class OperatorTransport : public net::Transport {
 public:
  explicit OperatorTransport(MakeTransport make) : make_(std::move(make)) {}
  void connect() override { current().connect(); }
  std::string post(const std::string& body) override { return current().post(body); }
  std::string where() const override { return inner_ ? inner_->where() : std::string("?"); }

 private:
  net::Transport& current() {
    const std::string& op = CurrentSession().Operador;
    if (!inner_ || op != operator_) {
      inner_ = make_(op);
      operator_ = op;
    }
    return *inner_;
  }
  MakeTransport make_;
  std::unique_ptr<net::Transport> inner_;
  std::string operator_;
};

}  // namespace

struct HostBackend::Impl {
  std::unique_ptr<db::Pool> pool;
  std::unique_ptr<appserver::Dispatcher> dispatcher;
  std::string host;
  int port = 0;
  bool hostToken = false;

  // Sessions by operator, and what renews them.
  std::mutex mutex;
  std::map<std::string, std::string> tokens;
  std::map<std::string, std::string> passwords;  // only without a prompt (automation)
  PasswordPrompt prompt;

  std::string signIn(const std::string& op, const std::string& password) {
    net::SignIn s = net::signIn(host, port, op, password);
    std::lock_guard<std::mutex> lock(mutex);
    tokens[s.operatorName] = s.token;
    if (s.operatorName != op) tokens[op] = s.token;
    if (!prompt) passwords[s.operatorName] = password;
    return s.operatorName;
  }

  std::string token(const std::string& op) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tokens.find(op);
    if (it == tokens.end())
      throw Exception("O operador " + op + " não entrou no servidor de aplicação: informe a senha.");
    return it->second;
  }

  // A new session for op after the server refused the old one: asks (desktop) until the password
  // is accepted or the operator gives up; repeats the last password once (automation).
  std::string renew(const std::string& op, const std::string& refused, std::string why) {
    PasswordPrompt ask;
    std::string remembered;
    {
      std::lock_guard<std::mutex> lock(mutex);
      // Another connection renewed it already: one question per ended session.
      if (auto it = tokens.find(op); it != tokens.end() && it->second != refused) return it->second;
      ask = prompt;
      auto it = passwords.find(op);
      if (it != passwords.end()) remembered = it->second;
    }
    if (!ask) {
      if (remembered.empty()) throw Exception(why.empty() ? "Sessão encerrada pelo servidor de aplicação." : why);
      signIn(op, remembered);
      return token(op);
    }
    for (;;) {
      std::string password = ask(op, why);
      try {
        signIn(op, password);
        return token(op);
      } catch (const Exception& e) {
        why = e.what();
      }
    }
  }
};

HostBackend::HostBackend(const Options& o) : d_(std::make_unique<Impl>()) {
  validate(o);
  if (o.embedded) {
    d_->pool = std::make_unique<db::Pool>(o.db);
    {
      auto db = d_->pool->acquire();
      // As the server does: createSchema only adds what is missing, so --demo may always run it.
      if (o.init || o.demo) appserver::createSchema(*db);
      if (o.demo) appserver::loadDemo(*db);
    }
    d_->dispatcher = std::make_unique<appserver::Dispatcher>(*d_->pool);
    net::InProcessTransport::Handler handler = d_->dispatcher->handler();
    net::setTransportFactory([handler](const std::string&, int) -> std::unique_ptr<net::Transport> {
      return std::make_unique<OperatorTransport>(
          [handler](const std::string& op) { return std::make_unique<net::InProcessTransport>(handler, op); });
    });
  } else if (!o.token.empty()) {
    std::string token = o.token;
    net::setTransportFactory([token](const std::string& host, int port) -> std::unique_ptr<net::Transport> {
      return std::make_unique<OperatorTransport>([token, host, port](const std::string& op) {
        return std::make_unique<net::HttpTransport>(host, port, net::HttpOptions{token, op});
      });
    });
    d_->hostToken = true;
  } else {
    // The screens' connections may name another host and port; sessions are the configured server's.
    d_->host = o.serverHost;
    d_->port = o.serverPort;
    Impl* impl = d_.get();
    net::setTransportFactory([impl](const std::string& host, int port) -> std::unique_ptr<net::Transport> {
      return std::make_unique<OperatorTransport>([impl, host, port](const std::string& op) {
        net::HttpOptions http{impl->token(op), op};
        http.renew = [impl, op](const std::string& refused, const std::string& why) {
          return impl->renew(op, refused, why);
        };
        return std::make_unique<net::HttpTransport>(host, port, std::move(http));
      });
    });
  }
  try {
    db::setSessionDatabase(std::shared_ptr<db::Database>(db::open(o.db)));
  } catch (...) {
    net::setTransportFactory(nullptr);
    throw;
  }
}

HostBackend::~HostBackend() {
  db::setSessionDatabase(nullptr);
  net::setTransportFactory(nullptr);
  signOut();
}

bool HostBackend::embedded() const { return d_->dispatcher != nullptr; }

bool HostBackend::needsSignIn() const { return !embedded() && !d_->hostToken; }

std::string HostBackend::signIn(const std::string& operatorName, const std::string& password) {
  if (!needsSignIn()) return operatorName;
  return d_->signIn(operatorName, password);
}

void HostBackend::setPasswordPrompt(PasswordPrompt prompt) {
  std::lock_guard<std::mutex> lock(d_->mutex);
  d_->prompt = std::move(prompt);
  d_->passwords.clear();
}

void HostBackend::signOut() {
  std::map<std::string, std::string> tokens;
  {
    std::lock_guard<std::mutex> lock(d_->mutex);
    tokens.swap(d_->tokens);
  }
  std::string last;
  for (const auto& [op, token] : tokens)
    if (token != last) net::signOut(d_->host, d_->port, last = token);
}

}  // namespace cad::host
