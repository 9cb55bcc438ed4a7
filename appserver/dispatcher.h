// Dispatcher: turns one request body into one reply body. Used by the HTTP server and, through
// the in-process transport, by tests and embedded hosts, so both run exactly the same path:
// decode → find the method → check the arguments → lease a connection → check the operator and
// the branch read → run (updates in one transaction) → encode the result and the by-reference
// arguments. Nothing escapes: malformed requests, unknown methods, wrong arguments, refused
// operators and branches and method exceptions all become {"fault": ...}; database failures that
// have a meaning for the user (a key stored meanwhile by someone else, a database busy beyond its
// timeout) get that meaning's text instead of the database's message.
// On SQLite, which lets one writer at a time in, updates of this server queue on one lock before
// they take a connection, so they wait for each other here rather than on the busy timeout.
// Each call writes one log line (method, milliseconds, outcome). Update calls set the audit
// context (operator, peer, method) at the start of their transaction; see audit.h.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "appserver/registry.h"

namespace cad::db {
class Pool;
}

namespace cad::appserver {

// Fault text of an update that found the database locked by another writer for longer than the
// busy timeout: nothing was written and the same call may simply be repeated.
inline constexpr const char* kDatabaseBusy =
    "O banco de dados está ocupado com outra gravação e nada foi gravado. Tente novamente em instantes.";

// Fault text of a call carrying U+0000 in a text (no backend stores it as sent).
inline constexpr const char* kNulInText = "Texto com caractere nulo (U+0000) não é aceito: argumento ";

class Dispatcher {
 public:
  explicit Dispatcher(db::Pool& pool, const Registry& registry = defaultRegistry());

  // peer: the client's address, recorded in the audit trail ("interno" when not given).
  std::string handle(const std::string& body, const std::string& operatorName);
  std::string handle(const std::string& body, const std::string& operatorName, const std::string& peer);

  // One request body and the operator in, one reply body out: the HTTP server and the in-process
  // transport take it as it is.
  using Handler = std::function<std::string(const std::string& body, const std::string& operatorName)>;
  // The handler for an InProcessTransport or the HTTP server, bound to this dispatcher.
  Handler handler();
  // The same, also taking the client's address (the HTTP server passes it).
  using PeerHandler =
      std::function<std::string(const std::string& body, const std::string& operatorName, const std::string& peer)>;
  PeerHandler peerHandler();

 private:
  db::Pool& pool_;
  const Registry& registry_;
  const bool serialWriters_;  // SQLite: one update of this server at a time
  std::mutex writer_;
};

}  // namespace cad::appserver
