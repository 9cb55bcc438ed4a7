// HTTP front of the application server (cpp-httplib, kept out of this header):
//   GET  /health  → 200 {"status":"ok"}, no authorisation.
//   POST /rpc     → requires "Authorization: Bearer <token>" and a non-empty "X-Operator"
//                   (401 otherwise); bodies above the size limit get 413; the body goes to the
//                   handler (the dispatcher) and its reply comes back as 200 application/json.
// Connections are kept alive; requests are served by httplib's worker threads, so the handler must
// be thread-safe (the dispatcher is: each call leases its own database connection).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace cad::appserver {

struct HttpServerOptions {
  std::string token;
  size_t maxBodyBytes = size_t{16} << 20;
  int keepAliveSeconds = 5;  // an idle kept-alive connection is closed after this
};

class HttpServer {
 public:
  using Handler = std::function<std::string(const std::string& body, const std::string& operatorName)>;
  HttpServer(Handler handler, HttpServerOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds host:port (port 0 picks a free one) and returns the bound port; throws cad::Exception.
  int bind(const std::string& host, int port);
  // Serves until stop() (from any thread). Returns false when serving failed.
  bool run();
  void stop();
  // Blocks until run() has started accepting connections.
  void waitUntilReady();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cad::appserver
