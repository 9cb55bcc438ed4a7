// HostBackend (see backend.h).
#include "hosts/common/backend.h"

#include <utility>

#include "appserver/dispatcher.h"
#include "appserver/schema.h"
#include "hosts/common/options.h"
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
  } else {
    std::string token = o.token;
    net::setTransportFactory([token](const std::string& host, int port) -> std::unique_ptr<net::Transport> {
      return std::make_unique<OperatorTransport>([token, host, port](const std::string& op) {
        return std::make_unique<net::HttpTransport>(host, port, net::HttpOptions{token, op});
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
}

bool HostBackend::embedded() const { return d_->dispatcher != nullptr; }

}  // namespace cad::host
