// Transports: the in-process transport, the process-wide factory, and the HTTP transport over
// cpp-httplib (kept out of the header so only this unit pays for it).
//
// Invariants: the HTTP client is created once per transport and reused (keep-alive); every failure
// becomes cad::Exception naming host and port; the factory is guarded by a mutex because a host may
// install it while a worker thread of a test reads it.
#include "platform/net/transport.h"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <mutex>

#include "platform/core/errors.h"

namespace cad::net {

Transport::~Transport() = default;

// ---------------------------------------------------------------- in process

InProcessTransport::InProcessTransport(Handler handler, std::string operatorName)
    : handler_(std::move(handler)), operator_(std::move(operatorName)) {
  if (!handler_) throw Exception("Transporte interno sem servidor de aplicação.");
}

std::string InProcessTransport::post(const std::string& body) { return handler_(body, operator_); }

std::string InProcessTransport::where() const { return "servidor interno"; }

// ---------------------------------------------------------------- HTTP

// The text of a {"fault": ...} body, "" when the body is not one.
std::string faultText(const std::string& body) {
  nlohmann::json j = nlohmann::json::parse(body, nullptr, false);
  if (j.is_object() && j.contains("fault") && j["fault"].is_string()) return j["fault"].get<std::string>();
  return {};
}

// One keep-alive HTTP client to host:port with the options' headers, and the translation of its
// failures into texts.
struct HttpClient {
  std::string host;
  int port;
  HttpOptions options;
  httplib::Client client;
  httplib::Headers headers;

  HttpClient(std::string h, int p, HttpOptions o)
      : host(std::move(h)), port(p), options(std::move(o)), client(host, port) {
    client.set_keep_alive(true);
    // Request headers and body go out in separate writes; without NODELAY each call waits for
    // the peer's delayed acknowledgement (tens of milliseconds).
    client.set_tcp_nodelay(true);
    auto ms = [](std::chrono::milliseconds d) {
      return std::pair<time_t, time_t>(d.count() / 1000, (d.count() % 1000) * 1000);
    };
    auto [cs, cu] = ms(options.connectTimeout);
    auto [rs, ru] = ms(options.readTimeout);
    client.set_connection_timeout(cs, cu);
    client.set_read_timeout(rs, ru);
    client.set_write_timeout(rs, ru);
    headers.emplace("Authorization", "Bearer " + options.token);
    headers.emplace("X-Operator", options.operatorName);
  }

  std::string where() const { return host + ":" + std::to_string(port); }

  [[noreturn]] void transportError(httplib::Error e) const {
    switch (e) {
      case httplib::Error::Read:
        throw Exception("O servidor de aplicação em " + where() + " não respondeu a tempo ou encerrou a conexão.");
      case httplib::Error::Write:
        throw Exception("Falha ao enviar a requisição ao servidor de aplicação em " + where() + ".");
      default: throw Exception("Não foi possível conectar ao servidor de aplicação em " + where() + ".");
    }
  }

  void checkStatus(const httplib::Response& res) const {
    if (res.status == 200) return;
    if (res.status == 401 || res.status == 429 || res.status == 400) {
      std::string text = faultText(res.body);
      if (!text.empty()) throw Exception(text);
    }
    if (res.status == 401) throw Exception("Sessão não autorizada pelo servidor de aplicação em " + where() + ".");
    if (res.status == 413) throw Exception("Requisição grande demais para o servidor de aplicação em " + where() + ".");
    throw Exception("O servidor de aplicação em " + where() + " respondeu com o erro HTTP " +
                    std::to_string(res.status) + ".");
  }
};

struct HttpTransport::Impl : HttpClient {
  using HttpClient::HttpClient;
};

HttpTransport::HttpTransport(std::string host, int port, HttpOptions options)
    : d_(std::make_unique<Impl>(std::move(host), port, std::move(options))) {}

HttpTransport::~HttpTransport() = default;

void HttpTransport::connect() {
  auto res = d_->client.Get("/health");
  if (!res) d_->transportError(res.error());
  d_->checkStatus(*res);
}

std::string HttpTransport::post(const std::string& body) {
  auto res = d_->client.Post("/rpc", d_->headers, body, "application/json");
  if (!res) d_->transportError(res.error());
  if (res->status == 401 && d_->options.renew) {
    // A session that ended is opened again (the host may ask the operator) and the call repeated.
    d_->options.token = d_->options.renew(d_->options.token, faultText(res->body));
    d_->headers.erase("Authorization");
    d_->headers.emplace("Authorization", "Bearer " + d_->options.token);
    res = d_->client.Post("/rpc", d_->headers, body, "application/json");
    if (!res) d_->transportError(res.error());
  }
  d_->checkStatus(*res);
  return std::move(res->body);
}

std::string HttpTransport::where() const { return d_->where(); }

// ---------------------------------------------------------------- sign-in

SignIn signIn(const std::string& host, int port, const std::string& operatorName, const std::string& password,
              std::chrono::milliseconds timeout) {
  HttpOptions o;
  o.connectTimeout = std::min(timeout, o.connectTimeout);
  o.readTimeout = timeout;
  HttpClient http(host, port, o);
  std::string body = nlohmann::json{{"operator", operatorName}, {"password", password}}.dump();
  auto res = http.client.Post("/login", body, "application/json");
  if (!res) http.transportError(res.error());
  if (res->status == 404)
    throw Exception("O servidor de aplicação em " + http.where() + " não aceita entrada por operador e senha.");
  http.checkStatus(*res);
  nlohmann::json j = nlohmann::json::parse(res->body, nullptr, false);
  if (!j.is_object() || !j.contains("token") || !j["token"].is_string() || !j.contains("operator") ||
      !j["operator"].is_string())
    throw Exception("Resposta inesperada do servidor de aplicação em " + http.where() + " à entrada do operador.");
  return {j["token"].get<std::string>(), j["operator"].get<std::string>()};
}

void signOut(const std::string& host, int port, const std::string& token) {
  HttpOptions o;
  o.token = token;
  o.connectTimeout = std::chrono::milliseconds(2000);
  o.readTimeout = std::chrono::milliseconds(5000);
  HttpClient http(host, port, o);
  http.headers.erase("X-Operator");
  http.client.Post("/logout", http.headers, "", "application/json");
}

// ---------------------------------------------------------------- factory

namespace {
std::mutex gFactoryMutex;
TransportFactory gFactory;
}  // namespace

void setTransportFactory(TransportFactory factory) {
  std::lock_guard<std::mutex> lock(gFactoryMutex);
  gFactory = std::move(factory);
}

std::unique_ptr<Transport> makeTransport(const std::string& host, int port) {
  TransportFactory f;
  {
    std::lock_guard<std::mutex> lock(gFactoryMutex);
    f = gFactory;
  }
  if (!f) throw Exception("Nenhum meio de conexão ao servidor de aplicação foi configurado.");
  return f(host, port);
}

TransportFactory httpTransportFactory(HttpOptions options) {
  return [options](const std::string& host, int port) -> std::unique_ptr<Transport> {
    return std::make_unique<HttpTransport>(host, port, options);
  };
}

TransportFactory inProcessTransportFactory(InProcessTransport::Handler handler, std::string operatorName) {
  return [handler = std::move(handler), op = std::move(operatorName)](const std::string&,
                                                                      int) -> std::unique_ptr<Transport> {
    return std::make_unique<InProcessTransport>(handler, op);
  };
}

}  // namespace cad::net
