// Operator sign-in and sessions of the application server.
//
// An operator signs in with code and password (POST /login); the password is checked against its
// Argon2id hash (SENHAOPER) and a session is created: a random token the client sends as its bearer,
// bound to that operator, ending after an idle time. Every call then runs as the session's
// operator; an X-Operator header, when sent, must name that same operator.
//
// Sessions live in the database (SESSAOOPER), keyed by a hash of the token (the token itself is
// never stored), so several server processes on one database serve the same clients. A process
// keeps a validated session in memory for a few seconds only, so an expiry or sign-out seen by
// one process reaches the others within that time.
//
// A host token (for unattended tools) is accepted only when the server was started with one; it
// takes the operator from X-Operator, as before sign-in existed.
//
// Failed sign-ins are limited per operator and per client address: past the limit within the
// window, further attempts are refused (429) until the window ends, right password or not. The
// failures are counted in the database (FALHAENTRADA), so the limits hold for all the server
// processes on it together, not for each one.
//
// Threads: every member may be called from any thread. verify() and login() touch the database
// (a pooled connection each) and login() spends about a tenth of a second hashing: run them on a
// worker, never on the I/O thread. cached() never touches the database.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace cad::db {
class Database;
class Pool;
}  // namespace cad::db

namespace cad::appserver {

// Texts of the refusals (the clients show them as they come).
inline constexpr const char* kLoginInvalid = "Operador ou senha inválidos.";
inline constexpr const char* kSessionMissing = "Sessão não autorizada: entre com operador e senha.";
inline constexpr const char* kSessionExpired = "Sessão expirada por inatividade: entre novamente.";
inline constexpr const char* kSessionOtherOperator =
    "Sessão não autorizada: o operador informado não é o da sessão.";
inline constexpr const char* kLoginTooMany =
    "Tentativas de entrada sem sucesso demais: aguarde alguns minutos e tente novamente.";

struct SessionOptions {
  std::string hostToken;                                 // empty: no host token accepted
  std::chrono::seconds idleTimeout{std::chrono::minutes(30)};
  std::chrono::seconds cacheTime{5};                     // a verified session trusted from memory
  std::chrono::seconds touchInterval{60};                // last use written at most this often
  int maxFailuresPerOperator = 5;
  int maxFailuresPerPeer = 20;
  std::chrono::seconds failureWindow{std::chrono::minutes(5)};
  // The wall clock in seconds since the epoch (tests move it).
  std::function<int64_t()> now;
};

// The outcome of an authorization or a sign-in: the operator, or an HTTP status with its text.
struct AuthResult {
  bool ok = false;
  std::string operatorName;
  unsigned status = 401;
  std::string text;
  std::string token;  // login only
};

class Sessions {
 public:
  Sessions(db::Pool& pool, SessionOptions options);

  // What the head alone decides, without the database: the host token, a session verified in the
  // last few seconds, or a header that cannot be a session. Empty when verify() must decide.
  std::optional<AuthResult> cached(std::string_view bearer, std::string_view xOperator);
  // The full check against the database (see cached()); records the session's use.
  AuthResult verify(std::string_view bearer, std::string_view xOperator);
  // Checks operator and password and opens a session; `peer` is the client address.
  AuthResult login(const std::string& operatorName, const std::string& password, const std::string& peer);
  // Ends the session of that token (nothing when there is none).
  void logout(std::string_view bearer);

  const SessionOptions& options() const { return options_; }

 private:
  struct Known {
    std::string operatorName;
    std::chrono::steady_clock::time_point verifiedAt;
    int64_t touchedAt = 0;  // last use written to the database (epoch seconds)
  };
  bool limited(db::Database& db, const std::string& key, int max, int64_t now);
  void fail(db::Database& db, const std::string& key, int64_t now);
  int64_t now() const;

  db::Pool& pool_;
  SessionOptions options_;
  std::mutex mutex_;
  std::map<std::string, Known> known_;  // by token hash
};

// Argon2id hash of a password for SENHAOPER (libsodium's string form, salt included).
std::string hashPassword(const std::string& password);
// Sets (or replaces) the password of an existing operator; throws cad::Exception with the reason.
void setPassword(db::Database& db, const std::string& operatorName, const std::string& password);

}  // namespace cad::appserver
