// HTTP front of the application server (Boost.Beast over Asio, kept out of this header):
//   GET  /health  → 200 {"status":"ok"}, no authorisation.
//   POST /rpc     → requires "Authorization: Bearer <token>" (401 otherwise), checked from the
//                   request head before any body byte is read: with sign-in (options.sessions) a
//                   session's token, whose operator the call runs as (an "X-Operator" sent must
//                   name it), or the host token when one was given, with a non-empty
//                   "X-Operator"; without sign-in the token alone. The body goes to the handler (the
//                   dispatcher) and its reply comes back as 200 application/json. Range and other
//                   conditional headers are ignored.
//   POST /login   → with sign-in only: {"operator", "password"} → 200 {"token", "operator",
//                   "idleSeconds"}; 401 wrong operator or password or inactive operator, 429 too
//                   many attempts, 400 malformed (U+0000 in the operator included; see
//                   sessions.h). An attempt the sign-in limits make wait waits on a timer, holding
//                   no worker.
//   POST /logout  → with sign-in only: ends the bearer's session; 200 {"status":"ok"}.
// Refusals, each with a {"fault": ...} body: 400 malformed request, 404 other paths, 405 other
// methods, 408 head and body not complete within the request deadline (or the head within its
// shorter one, or a body slower than the minimum rate), 411 a POST with neither
// Content-Length nor chunked framing, 413 a body over the limit (by Content-Length or as soon as
// chunks pass it; never accumulated), 415 a Content-Encoding other than identity (bodies are
// never decompressed), 417 an Expect other than 100-continue, 431 a head over 16 KiB, 501 a
// transfer coding other than chunked, 503 over the connection limits (total or per peer address),
// when the body bytes received and held would pass their bound, or over the large bodies one
// client may send at once. A connection without a complete head soon after it opened, or whose
// body arrives slower than the minimum rate, is closed.
// A refusal that leaves a body unread closes the connection after the reply.
//
// Connections are event-driven on one I/O thread: waiting, reading and writing cost no worker, so
// idle kept-alive and slow clients cannot hold up others; a small pool of worker threads runs the
// handler, which must be thread-safe (the dispatcher is: each call leases its own connection).
// stop() (from any thread) closes the listener and every idle or partly received connection at
// once, lets calls already executing finish and send their reply, and closes whatever remains
// after a few seconds; run() then returns.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cad::appserver {

class Sessions;

struct HttpServerOptions {
  std::string token;  // host token; may be empty when sessions is set
  size_t maxBodyBytes = size_t{16} << 20;
  // An idle kept-alive connection is closed after this.
  std::chrono::milliseconds idleTimeout{std::chrono::seconds(30)};
  // Total time for a request's head and body, from its first byte; also for writing its reply.
  std::chrono::milliseconds requestTimeout{std::chrono::seconds(30)};
  // A request head must be complete this soon after the connection opened (its first request) or
  // after its first byte (later ones); a connection that sends none is closed without a reply.
  std::chrono::milliseconds headTimeout{std::chrono::seconds(5)};
  // Once a body has been arriving for bodyGrace, it must keep an average of minBodyRate bytes a
  // second since its start, or its connection is answered 408 and closed.
  std::chrono::milliseconds bodyGrace{std::chrono::seconds(5)};
  size_t minBodyRate = 1024;
  // Bytes of request bodies held at once, counted as they arrive (being received or waiting for a
  // worker); the request whose bytes would pass it is refused with 503.
  size_t maxPendingBodyBytes = size_t{256} << 20;
  // A body announced over largeBodyBytes (or chunked) is large: at most maxLargeBodiesPerClient of
  // them at once from one client address and from one session (or host-token operator).
  size_t largeBodyBytes = size_t{1} << 20;
  size_t maxLargeBodiesPerClient = 4;
  size_t workers = 8;                 // threads running the handler
  size_t maxConnections = 1000;       // open connections in all
  size_t maxConnectionsPerPeer = 64;  // open connections from one client address
  Sessions* sessions = nullptr;       // sign-in and sessions (outlives the server); null: token only
  // Addresses of reverse proxies whose X-Forwarded-For is believed for the sign-in limit per
  // client address (the rightmost address in it that is not itself one of these); from any other
  // peer the header is ignored. The connection limits always count the peer itself.
  std::vector<std::string> trustedProxies;
};

class HttpServer {
 public:
  using Handler = std::function<std::string(const std::string& body, const std::string& operatorName)>;
  // A handler that also takes the client's address (for the audit trail).
  using PeerHandler =
      std::function<std::string(const std::string& body, const std::string& operatorName, const std::string& peer)>;
  HttpServer(Handler handler, HttpServerOptions options);
  HttpServer(PeerHandler handler, HttpServerOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds host:port (port 0 picks a free one) and returns the bound port; throws cad::Exception.
  int bind(const std::string& host, int port);
  // Serves until stop() (from any thread), on the calling thread plus the worker threads. Returns
  // false when serving failed.
  bool run();
  void stop();
  // Blocks until run() has started accepting connections (or has already finished).
  void waitUntilReady();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cad::appserver
