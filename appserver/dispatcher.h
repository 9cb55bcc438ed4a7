// Dispatcher: turns one request body into one reply body. Used by the HTTP server and, through
// the in-process transport, by tests and embedded hosts, so both run exactly the same path:
// decode → find the method → check the arguments → lease a connection → run (updates in one
// transaction) → encode the result and the by-reference arguments. Nothing escapes: malformed
// requests, unknown methods, wrong arguments and method exceptions all become {"fault": ...}.
// Each call writes one log line (method, milliseconds, outcome).
#pragma once

#include <string>

#include "appserver/registry.h"
#include "platform/net/transport.h"

namespace cad::db {
class Pool;
}

namespace cad::appserver {

class Dispatcher {
 public:
  explicit Dispatcher(db::Pool& pool, const Registry& registry = defaultRegistry());

  std::string handle(const std::string& body, const std::string& operatorName);

  // The handler for an InProcessTransport or the HTTP server, bound to this dispatcher.
  net::InProcessTransport::Handler handler();

 private:
  db::Pool& pool_;
  const Registry& registry_;
};

}  // namespace cad::appserver
