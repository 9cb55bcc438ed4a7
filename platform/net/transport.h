// Transports carry one encoded request to the application server and bring back the encoded
// reply. HttpTransport speaks HTTP/1.1 with keep-alive (POST /rpc, bearer token and operator
// headers); InProcessTransport hands the body straight to a dispatcher function in the same process
// (tests, embedded mode). The host installs one process-wide factory that knows the session's token
// and operator; connections ask it for a transport given host and port.
//
// Every failure (refused connection, timeout, HTTP error status) raises cad::Exception with a
// Portuguese text that names host and port.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace cad::net {

class Transport {
 public:
  virtual ~Transport();
  // Checks that the server is reachable (HTTP: GET /health). The in-process transport always is.
  virtual void connect() {}
  // Sends a request body, returns the reply body.
  virtual std::string post(const std::string& body) = 0;
  // "host:port" (or a fixed name for in-process transports), for messages.
  virtual std::string where() const = 0;
};

struct HttpOptions {
  std::string token;         // sent as "Authorization: Bearer <token>"
  std::string operatorName;  // sent as "X-Operator"
  std::chrono::milliseconds connectTimeout{5000};
  std::chrono::milliseconds readTimeout{120000};  // long server operations are synchronous
  // Called when the server refuses the session (expired, ended) with the refused token and the
  // server's text: returns a new token, after which the call is sent once more; throws to give
  // up. Unset: the refusal raises at once.
  std::function<std::string(const std::string& refusedToken, const std::string& why)> renew = nullptr;
};

class HttpTransport : public Transport {
 public:
  HttpTransport(std::string host, int port, HttpOptions options);
  ~HttpTransport() override;
  void connect() override;
  std::string post(const std::string& body) override;
  std::string where() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

class InProcessTransport : public Transport {
 public:
  using Handler = std::function<std::string(const std::string& body, const std::string& operatorName)>;
  InProcessTransport(Handler handler, std::string operatorName);
  std::string post(const std::string& body) override;
  std::string where() const override;

 private:
  Handler handler_;
  std::string operator_;
};

// Signs an operator in on the server at host:port (POST /login) and returns the session token.
// Throws cad::Exception with the server's text (wrong operator or password, inactive operator,
// too many failures) or naming host and port when the server cannot be reached.
struct SignIn {
  std::string token;
  std::string operatorName;  // as the server stores it
};
SignIn signIn(const std::string& host, int port, const std::string& operatorName, const std::string& password,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(30000));
// Ends a session on the server (POST /logout); failures are ignored (the session expires anyway).
void signOut(const std::string& host, int port, const std::string& token);

using TransportFactory = std::function<std::unique_ptr<Transport>(const std::string& host, int port)>;

// The process-wide factory (installed by the host at start, or by a test fixture).
void setTransportFactory(TransportFactory factory);
// A transport for host and port from the installed factory; throws cad::Exception when none is.
std::unique_ptr<Transport> makeTransport(const std::string& host, int port);

// Factories for the usual cases.
TransportFactory httpTransportFactory(HttpOptions options);
TransportFactory inProcessTransportFactory(InProcessTransport::Handler handler, std::string operatorName);

}  // namespace cad::net
