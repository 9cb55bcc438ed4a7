// InProcessServer: the real application-server code in the test process. It owns a connection
// pool on a database (by default a new demo database of the given backend) and a dispatcher, and
// installs the in-process transport as the process-wide factory, so every TNetConnection of the
// test reaches it without a socket, through the same JSON codec. (The screen fixture records the
// calls the screens make on the client side.)
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "appserver/dispatcher.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"

namespace cad::test {

class InProcessServer {
 public:
  // dbUrl empty: a new demo database on `backend`.
  explicit InProcessServer(const std::string& backend = "sqlite", std::string operatorName = "ADMIN",
                           std::string dbUrl = {});
  ~InProcessServer();  // removes the transport factory
  InProcessServer(const InProcessServer&) = delete;
  InProcessServer& operator=(const InProcessServer&) = delete;

  const std::string& url() const { return url_; }
  db::Pool& pool() { return *pool_; }
  appserver::Dispatcher& dispatcher() { return *dispatcher_; }

  // The operator the following calls carry (the X-Operator of the HTTP transport).
  void setOperator(std::string operatorName);

 private:
  std::string url_;
  std::unique_ptr<db::Pool> pool_;
  std::unique_ptr<appserver::Dispatcher> dispatcher_;
  mutable std::mutex mutex_;
  std::string operator_;
};

}  // namespace cad::test
