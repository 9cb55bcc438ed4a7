// The sign-in limit per client address behind a reverse proxy: X-Forwarded-For is believed only
// from a configured proxy, and then only its rightmost address that is not a proxy; from anyone
// else, or when garbled, the attempt counts against the connecting address itself.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "appserver/httpserver.h"
#include "appserver/sessions.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/loopback_front.h"
#include "tests/support/raw_http.h"
#include "tests/support/support.h"

namespace cad::appserver {
namespace {

using namespace std::chrono_literals;

class TrustedProxyTest : public ::testing::Test {
 protected:
  // The status of a sign-in from `source` carrying `forwarded` (no header when empty).
  int login(const std::string& source, const std::string& forwarded, const std::string& password) {
    test::RawHttp c(front_->port(), source);
    std::string body = R"({"operator":"MARIA","password":")" + password + R"("})";
    std::string head = "POST /login HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n";
    if (!forwarded.empty()) head += "X-Forwarded-For: " + forwarded + "\r\n";
    c.send(head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    return c.read(30s).status;
  }

  void SetUp() override {
    options_.maxFailuresPerPeer = 2;
    options_.maxFailuresPerOperator = 1000;
    options_.firstPairWait = std::chrono::seconds(0);  // attempts follow one another at once
    sessions_ = std::make_unique<Sessions>(server_.pool(), options_);
    front_ = std::make_unique<test::LoopbackFront>(server_, *sessions_, std::vector<std::string>{"127.0.0.1", "::1"});
  }

  test::InProcessServer server_{"sqlite"};
  SessionOptions options_;
  std::unique_ptr<Sessions> sessions_;
  std::unique_ptr<test::LoopbackFront> front_;
};

TEST_F(TrustedProxyTest, FailuresCountAgainstTheClientTheProxyNames) {
  struct Case {
    const char* what;
    const char* source;        // connecting address
    const char* failing;       // X-Forwarded-For of the two failed attempts
    const char* limited;       // a right password with this header is then refused (429)...
    const char* stillAllowed;  // ...and with this one accepted
  };
  const Case cases[] = {
      {"each client behind the proxy has its own limit", "127.0.0.1", "10.0.0.1", "10.0.0.1", "10.0.0.2"},
      {"a client's own header is ignored: the address the proxy appended counts", "127.0.0.1", "10.0.0.1, 10.0.0.3",
       "10.0.0.3", "10.0.0.4"},
      {"a chain of trusted proxies is skipped", "127.0.0.1", "10.0.0.5, 127.0.0.1", "10.0.0.5", "10.0.0.6"},
      {"from an address that is not a proxy the header is ignored", "127.0.0.2", "10.0.0.7", "10.0.0.8", nullptr},
      {"a garbled header counts against the proxy itself", "127.0.0.1", "unknown", "", "10.0.0.9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(login(c.source, c.failing, "errada"), 401);
    EXPECT_EQ(login(c.source, c.failing, "errada"), 401);
    EXPECT_EQ(login(c.source, c.limited, "maria"), 429);
    if (c.stillAllowed) {
      EXPECT_EQ(login(c.source, c.stillAllowed, "maria"), 200);
    }
  }
}

TEST(TrustedProxyOption, AnInvalidAddressIsRefused) {
  test::InProcessServer server("sqlite");
  Sessions sessions(server.pool(), SessionOptions{});
  HttpServerOptions front;
  front.sessions = &sessions;
  front.trustedProxies = {"10.0.0.300"};
  EXPECT_THROW(HttpServer(server.dispatcher().handler(), front), Exception);
}

}  // namespace
}  // namespace cad::appserver
