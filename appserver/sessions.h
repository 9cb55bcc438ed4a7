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
// Sign-in attempts are counted before the password is checked, each count by one statement that
// also decides, so attempts sent together cannot all pass before any is counted:
// - per operator and client address: each attempt has its turn after the one before (1 s, doubling
//   with each attempt up to a minute); one sent up to a second early waits for its turn, one sent
//   earlier still is refused (429) unchecked. A successful sign-in clears it.
// - per client address: past the limit within the window, refused (429) until the window ends.
// - per operator (all addresses): past the limit within the window, every further attempt waits
//   before its check (doubling up to a few seconds) but is still checked, so nobody can lock an
//   operator out for everyone by failing on purpose.
// The counts are kept in the database (FALHAENTRADA), so the limits hold for all the server
// processes on it together. An unknown operator costs the same password check as a known one.
//
// Threads: every member may be called from any thread. verify(), beginLogin() and finishLogin()
// touch the database (a pooled connection each) and finishLogin() spends about a tenth of a second
// hashing: run them on a worker, never on the I/O thread. cached() never touches the database.
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
inline constexpr const char* kSessionOtherOperator = "Sessão não autorizada: o operador informado não é o da sessão.";
inline constexpr const char* kLoginTooMany =
    "Tentativas de entrada sem sucesso demais: aguarde alguns minutos e tente novamente.";

struct SessionOptions {
  std::string hostToken;  // empty: no host token accepted
  std::chrono::seconds idleTimeout{std::chrono::minutes(30)};
  std::chrono::seconds cacheTime{5};  // a verified session trusted from memory
  int maxFailuresPerOperator = 5;     // attempts in the window before the operator's attempts wait
  int maxFailuresPerPeer = 20;        // attempts in the window from one address before it is refused
  std::chrono::seconds failureWindow{std::chrono::minutes(5)};
  // Wait between attempts for one operator from one address, doubling from the first to the most.
  std::chrono::seconds firstPairWait{1}, maxPairWait{60};
  // Wait of an attempt for an operator past its limit, doubling from the first to the most.
  std::chrono::milliseconds firstOperatorWait{250}, maxOperatorWait{4000};
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
  // A sign-in attempt, counted and admitted (or refused) before its password is checked.
  struct Attempt {
    std::optional<AuthResult> refusal;  // refused unchecked (429)
    std::chrono::milliseconds wait{0};  // to wait before finishLogin (the operator's limit)
    std::string operatorName;           // upper-case code
    std::string peer;                   // the client address
  };
  // Counts the attempt of `operatorName` from `peer` (the client address) and decides.
  Attempt beginLogin(const std::string& operatorName, const std::string& peer);
  // Checks the password of an admitted attempt and opens a session.
  AuthResult finishLogin(const Attempt& attempt, const std::string& password);
  // Both, waiting on the calling thread in between.
  AuthResult login(const std::string& operatorName, const std::string& password, const std::string& peer);
  // Ends the session of that token (nothing when there is none).
  void logout(std::string_view bearer);

  const SessionOptions& options() const { return options_; }

 private:
  struct Known {
    std::string operatorName;
    std::chrono::steady_clock::time_point verifiedAt;
    int64_t lastCall = 0;  // last call seen by this process (epoch seconds)
  };
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
