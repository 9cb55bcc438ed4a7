// LoopbackFront: the server's real HTTP front on a free loopback port, serving an in-process
// server's dispatcher through the given sessions (and trusted proxies). It stops on every way out
// of a test (a failed assertion included), so no serving thread outlives it.
#pragma once

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "appserver/httpserver.h"
#include "appserver/sessions.h"
#include "tests/support/inprocess_server.h"

namespace cad::test {

class LoopbackFront {
 public:
  LoopbackFront(InProcessServer& server, appserver::Sessions& sessions, std::vector<std::string> trustedProxies = {})
      : http_(server.dispatcher().handler(), options(sessions, std::move(trustedProxies))),
        port_(http_.bind("127.0.0.1", 0)) {
    serving_ = std::thread([this] { http_.run(); });
    http_.waitUntilReady();
  }
  ~LoopbackFront() {
    http_.stop();
    serving_.join();
  }
  int port() const { return port_; }

 private:
  static appserver::HttpServerOptions options(appserver::Sessions& sessions, std::vector<std::string> proxies) {
    appserver::HttpServerOptions o;
    o.sessions = &sessions;
    o.trustedProxies = std::move(proxies);
    return o;
  }
  appserver::HttpServer http_;
  int port_;
  std::thread serving_;
};

}  // namespace cad::test
