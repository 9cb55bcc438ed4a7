// RawHttp (see raw_http.h): blocking loopback sockets driven with poll() and deadlines.
#include "tests/support/raw_http.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace cad::test {

using Clock = std::chrono::steady_clock;

void raiseOpenFileLimit() {
  rlimit r{};
  if (getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
    r.rlim_cur = r.rlim_max;
    setrlimit(RLIMIT_NOFILE, &r);
  }
}

RawHttp::RawHttp(int port, const std::string& source) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (!source.empty()) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
      close();
      return;
    }
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) close();
}

RawHttp::~RawHttp() { close(); }

void RawHttp::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool RawHttp::send(std::string_view data) {
  auto deadline = Clock::now() + std::chrono::seconds(5);
  while (fd_ >= 0 && !data.empty()) {
    pollfd p{fd_, POLLOUT, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return fd_ >= 0;
}

void RawHttp::shutdownWrite() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

bool RawHttp::fill(Clock::time_point deadline) {
  if (fd_ < 0 || eof_) return false;
  pollfd p{fd_, POLLIN, 0};
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left < 0) left = 0;
  if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
  char chunk[16384];
  ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
  if (n <= 0) {
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    eof_ = true;
    return false;
  }
  buf_.append(chunk, static_cast<size_t>(n));
  return true;
}

RawHttp::Response RawHttp::read(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  Response r;
  size_t end;
  while ((end = buf_.find("\r\n\r\n")) == std::string::npos)
    if (!fill(deadline)) return r;
  std::string head = buf_.substr(0, end);
  size_t pos = head.find("\r\n");
  std::string statusLine = head.substr(0, pos);
  if (statusLine.size() < 12 || statusLine.compare(0, 5, "HTTP/") != 0) return r;
  int status = std::atoi(statusLine.c_str() + 9);
  while (pos != std::string::npos && pos < head.size()) {
    size_t next = head.find("\r\n", pos + 2);
    std::string line = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      size_t v = line.find_first_not_of(' ', colon + 1);
      r.headers[name] = v == std::string::npos ? "" : line.substr(v);
    }
    pos = next;
  }
  buf_.erase(0, end + 4);
  if (status == 100 || status == 204 || status == 304) {
    r.status = status;
    return r;
  }
  auto cl = r.headers.find("content-length");
  if (cl != r.headers.end()) {
    size_t n = std::stoul(cl->second);
    while (buf_.size() < n)
      if (!fill(deadline)) return r;
    r.body = buf_.substr(0, n);
    buf_.erase(0, n);
  } else {
    while (fill(deadline)) {
    }
    if (!eof_) return r;  // neither a length nor the end of the connection in time
    r.body = std::move(buf_);
    buf_.clear();
  }
  r.status = status;
  return r;
}

bool RawHttp::closedWithin(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (fill(deadline)) buf_.clear();
  return eof_;
}

std::string rpcRequest(const std::string& token, const std::string& operatorName, const std::string& body,
                       const std::string& extra) {
  return "POST /rpc HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token + "\r\nX-Operator: " + operatorName +
         "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
         "\r\n" + body;
}

}  // namespace cad::test
