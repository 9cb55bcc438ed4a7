// Sign-in and sessions (see sessions.h).
#include "appserver/sessions.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <thread>

#include "appserver/helpers.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"

namespace cad::appserver {

namespace {

// Longest operator code (OPERADOR.CDOPERADOR), password and bearer a request may carry; anything
// longer is refused before it is hashed.
constexpr size_t kMaxOperator = 12;
constexpr size_t kMaxPassword = 1024;
constexpr size_t kMaxBearer = 256;

void initSodium() {
  static const int ok = sodium_init();
  if (ok < 0) throw Exception("Não foi possível iniciar a biblioteca de criptografia.");
}

std::string hex(const unsigned char* data, size_t n) {
  std::string out(n * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), data, n);
  out.pop_back();
  return out;
}

// The key a session is stored under: a hash of its token, so the table never holds a usable token.
std::string tokenKey(std::string_view token) {
  unsigned char h[crypto_generichash_BYTES];
  crypto_generichash(h, sizeof h, reinterpret_cast<const unsigned char*>(token.data()), token.size(), nullptr, 0);
  return hex(h, sizeof h);
}

std::string newToken() {
  unsigned char raw[32];
  randombytes_buf(raw, sizeof raw);
  return hex(raw, sizeof raw);
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool sameOperator(std::string_view a, std::string_view b) { return upper(trim(a)) == upper(trim(b)); }

// Compares in time independent of where the texts differ.
bool sameSecret(std::string_view given, const std::string& expected) {
  if (expected.empty() || given.size() != expected.size()) return false;
  return sodium_memcmp(given.data(), expected.data(), given.size()) == 0;
}

AuthResult refused(unsigned status, std::string text) {
  AuthResult r;
  r.status = status;
  r.text = std::move(text);
  return r;
}

AuthResult allowed(std::string op) {
  AuthResult r;
  r.ok = true;
  r.status = 200;
  r.operatorName = std::move(op);
  return r;
}

}  // namespace

Sessions::Sessions(db::Pool& pool, SessionOptions options) : pool_(pool), options_(std::move(options)) { initSodium(); }

int64_t Sessions::now() const {
  if (options_.now) return options_.now();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::optional<AuthResult> Sessions::cached(std::string_view bearer, std::string_view xOperator) {
  if (bearer.empty() || bearer.size() > kMaxBearer) return refused(401, kSessionMissing);
  if (sameSecret(bearer, options_.hostToken)) {
    if (trim(xOperator).empty()) return refused(401, "Sessão não autorizada: operador não informado.");
    return allowed(std::string(xOperator));
  }
  std::string key = tokenKey(bearer);
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = known_.find(key);
  if (it == known_.end()) return std::nullopt;
  Known& k = it->second;
  int64_t t = now();
  bool fresh = std::chrono::steady_clock::now() - k.verifiedAt < options_.cacheTime &&
               t - k.lastCall <= options_.idleTimeout.count();
  if (!fresh) return std::nullopt;
  if (!xOperator.empty() && !sameOperator(xOperator, k.operatorName)) return refused(401, kSessionOtherOperator);
  k.lastCall = std::max(k.lastCall, t);
  return allowed(k.operatorName);
}

AuthResult Sessions::verify(std::string_view bearer, std::string_view xOperator) {
  if (bearer.empty() || bearer.size() > kMaxBearer) return refused(401, kSessionMissing);
  if (sameSecret(bearer, options_.hostToken)) return *cached(bearer, xOperator);
  std::string key = tokenKey(bearer);
  int64_t t = now();
  auto lease = pool_.acquire();
  db::ResultSet rs = lease->query("SELECT CDOPERADOR, NRULTUSO FROM SESSAOOPER WHERE IDSESSAO = :ID", {{"ID", key}});
  if (rs.rows.empty()) {
    std::lock_guard<std::mutex> lock(mutex_);
    known_.erase(key);
    return refused(401, kSessionMissing);
  }
  std::string op = textOf(rs.rows[0][0]);
  // The idle time counts from the last call: the stored one, or a later one this process answered
  // from memory and has not written yet.
  int64_t lastUse = rs.rows[0][1].asInt();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = known_.find(key);
    if (it != known_.end()) lastUse = std::max(lastUse, it->second.lastCall);
  }
  if (t - lastUse > options_.idleTimeout.count()) {
    lease->exec("DELETE FROM SESSAOOPER WHERE IDSESSAO = :ID", {{"ID", key}});
    std::lock_guard<std::mutex> lock(mutex_);
    known_.erase(key);
    return refused(401, kSessionExpired);
  }
  if (!xOperator.empty() && !sameOperator(xOperator, op)) return refused(401, kSessionOtherOperator);
  // Written whenever the second changed: with the memory trust above, at most once per cacheTime
  // per session and process.
  if (t > rs.rows[0][1].asInt())
    lease->exec("UPDATE SESSAOOPER SET NRULTUSO = :T WHERE IDSESSAO = :ID AND NRULTUSO < :T", {{"T", t}, {"ID", key}});
  std::lock_guard<std::mutex> lock(mutex_);
  known_[key] = Known{op, std::chrono::steady_clock::now(), t};
  return allowed(op);
}

namespace {

// "CASE n WHEN 1 THEN w1 … ELSE wmax END": the wait after attempt n, doubling from `first` up to
// `most` (whole numbers generated here, never client text).
std::string doublingWait(const std::string& n, int64_t first, int64_t most) {
  if (first <= 0) return "0";
  std::string sql = "CASE " + n;
  int64_t w = first;
  for (int i = 1; w < most && i < 32; ++i, w *= 2) sql += " WHEN " + std::to_string(i) + " THEN " + std::to_string(w);
  return sql + " ELSE " + std::to_string(most) + " END";
}

// Keys of the counts, within the column's length; a code too long to be an operator's counts as
// one key, so it can neither be cut inside a character nor pass the limit.
std::string operatorKey(const std::string& op) { return "O:" + (op.size() > kMaxOperator ? "(longo)" : op); }
std::string peerKey(const std::string& peer) { return "P:" + peer.substr(0, 90); }
std::string pairKey(const std::string& op, const std::string& peer) {
  return "A:" + (op.size() > kMaxOperator ? std::string("(longo)") : op) + "@" + peer.substr(0, 80);
}

// A password check as costly as a real one, for operators without a stored hash.
bool dummyCheck(const std::string& password) {
  static const std::string hash = hashPassword("senha que nenhum operador tem");
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace

Sessions::Attempt Sessions::beginLogin(const std::string& operatorName, const std::string& peer) {
  Attempt a;
  a.operatorName = upper(trim(operatorName));
  a.peer = peer;
  int64_t t = now();
  int64_t windowStart = t - options_.failureWindow.count();
  auto lease = pool_.acquire();
  // Each statement counts one attempt and returns the count only when the attempt may go on; row
  // locks (PostgreSQL) or the write lock (SQLite) order attempts sent together. NRINICIO is the
  // window's start; for the operator from one address, the time the last admitted attempt was
  // checked from.
  auto count = [&](const std::string& key, const std::string& nrinicio, const std::string& allowedWhen) {
    return lease->query(
        "INSERT INTO FALHAENTRADA (DSCHAVE, NRFALHAS, NRINICIO) VALUES (:K, 1, :T) ON CONFLICT (DSCHAVE) DO UPDATE SET"
        " NRFALHAS = CASE WHEN FALHAENTRADA.NRINICIO <= :LIMITE THEN 1 ELSE FALHAENTRADA.NRFALHAS + 1 END,"
        " NRINICIO = CASE WHEN FALHAENTRADA.NRINICIO <= :LIMITE THEN :T ELSE " +
            nrinicio +
            " END"
            " WHERE FALHAENTRADA.NRINICIO <= :LIMITE OR " +
            allowedWhen + " RETURNING NRFALHAS, NRINICIO",
        {{"K", key}, {"T", t}, {"LIMITE", windowStart}, {"CEDO", t + options_.firstPairWait.count()}});
  };
  // The operator from this address: the attempt's turn comes the doubling wait after the last
  // one's. One that comes at most the first wait early waits for its turn (a quick retry); one
  // earlier still is refused unchecked, so a burst gets at most two checks.
  std::string turn = "FALHAENTRADA.NRINICIO + " + doublingWait("FALHAENTRADA.NRFALHAS", options_.firstPairWait.count(),
                                                               options_.maxPairWait.count());
  db::ResultSet pair = count(pairKey(a.operatorName, peer), "CASE WHEN " + turn + " > :T THEN " + turn + " ELSE :T END",
                             turn + " <= :CEDO");
  if (pair.rows.empty() || count(peerKey(peer), "FALHAENTRADA.NRINICIO",
                                 "FALHAENTRADA.NRFALHAS < " + std::to_string(options_.maxFailuresPerPeer))
                               .rows.empty()) {
    a.refusal = refused(429, kLoginTooMany);
    return a;
  }
  a.wait = std::chrono::seconds(std::max<int64_t>(0, pair.rows[0][1].asInt() - t));
  int64_t n = count(operatorKey(a.operatorName), "FALHAENTRADA.NRINICIO", "1 = 1").rows.at(0).at(0).asInt();
  if (n > options_.maxFailuresPerOperator) {
    auto wait = options_.firstOperatorWait;
    for (int64_t i = options_.maxFailuresPerOperator + 1; i < n && wait < options_.maxOperatorWait; ++i) wait *= 2;
    a.wait = std::max(a.wait, std::min(wait, options_.maxOperatorWait));
  }
  return a;
}

AuthResult Sessions::finishLogin(const Attempt& a, const std::string& password) {
  const std::string& op = a.operatorName;
  int64_t t = now();
  auto lease = pool_.acquire();
  auto failure = [&]() {
    // Counts of past windows are dropped here, so the table holds only the current attempts.
    lease->exec("DELETE FROM FALHAENTRADA WHERE NRINICIO <= :LIMITE", {{"LIMITE", t - options_.failureWindow.count()}});
    return refused(401, kLoginInvalid);
  };
  if (op.empty() || op.size() > kMaxOperator || password.size() > kMaxPassword) {
    dummyCheck(password.substr(0, kMaxPassword));
    return failure();
  }
  db::ResultSet rs = lease->query(
      "SELECT O.IDATIVO, S.DSHASHSENHA FROM OPERADOR O LEFT JOIN SENHAOPER S ON S.CDOPERADOR = O.CDOPERADOR"
      " WHERE O.CDOPERADOR = :OP",
      {{"OP", op}});
  if (rs.rows.empty() || rs.rows[0][1].isNull()) {
    dummyCheck(password);
    return failure();
  }
  std::string hash = rs.rows[0][1].asString();
  if (crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0) return failure();
  if (textOf(rs.rows[0][0]) == "N") return refused(401, "Operador " + op + " inativo: acesso ao servidor recusado.");

  std::string token = newToken();
  {
    db::Transaction tx(*lease);
    // Sessions nobody used within the idle time are gone for good: sweep them with each sign-in.
    lease->exec("DELETE FROM SESSAOOPER WHERE NRULTUSO < :LIMITE", {{"LIMITE", t - options_.idleTimeout.count()}});
    lease->exec(
        "INSERT INTO SESSAOOPER (IDSESSAO, CDOPERADOR, NRINICIO, NRULTUSO, DSPEER) VALUES (:ID, :OP, :T, :T, :PEER)",
        {{"ID", tokenKey(token)}, {"OP", op}, {"T", t}, {"PEER", a.peer.substr(0, 64)}});
    // A sign-in that succeeds is no failure: the operator's counts go, and the address's loses it.
    lease->exec("DELETE FROM FALHAENTRADA WHERE DSCHAVE IN (:O, :A)",
                {{"O", operatorKey(op)}, {"A", pairKey(op, a.peer)}});
    lease->exec("UPDATE FALHAENTRADA SET NRFALHAS = NRFALHAS - 1 WHERE DSCHAVE = :P AND NRFALHAS > 0",
                {{"P", peerKey(a.peer)}});
    tx.commit();
  }
  AuthResult r = allowed(op);
  r.token = std::move(token);
  return r;
}

AuthResult Sessions::login(const std::string& operatorName, const std::string& password, const std::string& peer) {
  Attempt a = beginLogin(operatorName, peer);
  if (a.refusal) return *a.refusal;
  std::this_thread::sleep_for(a.wait);
  return finishLogin(a, password);
}

void Sessions::logout(std::string_view bearer) {
  if (bearer.empty() || bearer.size() > kMaxBearer || sameSecret(bearer, options_.hostToken)) return;
  std::string key = tokenKey(bearer);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    known_.erase(key);
  }
  auto lease = pool_.acquire();
  lease->exec("DELETE FROM SESSAOOPER WHERE IDSESSAO = :ID", {{"ID", key}});
}

std::string hashPassword(const std::string& password) {
  initSodium();
  if (password.empty()) throw Exception("A senha não pode ser vazia.");
  if (password.size() > kMaxPassword) throw Exception("Senha longa demais (até 1024 bytes).");
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw Exception("Memória insuficiente para calcular o hash da senha.");
  return out;
}

void setPassword(db::Database& db, const std::string& operatorName, const std::string& password) {
  std::string op = upper(trim(operatorName));
  std::string hash = hashPassword(password);
  db::Transaction tx(db);
  if (db.query("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = :OP", {{"OP", op}}).rows.empty())
    throw Exception("Operador " + op + " não cadastrado.");
  db.exec("DELETE FROM SENHAOPER WHERE CDOPERADOR = :OP", {{"OP", op}});
  db.exec("INSERT INTO SENHAOPER (CDOPERADOR, DSHASHSENHA) VALUES (:OP, :H)", {{"OP", op}, {"H", hash}});
  // A new password ends the operator's open sessions.
  db.exec("DELETE FROM SESSAOOPER WHERE CDOPERADOR = :OP", {{"OP", op}});
  tx.commit();
}

}  // namespace cad::appserver
