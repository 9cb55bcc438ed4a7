// InProcessServer (see inprocess_server.h). The handler decodes each request once more only to
// log it; the dispatcher still receives the exact body the client encoded.
#include "tests/support/inprocess_server.h"

#include "platform/core/errors.h"
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
            try {
              calls_.push_back(net::decodeRequest(body));
            } catch (const Exception&) {
              calls_.push_back({"", "(requisição inválida)", {}});
            }
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

std::vector<net::Request> InProcessServer::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> InProcessServer::methodNames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& c : calls_) names.push_back(c.method);
  return names;
}

void InProcessServer::clearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

}  // namespace cad::test
