// InProcessServer (see inprocess_server.h): the dispatcher receives the exact body the client
// encoded, with the operator set at the time of the call.
#include "tests/support/inprocess_server.h"

#include "platform/net/transport.h"
#include "tests/support/support.h"

namespace cad::test {

InProcessServer::InProcessServer(const std::string& backend, std::string operatorName, std::string dbUrl)
    : url_(dbUrl.empty() ? freshDemoDatabase(backend) : std::move(dbUrl)), operator_(std::move(operatorName)) {
  pool_ = std::make_unique<db::Pool>(url_, 2);
  dispatcher_ = std::make_unique<appserver::Dispatcher>(*pool_);
  net::setTransportFactory([this](const std::string&, int) -> std::unique_ptr<net::Transport> {
    return std::make_unique<net::InProcessTransport>(
        [this](const std::string& body, const std::string&) {
          std::string op;
          {
            std::lock_guard lock(mutex_);
            op = operator_;
          }
          return dispatcher_->handle(body, op);
        },
        operator_);
  });
}

InProcessServer::~InProcessServer() { net::setTransportFactory(nullptr); }

void InProcessServer::setOperator(std::string operatorName) {
  std::lock_guard lock(mutex_);
  operator_ = std::move(operatorName);
}

}  // namespace cad::test
