// HTTP front of the application server (see httpserver.h), on Boost.Beast over Asio; the only
// translation unit of the project that includes them.
//
// Threads: the caller of run() is the one I/O thread; it owns the listener, every socket, timer
// and connection state, so none of them needs a lock. A small worker pool runs the handler; a
// finished call is posted back to the I/O thread, which writes the reply. A connection therefore
// holds a worker only while its call executes.
//
// Invariants:
// - /rpc never reaches the handler without a matching token (compared in constant time) and an
//   operator. Token, operator and framing (length, transfer and content codings) are checked from
//   the head before any body byte is read; a body over the limit is refused as soon as its
//   Content-Length or a chunk size says so, and is never accumulated. The body bytes held at once
//   (received, or queued for a worker) stay under maxPendingBodyBytes: they are counted as they
//   arrive, never by what a head announces, and a body's memory is given back after its call.
// - A request has one deadline for its head and body together, counted from its first byte; its
//   head has a shorter one (from the connection's opening for its first request), and its body must
//   keep a minimum rate; an idle kept-alive connection is closed after the idle time; a reply the
//   client does not take is abandoned after the request time. Every wait of a connection is under
//   one of these timers.
// - A refusal that leaves a body unread ends the connection: the reply goes out with
//   "Connection: close", then the server shuts its side and reads and discards what the client
//   still sends for a short time (never storing it), so the client sees the reply, not a reset.
// - stop(): the listener closes; idle, partly received and queued requests close at once; calls
//   already executing finish and reply with "Connection: close"; after a grace period every other
//   socket closes. run() returns when no connection and no call is left.
#include "appserver/httpserver.h"

#include <spdlog/spdlog.h>

#include <nlohmann/json.hpp>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "appserver/logtext.h"
#include "appserver/sessions.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"

namespace cad::appserver {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using beast::error_code;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kHeaderLimit = size_t{16} * 1024;  // request line and header fields
constexpr size_t kBufferLimit = size_t{64} * 1024;  // read buffer of a connection
constexpr auto kLinger = std::chrono::seconds(2);
constexpr auto kStopGrace = std::chrono::seconds(4);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
constexpr size_t kMaxRefusing = 64;     // connections being turned away (503) at once
constexpr size_t kMaxLoginBody = 4096;  // a sign-in carries an operator code and a password

bool sameSecret(std::string_view given, const std::string& expected) {
  if (expected.empty() || given.size() != expected.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < given.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ expected[i]);
  return diff == 0;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view view(beast::string_view s) { return {s.data(), s.size()}; }

// The comma-separated codings of every occurrence of a header field, in order.
std::vector<std::string_view> codings(const http::fields& fields, http::field name) {
  std::vector<std::string_view> out;
  auto range = fields.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) {
    std::string_view v = view(it->value());
    for (;;) {
      size_t comma = v.find(',');
      std::string_view token = trimmed(v.substr(0, comma));
      if (!token.empty()) out.push_back(token);
      if (comma == std::string_view::npos) break;
      v.remove_prefix(comma + 1);
    }
  }
  return out;
}

// A request body as it arrives: unlike string_body it reserves nothing for an announced length,
// so the memory a request holds is what its client actually sent.
struct ReceivedBody {
  using value_type = std::string;
  class reader {
   public:
    template <bool isRequest, class Fields>
    reader(http::header<isRequest, Fields>&, value_type& body) : body_(body) {}
    void init(const boost::optional<std::uint64_t>&, error_code& ec) { ec = {}; }
    template <class ConstBufferSequence>
    size_t put(const ConstBufferSequence& buffers, error_code& ec) {
      ec = {};
      size_t n = 0;
      for (auto it = asio::buffer_sequence_begin(buffers); it != asio::buffer_sequence_end(buffers); ++it) {
        body_.append(static_cast<const char*>(it->data()), it->size());
        n += it->size();
      }
      return n;
    }
    void finish(error_code& ec) { ec = {}; }

   private:
    value_type& body_;
  };
};

// Gives the memory of a large body back to the system once the call that held it is over.
void releaseLargeMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

// Runs the handler off the I/O thread. Jobs not yet started can be taken back (at stop).
class WorkerPool {
 public:
  ~WorkerPool() { stopAndJoin(); }
  void start(size_t n) {
    for (size_t i = 0; i < n; ++i) threads_.emplace_back([this] { loop(); });
  }
  void submit(std::function<void()> job) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(job));
    }
    ready_.notify_one();
  }
  std::deque<std::function<void()>> takeQueued() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(queue_, {});
  }
  void stopAndJoin() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    ready_.notify_all();
    for (auto& t : threads_) t.join();
    threads_.clear();
  }

 private:
  void loop() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return done_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      job();
    }
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::thread> threads_;
  bool done_ = false;
};

// POST /login: {"operator": ..., "password": ...}. False (with the 400 reply) when malformed; a
// U+0000 in the operator is malformed too (no operator code holds one).
bool readSignIn(const std::string& body, std::string& op, std::string& password, std::string& reply) {
  try {
    nlohmann::json j = nlohmann::json::parse(body);
    if (!j.is_object() || !j.contains("operator") || !j.contains("password") || !j["operator"].is_string() ||
        !j["password"].is_string())
      throw std::invalid_argument("campos");
    op = j["operator"].get<std::string>();
    password = j["password"].get<std::string>();
    if (op.find('\0') != std::string::npos) throw std::invalid_argument("nulo");
    return true;
  } catch (const std::exception&) {
    reply = net::encodeFault("Entrada malformada: envie {\"operator\": ..., \"password\": ...}.");
    return false;
  }
}

// The reply to a sign-in: 200 {"token", "operator", "idleSeconds"}, or the refusal's status with
// its fault text. Returns the HTTP status.
unsigned signInReply(const Sessions& sessions, const AuthResult& r, const std::string& op, const std::string& peer,
                     std::string& reply) {
  if (!r.ok) {
    spdlog::warn("{}: entrada de {} recusada: {}", peer, logText(op), r.text);
    reply = net::encodeFault(r.text);
    return r.status;
  }
  spdlog::info("{}: operador {} entrou", peer, r.operatorName);
  reply =
      nlohmann::json{
          {"token", r.token}, {"operator", r.operatorName}, {"idleSeconds", sessions.options().idleTimeout.count()}}
          .dump();
  return 200;
}

// Runs one step of a call, turning an exception into a 500 reply.
template <typename F>
unsigned guardedStep(F&& step, std::string& reply) {
  try {
    return step();
  } catch (const std::exception& e) {
    spdlog::error("falha ao atender requisição: {}", logText(e.what()));
    reply = net::encodeFault(std::string("Erro interno do servidor de aplicação: ") + e.what());
  } catch (...) {
    spdlog::error("falha ao atender requisição: erro desconhecido");
    reply = net::encodeFault("Erro interno do servidor de aplicação.");
  }
  return 500;
}

class Connection;

// An address as compared with the trusted proxies: an IPv4 address mapped into IPv6 as IPv4.
asio::ip::address plainAddress(const asio::ip::address& a) {
  if (a.is_v6() && a.to_v6().is_v4_mapped()) return asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6());
  return a;
}

// The client a sign-in is counted against: the peer, or behind a trusted proxy the rightmost
// address of X-Forwarded-For (all its fields, in order) that is not a trusted proxy. An entry that
// is not an address stops the walk at the hop that added it, so a forged or garbled header can
// only make the attempt count against the proxy itself.
std::string signInClient(const asio::ip::address& peer, const http::fields& req,
                         const std::vector<asio::ip::address>& trusted) {
  auto isTrusted = [&](const asio::ip::address& a) {
    return std::find(trusted.begin(), trusted.end(), plainAddress(a)) != trusted.end();
  };
  asio::ip::address client = plainAddress(peer);
  if (!isTrusted(client)) return client.to_string();
  std::vector<std::string_view> hops;
  auto [first, last] = req.equal_range("X-Forwarded-For");
  for (auto it = first; it != last; ++it) {
    std::string_view v(it->value().data(), it->value().size());
    for (size_t pos = 0; pos <= v.size();) {
      size_t comma = std::min(v.find(',', pos), v.size());
      hops.push_back(trimmed(v.substr(pos, comma - pos)));
      pos = comma + 1;
    }
  }
  for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
    error_code ec;
    asio::ip::address a = asio::ip::make_address(std::string(*hop), ec);
    if (ec) break;
    client = plainAddress(a);
    if (!isTrusted(client)) break;
  }
  return client.to_string();
}

// The server's state; the I/O thread's part is touched by it alone.
struct Front {
  HttpServer::PeerHandler handler;
  HttpServerOptions options;
  std::vector<asio::ip::address> trustedProxies;  // options.trustedProxies, parsed

  // I/O thread only. Declared before the io_context: destroying it destroys pending handlers,
  // whose connections unregister here.
  std::unordered_set<Connection*> connections;
  std::map<asio::ip::address, size_t> perPeer;
  size_t counted = 0;                         // connections within the limits (sum of perPeer)
  size_t refusing = 0;                        // connections being answered 503
  size_t pendingBodyBytes = 0;                // body bytes received, being received or waiting for their call
  std::map<std::string, size_t> largeBodies;  // large bodies at once per client address and session
  bool stopping = false;
  bool tearingDown = false;
  Clock::time_point lastBusyLog{};
  size_t busyUnlogged = 0;
  std::array<char, 8192> discard{};  // what lingering connections read, thrown away

  asio::io_context ioc;
  tcp::acceptor acceptor{ioc};
  asio::steady_timer acceptPause{ioc};
  asio::steady_timer stopGrace{ioc};

  std::atomic<bool> ready{false}, finished{false}, ran{false};
  WorkerPool workers;  // declared last: joined first

  // The timers go before the io_context; connections its destruction releases must not touch them.
  ~Front() { tearingDown = true; }

  void accept();
  void onAccepted(error_code ec, tcp::socket socket);
  void beginStop();
  void logBusy(const asio::ip::address& peer, const char* which);
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  enum class Slot { Counted, Refusing };

  Connection(Front& s, tcp::socket socket, asio::ip::address peer, Slot slot)
      : s_(s), socket_(std::move(socket)), timer_(s.ioc), peer_(std::move(peer)), slot_(slot), openedAt_(Clock::now()) {
    s_.connections.insert(this);
  }

  // A timer's cancel reports no error (the timer service's cancel always succeeds), so nothing
  // leaves this destructor.
  ~Connection() {  // NOLINT(bugprone-exception-escape)
    releaseBody();
    s_.connections.erase(this);
    if (slot_ == Slot::Counted) {
      --s_.counted;
      auto it = s_.perPeer.find(peer_);
      if (it != s_.perPeer.end() && --it->second == 0) s_.perPeer.erase(it);
    } else {
      --s_.refusing;
    }
    if (s_.stopping && s_.connections.empty() && !s_.tearingDown) s_.stopGrace.cancel();
  }

  void start() { waitForRequest(); }

  // Over a connection limit: a 503 without reading the request, then the connection ends.
  void refuseBusy() {
    respond(503, net::encodeFault("Servidor de aplicação ocupado (conexões demais); tente novamente."), false);
    arm(kLinger);
  }

  // The server stops: whatever is not executing or being answered ends now.
  void onStop() {
    if (state_ == State::Idle || state_ == State::Reading || state_ == State::Lingering || waitingSignIn_) close();
  }
  // The stop's grace period is over: only calls still executing keep their connection.
  void onGraceOver() {
    if (state_ != State::Executing) close();
  }

 private:
  enum class State { Idle, Reading, Executing, Writing, Lingering, Closed };
  enum class Kind { Rpc, Login, Logout };

  // ---- timers

  void arm(Clock::duration d) { armAt(Clock::now() + d); }
  void armAt(Clock::time_point when) {
    unsigned gen = ++timerGen_;
    timer_.expires_at(when);
    timer_.async_wait([self = shared_from_this(), gen](error_code ec) {
      if (!ec && gen == self->timerGen_) self->onDeadline();
    });
  }
  void disarm() {
    ++timerGen_;
    timer_.cancel();
  }
  void onDeadline() {
    switch (state_) {
      case State::Reading:
        // The read in progress ends with operation_aborted and answers 408 (see failedRead).
        timedOut_ = true;
        {
          error_code ignored;
          socket_.cancel(ignored);
        }
        break;
      case State::Writing:
        spdlog::warn("{}: resposta não recebida pelo cliente a tempo; conexão encerrada", peer_.to_string());
        close();
        break;
      case State::Idle:
      case State::Lingering: close(); break;
      default: break;
    }
  }

  // ---- request

  void waitForRequest() {
    if (s_.stopping) return close();
    state_ = State::Idle;
    timedOut_ = false;
    version_ = 11;
    parser_.emplace();
    parser_->header_limit(kHeaderLimit);
    // The body limit is checked from the head (after the token), then set before the body is read.
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    if (buffer_.size() > 0) return readHead();  // a pipelined request is already here
    buffer_.shrink_to_fit();
    // A connection that never sent a request has only the head's deadline from its opening, so
    // silent connections cannot hold the connection limits.
    if (served_)
      arm(s_.options.idleTimeout);
    else
      armAt(openedAt_ + s_.options.headTimeout);
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code ec) {
      if (!ec && self->state_ == State::Idle) self->readHead();
    });
  }

  void readHead() {
    state_ = State::Reading;
    Clock::time_point now = Clock::now();
    requestDeadline_ = now + s_.options.requestTimeout;
    armAt(std::min(requestDeadline_, (served_ ? now : openedAt_) + s_.options.headTimeout));
    http::async_read_header(socket_, buffer_, *parser_, [self = shared_from_this()](error_code ec, size_t) {
      if (self->state_ == State::Reading && !self->failedRead(ec)) self->route();
    });
  }

  // Handles the end of a read that did not deliver what was asked; true when it did so.
  bool failedRead(error_code ec) {
    if (timedOut_) {
      refuse(408, "A requisição não chegou inteira dentro do prazo.");
      return true;
    }
    if (!ec) return false;
    if (ec == http::error::body_limit) {
      refuse(413, "Requisição grande demais.");
    } else if (ec == http::error::header_limit) {
      refuse(431, "Cabeçalho da requisição grande demais.");
    } else if (ec.category() == http::make_error_code(http::error::bad_method).category() &&
               ec != http::error::end_of_stream && ec != http::error::partial_message) {
      refuse(400, std::string("Requisição HTTP malformada (") + ec.message() + ").");
    } else {
      close();  // the client went away (end of stream, reset) or the server closed the socket
    }
    return true;
  }

  void route() {
    served_ = true;
    armAt(requestDeadline_);
    auto& req = parser_->get();
    version_ = req.version() == 10 ? 10 : 11;
    std::string_view target = view(req.target());
    std::string_view path = target.substr(0, target.find('?'));
    bool hasBody = parser_->chunked() || req.count(http::field::transfer_encoding) > 0 ||
                   parser_->content_length().value_or(0) > 0;
    if (path == "/health") {
      if (req.method() != http::verb::get) return refuse(405, "Use GET em /health.", "GET");
      // A body nobody reads ends the connection after the reply.
      return respond(200, "{\"status\":\"ok\"}", req.keep_alive() && !hasBody);
    }
    Sessions* sessions = s_.options.sessions;
    if (path == "/rpc") {
      kind_ = Kind::Rpc;
    } else if (sessions && path == "/login") {
      kind_ = Kind::Login;
    } else if (sessions && path == "/logout") {
      kind_ = Kind::Logout;
    } else {
      return refuse(404, "Recurso não encontrado.");
    }
    if (req.method() != http::verb::post) return refuse(405, "Use POST em " + std::string(path) + ".", "POST");
    if (kind_ == Kind::Login) {
      client_ = signInClient(peer_, req, s_.trustedProxies);
      return checkFraming(kMaxLoginBody);
    }

    // "Bearer <token>", the scheme in any case.
    std::string_view auth = trimmed(view(req[http::field::authorization]));
    size_t space = auth.find(' ');
    std::string_view bearer = space != std::string_view::npos && beast::iequals(auth.substr(0, space), "Bearer")
                                  ? trimmed(auth.substr(space))
                                  : std::string_view();
    std::string_view xOperator = trimmed(view(req["X-Operator"]));
    if (!sessions) {
      if (!sameSecret(bearer, s_.options.token))
        return refuse(401, "Sessão não autorizada: token ausente ou inválido.");
      if (xOperator.empty()) return refuse(401, "Sessão não autorizada: operador não informado.");
      operator_ = std::string(xOperator);
      return checkFraming(s_.options.maxBodyBytes);
    }
    bearer_ = std::string(bearer.substr(0, 512));
    if (std::optional<AuthResult> known = sessions->cached(bearer, xOperator)) return authorized(*known);
    // A session not seen lately is read from the database on a worker; the head waits meanwhile
    // under the request's deadline, and no body byte is read before the answer.
    s_.workers.submit([&s = s_, self = shared_from_this(), guard = asio::make_work_guard(s_.ioc), sessions,
                       bearer = bearer_, xOperator = std::string(xOperator)]() mutable {
      AuthResult result;
      try {
        result = sessions->verify(bearer, xOperator);
      } catch (const std::exception& e) {
        spdlog::error("falha ao verificar a sessão: {}", logText(e.what()));
        result.status = 503;
        result.text = "Não foi possível verificar a sessão agora; tente novamente.";
      }
      asio::post(s.ioc, [self = std::move(self), result = std::move(result)]() mutable {
        if (self->state_ != State::Reading) return;
        if (self->timedOut_) return self->refuse(408, "A requisição não chegou inteira dentro do prazo.");
        self->authorized(result);
      });
    });
  }

  void authorized(const AuthResult& result) {
    if (!result.ok) return refuse(result.status, result.text);
    operator_ = result.operatorName;
    checkFraming(kind_ == Kind::Logout ? kMaxLoginBody : s_.options.maxBodyBytes);
  }

  // Transfer and content codings, length and body limits, checked from the head.
  void checkFraming(size_t maxBody) {
    auto& req = parser_->get();
    std::vector<std::string_view> transfer = codings(req, http::field::transfer_encoding);
    if (!transfer.empty() && !(transfer.size() == 1 && beast::iequals(transfer[0], "chunked")))
      return refuse(501, "Codificação de transferência não suportada (aceita-se apenas chunked).");
    for (std::string_view c : codings(req, http::field::content_encoding))
      if (!beast::iequals(c, "identity"))
        return refuse(415, "Corpo comprimido não é aceito (Content-Encoding deve ser identity).");
    if (!parser_->chunked() && !parser_->content_length()) return refuse(411, "Requisição sem Content-Length.");
    if (parser_->content_length().value_or(0) > maxBody) return refuse(413, "Requisição grande demais.");
    parser_->body_limit(maxBody);
    // A client sends only a few large bodies at once, by its address and by its session.
    size_t announced = parser_->chunked() ? maxBody : static_cast<size_t>(*parser_->content_length());
    if (announced > s_.options.largeBodyBytes && !holdLarge())
      return refuse(503,
                    "Servidor de aplicação ocupado (requisições grandes demais deste cliente em andamento); "
                    "tente novamente.");

    std::string_view expect = trimmed(view(req[http::field::expect]));
    if (!expect.empty()) {
      if (!beast::iequals(expect, "100-continue")) return refuse(417, "Expect não suportado.");
      if (!parser_->is_done()) return sendContinue();
    }
    readBody();
  }

  void sendContinue() {
    interim_ = {http::status::continue_, 11};
    http::async_write(socket_, interim_, [self = shared_from_this()](error_code ec, size_t) {
      if (self->state_ == State::Reading && !self->failedRead(ec)) self->readBody();
    });
  }

  bool holdLarge() {
    std::vector<std::string> keys{"P:" + peer_.to_string()};
    if (kind_ == Kind::Rpc) keys.push_back("S:" + bearer_ + "\n" + operator_);
    for (const auto& k : keys) {
      auto it = s_.largeBodies.find(k);
      if (it != s_.largeBodies.end() && it->second >= s_.options.maxLargeBodiesPerClient) return false;
    }
    for (auto& k : keys) ++s_.largeBodies[k];
    largeKeys_ = std::move(keys);
    return true;
  }

  void readBody() {
    bodyStart_ = Clock::now();
    receiveBody();
  }

  // Reads the body a piece at a time, counting each piece against the bodies' bound as it arrives,
  // under a deadline that follows the body's progress: past the grace time, the body's average
  // rate since its start must stay over the minimum.
  void receiveBody() {
    if (!holdReceived()) return;
    if (parser_->is_done()) return execute();
    Clock::time_point due = requestDeadline_;
    if (s_.options.minBodyRate > 0) {
      auto allowance = std::chrono::duration<double>(static_cast<double>(heldBody_) / s_.options.minBodyRate);
      due = std::min(due, bodyStart_ + s_.options.bodyGrace + std::chrono::duration_cast<Clock::duration>(allowance));
    }
    armAt(due);
    http::async_read_some(socket_, buffer_, *parser_, [self = shared_from_this()](error_code ec, size_t) {
      if (self->state_ == State::Reading && !self->failedRead(ec)) self->receiveBody();
    });
  }

  // Counts what arrived of the body; false (answered 503) when it would pass the bound.
  bool holdReceived() {
    size_t size = parser_->get().body().size();
    size_t more = size - heldBody_;
    if (more == 0) return true;
    if (s_.pendingBodyBytes + more > s_.options.maxPendingBodyBytes) {
      refuse(503, "Servidor de aplicação ocupado (requisições demais em andamento); tente novamente.");
      return false;
    }
    s_.pendingBodyBytes += more;
    heldBody_ = size;
    return true;
  }

  void execute() {
    disarm();
    state_ = State::Executing;
    auto& req = parser_->get();
    keepAlive_ = req.keep_alive();
    std::string op = std::move(operator_);
    std::string body = std::move(req.body());
    parser_.reset();
    if (kind_ == Kind::Login) return signIn(std::move(body));
    Front& s = s_;
    // The job holds a work guard, so run() waits for the call; its result goes back to the I/O
    // thread together with the last reference to the connection.
    s.workers.submit([&s, self = shared_from_this(), guard = asio::make_work_guard(s.ioc), body = std::move(body),
                      op = std::move(op), kind = kind_, bearer = std::move(bearer_),
                      peer = peer_.to_string()]() mutable {
      std::string reply;
      unsigned status = guardedStep(
          [&]() -> unsigned {
            if (kind == Kind::Logout) {
              s.options.sessions->logout(bearer);
              reply = "{\"status\":\"ok\"}";
            } else {
              reply = s.handler(body, op, peer);
            }
            return 200;
          },
          reply);
      bool large = body.size() > s.options.largeBodyBytes;
      std::string().swap(body);
      if (large) releaseLargeMemory();
      answerLater(std::move(self), status, std::move(reply));
    });
  }

  // Sign-in: the attempt is counted (and maybe refused) first; one that must wait for the
  // operator's limit waits on the connection's timer, holding no worker, before its check.
  void signIn(std::string body) {
    Front& s = s_;
    s.workers.submit([&s, self = shared_from_this(), guard = asio::make_work_guard(s.ioc), body = std::move(body),
                      peer = std::move(client_)]() mutable {
      std::string op, password, reply;
      if (!readSignIn(body, op, password, reply)) return answerLater(std::move(self), 400, std::move(reply));
      Sessions& sessions = *s.options.sessions;
      Sessions::Attempt attempt;
      unsigned status = guardedStep(
          [&]() -> unsigned {
            attempt = sessions.beginLogin(op, peer);
            if (attempt.refusal) return signInReply(sessions, *attempt.refusal, op, peer, reply);
            if (attempt.wait.count() > 0) return 0;
            return signInReply(sessions, sessions.finishLogin(attempt, password), op, peer, reply);
          },
          reply);
      if (status != 0) return answerLater(std::move(self), status, std::move(reply));
      asio::post(s.ioc,
                 [self = std::move(self), attempt = std::move(attempt), password = std::move(password)]() mutable {
                   if (self->state_ == State::Executing) self->checkAfterWait(std::move(attempt), std::move(password));
                 });
    });
  }

  void checkAfterWait(Sessions::Attempt attempt, std::string password) {
    waitingSignIn_ = true;
    unsigned gen = ++timerGen_;
    timer_.expires_after(attempt.wait);
    timer_.async_wait([self = shared_from_this(), gen, attempt = std::move(attempt),
                       password = std::move(password)](error_code ec) mutable {
      if (ec || gen != self->timerGen_ || self->state_ != State::Executing) return;
      self->waitingSignIn_ = false;
      Front& s = self->s_;
      s.workers.submit([&s, self, guard = asio::make_work_guard(s.ioc), attempt = std::move(attempt),
                        password = std::move(password)]() mutable {
        std::string reply;
        Sessions& sessions = *s.options.sessions;
        unsigned status = guardedStep(
            [&]() -> unsigned {
              return signInReply(sessions, sessions.finishLogin(attempt, password), attempt.operatorName, attempt.peer,
                                 reply);
            },
            reply);
        answerLater(std::move(self), status, std::move(reply));
      });
    });
  }

  // From a worker: the reply goes out on the I/O thread.
  static void answerLater(std::shared_ptr<Connection> self, unsigned status, std::string reply) {
    Front& s = self->s_;
    asio::post(s.ioc, [self = std::move(self), status, reply = std::move(reply)]() mutable {
      self->releaseBody();
      if (self->state_ == State::Executing) self->respond(status, std::move(reply), self->keepAlive_);
    });
  }

  // ---- reply

  void refuse(unsigned status, const std::string& why, const char* allow = nullptr) {
    releaseBody();  // what arrived of a refused body is no longer held
    std::string what = "(cabeçalho incompleto)";
    if (parser_ && parser_->is_header_done()) {
      const auto& req = parser_->get();
      what = logText(view(req.method_string())) + " " + logText(view(req.target()));
    }
    spdlog::warn("{} {} recusado ({}): {}", peer_.to_string(), what, status, why);
    respond(status, net::encodeFault(why), false, allow);
  }

  void respond(unsigned status, std::string body, bool keepAlive, const char* allow = nullptr) {
    keepAlive_ = keepAlive && !s_.stopping;
    response_ = {};
    response_.version(version_);
    response_.result(status);
    response_.set(http::field::content_type, "application/json");
    if (allow) response_.set(http::field::allow, allow);
    response_.keep_alive(keepAlive_);
    response_.body() = std::move(body);
    response_.prepare_payload();
    state_ = State::Writing;
    // While stopping, a reply the client does not take must not hold the stop up.
    arm(s_.stopping ? std::min<Clock::duration>(s_.options.requestTimeout, kStopGrace) : s_.options.requestTimeout);
    http::async_write(socket_, response_, [self = shared_from_this()](error_code ec, size_t) {
      if (self->state_ == State::Writing) self->onWritten(ec);
    });
  }

  void onWritten(error_code ec) {
    response_ = {};
    if (ec || s_.stopping) return close();
    if (!keepAlive_) return linger();
    waitForRequest();
  }

  // ---- end

  void linger() {
    state_ = State::Lingering;
    parser_.reset();  // a refused body's bytes go at once
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    arm(kLinger);
    discard();
  }
  void discard() {
    socket_.async_read_some(asio::buffer(s_.discard), [self = shared_from_this()](error_code ec, size_t) {
      if (self->state_ != State::Lingering) return;
      if (ec) return self->close();
      self->discard();
    });
  }

  void releaseBody() {
    s_.pendingBodyBytes -= heldBody_;
    heldBody_ = 0;
    for (const auto& k : largeKeys_) {
      auto it = s_.largeBodies.find(k);
      if (it != s_.largeBodies.end() && --it->second == 0) s_.largeBodies.erase(it);
    }
    largeKeys_.clear();
  }

  void close() {
    releaseBody();
    if (state_ == State::Closed) return;
    state_ = State::Closed;
    disarm();
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
  }

  Front& s_;
  tcp::socket socket_;
  asio::steady_timer timer_;
  unsigned timerGen_ = 0;
  asio::ip::address peer_;
  Slot slot_;
  State state_ = State::Idle;
  bool timedOut_ = false;
  bool keepAlive_ = false;
  size_t heldBody_ = 0;                 // this request's share of pendingBodyBytes: its body bytes received
  std::vector<std::string> largeKeys_;  // this request's entries in largeBodies
  Clock::time_point openedAt_;
  Clock::time_point requestDeadline_{};
  Clock::time_point bodyStart_{};
  bool served_ = false;  // a request head has arrived on this connection
  bool waitingSignIn_ = false;
  unsigned version_ = 11;
  Kind kind_ = Kind::Rpc;
  std::string client_;    // at /login: the client the attempt counts against (signInClient)
  std::string operator_;  // the request's operator, once authorized
  std::string bearer_;    // the request's session token (sign-out)
  beast::flat_buffer buffer_{kBufferLimit};
  std::optional<http::request_parser<ReceivedBody>> parser_;
  http::response<http::string_body> response_;
  http::response<http::empty_body> interim_;
};

// ---- listener

void Front::accept() {
  acceptor.async_accept([this](error_code ec, tcp::socket socket) { onAccepted(ec, std::move(socket)); });
}

void Front::onAccepted(error_code ec, tcp::socket socket) {
  if (stopping || !acceptor.is_open()) return;
  if (ec) {
    if (ec == asio::error::no_descriptors || ec == asio::error::no_buffer_space || ec == asio::error::no_memory ||
        ec == boost::system::errc::too_many_files_open_in_system) {
      // Out of descriptors or memory: pause instead of spinning on the same error.
      logBusy({}, "recursos do sistema esgotados (descritores ou memória)");
      acceptPause.expires_after(kAcceptPause);
      acceptPause.async_wait([this](error_code e) {
        if (!e && !stopping) accept();
      });
      return;
    }
    return accept();
  }
  error_code ignored;
  socket.set_option(tcp::no_delay(true), ignored);  // replies are small and latency-bound
  asio::ip::address peer = socket.remote_endpoint(ignored).address();
  auto peerIt = perPeer.find(peer);
  size_t fromPeer = peerIt == perPeer.end() ? 0 : peerIt->second;
  if (counted >= options.maxConnections || fromPeer >= options.maxConnectionsPerPeer) {
    logBusy(peer, counted >= options.maxConnections ? "limite total de conexões" : "limite de conexões por endereço");
    if (refusing < kMaxRefusing) {
      ++refusing;
      std::make_shared<Connection>(*this, std::move(socket), peer, Connection::Slot::Refusing)->refuseBusy();
    }  // else the socket just closes
    return accept();
  }
  ++counted;
  ++perPeer[peer];
  std::make_shared<Connection>(*this, std::move(socket), peer, Connection::Slot::Counted)->start();
  accept();
}

// At most one warning a second, with the number left unlogged since the last.
void Front::logBusy(const asio::ip::address& peer, const char* which) {
  auto now = Clock::now();
  if (now - lastBusyLog < std::chrono::seconds(1)) {
    ++busyUnlogged;
    return;
  }
  lastBusyLog = now;
  std::string more = busyUnlogged ? " (e " + std::to_string(busyUnlogged) + " recusas não registradas)" : "";
  if (peer.is_unspecified())
    spdlog::warn("conexões não aceitas: {}{}", which, more);
  else
    spdlog::warn("conexão de {} recusada: {}{}", peer.to_string(), which, more);
  busyUnlogged = 0;
}

void Front::beginStop() {
  if (stopping) return;
  stopping = true;
  error_code ignored;
  acceptor.close(ignored);
  acceptPause.cancel();
  // Requests queued but not started are dropped here, on the I/O thread: their connections close.
  workers.takeQueued();
  std::vector<std::shared_ptr<Connection>> all;
  for (Connection* c : connections) all.push_back(c->shared_from_this());
  for (auto& c : all) c->onStop();
  all.clear();
  if (connections.empty()) return;
  stopGrace.expires_after(kStopGrace);
  stopGrace.async_wait([this](error_code ec) {
    if (ec) return;
    std::vector<std::shared_ptr<Connection>> left;
    for (Connection* c : connections) left.push_back(c->shared_from_this());
    for (auto& c : left) c->onGraceOver();
  });
}

}  // namespace

struct HttpServer::Impl : Front {};

// ---- server

HttpServer::HttpServer(Handler handler, HttpServerOptions options)
    : HttpServer(PeerHandler([h = std::move(handler)](const std::string& body, const std::string& op,
                                                      const std::string&) { return h(body, op); }),
                 std::move(options)) {}

HttpServer::HttpServer(PeerHandler handler, HttpServerOptions options) : d_(std::make_unique<Impl>()) {
  if (options.token.empty() && !options.sessions)
    throw Exception("O servidor de aplicação exige um token de sessão ou o acesso por operador e senha.");
  if (options.workers == 0) options.workers = 1;
  for (const std::string& proxy : options.trustedProxies) {
    error_code ec;
    asio::ip::address a = asio::ip::make_address(proxy, ec);
    if (ec) throw Exception("Endereço de proxy inválido: " + proxy + ".");
    d_->trustedProxies.push_back(plainAddress(a));
  }
  d_->handler = std::move(handler);
  d_->options = std::move(options);
  // spdlog creates its default logger on first use: here, before the threads that log start.
  spdlog::default_logger_raw();
#if defined(__GLIBC__)
  // Blocks of a large body or reply come from mmap and go back to the system when freed; left to
  // itself glibc raises this threshold after the first such block is freed and keeps later ones.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

HttpServer::~HttpServer() { stop(); }

int HttpServer::bind(const std::string& host, int port) {
  try {
    tcp::resolver resolver(d_->ioc);
    auto results =
        resolver.resolve(host, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service);
    tcp::endpoint endpoint = results.begin()->endpoint();
    d_->acceptor.open(endpoint.protocol());
    d_->acceptor.set_option(asio::socket_base::reuse_address(true));
    d_->acceptor.bind(endpoint);
    d_->acceptor.listen(asio::socket_base::max_listen_connections);
    return d_->acceptor.local_endpoint().port();
  } catch (const boost::system::system_error&) {
    error_code ignored;
    d_->acceptor.close(ignored);
    throw Exception("Não foi possível escutar em " + host + ":" + std::to_string(port) +
                    " (endereço inválido ou porta em uso).");
  }
}

bool HttpServer::run() {
  if (d_->ran.exchange(true) || !d_->acceptor.is_open()) {
    d_->finished = true;
    return false;
  }
  bool ok = true;
  d_->workers.start(d_->options.workers);
  d_->accept();
  d_->ready = true;
  try {
    d_->ioc.run();
  } catch (const std::exception& e) {
    spdlog::error("o servidor HTTP parou por um erro: {}", logText(e.what()));
    ok = false;
  }
  d_->workers.stopAndJoin();
  d_->finished = true;
  return ok;
}

void HttpServer::stop() {
  asio::post(d_->ioc, [impl = d_.get()] { impl->beginStop(); });
}

void HttpServer::waitUntilReady() {
  while (!d_->ready && !d_->finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace cad::appserver
