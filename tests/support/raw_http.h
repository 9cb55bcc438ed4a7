// RawHttp: a loopback HTTP/1.1 client at the byte level, for tests of the server's front that a
// well-behaved client library cannot express: requests sent in pieces or slowly, half-closed
// sockets, bodies without a length, chunked or compressed framing, many idle connections, and
// connections from another loopback source address (127.0.0.2, … as a different peer).
// Every wait is bounded by a timeout; nothing here blocks forever.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <string_view>

namespace cad::test {

// Raises the process's open-file limit to its hard limit (tests holding hundreds of sockets).
void raiseOpenFileLimit();

class RawHttp {
 public:
  // Connects to 127.0.0.1:port, from the loopback address `source` when given ("127.0.0.7").
  explicit RawHttp(int port, const std::string& source = "");
  ~RawHttp();
  RawHttp(const RawHttp&) = delete;
  RawHttp& operator=(const RawHttp&) = delete;

  bool connected() const { return fd_ >= 0; }
  // Writes all of data within 5 s; false when the peer closed or reset the connection.
  bool send(std::string_view data);
  // No more data from this side (the peer reads end of stream); replies may still arrive.
  void shutdownWrite();
  void close();

  struct Response {
    int status = 0;                              // 0 when none arrived in time or the peer closed
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
  };
  // The next response (an interim "100 Continue" counts as one), body by Content-Length or,
  // without one, up to the end of the connection.
  Response read(std::chrono::milliseconds timeout);
  // True when the peer ends the connection (end of stream or reset) within the timeout; anything
  // it sends meanwhile is discarded.
  bool closedWithin(std::chrono::milliseconds timeout);

 private:
  bool fill(std::chrono::steady_clock::time_point deadline);  // false on timeout or end
  int fd_ = -1;
  bool eof_ = false;
  std::string buf_;
};

// A "POST /rpc" request with the token and operator headers, Content-Length and `extra` header
// lines (each ending in \r\n).
std::string rpcRequest(const std::string& token, const std::string& operatorName, const std::string& body,
                       const std::string& extra = "");

}  // namespace cad::test
