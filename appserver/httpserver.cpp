// HTTP front of the application server (see httpserver.h). Invariants: /rpc never reaches the
// handler without a matching token and an operator; the token is compared in constant time; a
// handler that throws anyway answers 500 with a fault body, never a dropped connection.
#include "appserver/httpserver.h"

#include <httplib.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <thread>

#include "platform/core/errors.h"
#include "platform/net/codec.h"

namespace cad::appserver {

namespace {

bool sameSecret(const std::string& given, const std::string& expected) {
  if (expected.empty() || given.size() != expected.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < given.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ expected[i]);
  return diff == 0;
}

}  // namespace

struct HttpServer::Impl {
  Handler handler;
  HttpServerOptions options;
  httplib::Server server;
  std::atomic<bool> finished{false};

  void unauthorized(httplib::Response& res, const char* why) {
    spdlog::warn("POST /rpc recusado (401): {}", why);
    res.status = 401;
    res.set_content(net::encodeFault(std::string("Sessão não autorizada: ") + why), "application/json");
  }

  void routes() {
    server.set_payload_max_length(options.maxBodyBytes);
    server.set_tcp_nodelay(true);  // replies are small and latency-bound
    server.set_keep_alive_timeout(options.keepAliveSeconds);
    server.Get("/health", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("{\"status\":\"ok\"}", "application/json");
    });
    server.Post("/rpc", [this](const httplib::Request& req, httplib::Response& res) {
      std::string auth = req.get_header_value("Authorization");
      const std::string prefix = "Bearer ";
      if (auth.compare(0, prefix.size(), prefix) != 0 || !sameSecret(auth.substr(prefix.size()), options.token))
        return unauthorized(res, "token ausente ou inválido.");
      std::string op = req.get_header_value("X-Operator");
      if (op.empty()) return unauthorized(res, "operador não informado.");
      res.set_content(handler(req.body, op), "application/json");
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
      std::string what = "erro desconhecido";
      try {
        std::rethrow_exception(ep);
      } catch (const std::exception& e) {
        what = e.what();
      } catch (...) {
      }
      spdlog::error("falha ao atender requisição: {}", what);
      res.status = 500;
      res.set_content(net::encodeFault("Erro interno do servidor de aplicação: " + what), "application/json");
    });
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
      if (res.status == 413) spdlog::warn("{} {} recusado (413): corpo grande demais", req.method, req.path);
      if (res.body.empty())
        res.set_content(net::encodeFault("Erro HTTP " + std::to_string(res.status) + "."), "application/json");
    });
  }
};

HttpServer::HttpServer(Handler handler, HttpServerOptions options) : d_(std::make_unique<Impl>()) {
  if (options.token.empty()) throw Exception("O servidor de aplicação exige um token de sessão.");
  d_->handler = std::move(handler);
  d_->options = std::move(options);
  d_->routes();
}

HttpServer::~HttpServer() { stop(); }

int HttpServer::bind(const std::string& host, int port) {
  bool ok;
  int bound = port;
  if (port == 0) {
    bound = d_->server.bind_to_any_port(host);
    ok = bound > 0;
  } else {
    ok = d_->server.bind_to_port(host, port);
  }
  if (!ok)
    throw Exception("Não foi possível escutar em " + host + ":" + std::to_string(port) +
                    " (endereço inválido ou porta em uso).");
  return bound;
}

bool HttpServer::run() {
  bool ok = d_->server.listen_after_bind();
  d_->finished = true;
  return ok;
}

void HttpServer::stop() { d_->server.stop(); }

void HttpServer::waitUntilReady() {
  while (!d_->server.is_running() && !d_->finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace cad::appserver
