// ChildProcess (see child_process.h).
#include "tests/support/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace cad::test {

ChildProcess::ChildProcess(const std::vector<std::string>& args, bool withStdin) {
  // A child that stops reading must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  int outFds[2], inFds[2] = {-1, -1};
  if (pipe(outFds) != 0) throw std::runtime_error("pipe");
  if (withStdin && pipe(inFds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, outFds[1], 1);
  posix_spawn_file_actions_addclose(&fa, outFds[0]);
  if (withStdin) {
    posix_spawn_file_actions_adddup2(&fa, inFds[0], 0);
    posix_spawn_file_actions_addclose(&fa, inFds[1]);
  }
  // The child starts with SIGPIPE at its default, as from a shell, not with the test's SIG_IGN.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int rc = posix_spawn(&pid_, args[0].c_str(), &fa, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  close(outFds[1]);
  out_ = outFds[0];
  if (withStdin) {
    close(inFds[0]);
    in_ = inFds[1];
    fcntl(in_, F_SETFL, fcntl(in_, F_GETFL) | O_NONBLOCK);
  }
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("não foi possível iniciar " + args[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
}

bool ChildProcess::fill(int timeoutMs) {
  if (eof_) return false;
  pollfd p{out_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  char chunk[4096];
  ssize_t n = read(out_, chunk, sizeof chunk);
  if (n <= 0) {
    eof_ = true;
    return false;
  }
  buf_.append(chunk, static_cast<size_t>(n));
  return true;
}

bool ChildProcess::write(std::string_view data) {
  while (!data.empty()) {
    if (in_ < 0) return false;
    pollfd p[2] = {{in_, POLLOUT, 0}, {out_, POLLIN, 0}};
    if (poll(p, eof_ ? 1 : 2, 60000) <= 0) return false;
    if (!eof_ && (p[1].revents & (POLLIN | POLLHUP))) fill(0);
    if (p[0].revents & (POLLERR | POLLHUP)) return false;
    if (p[0].revents & POLLOUT) {
      ssize_t n = ::write(in_, data.data(), data.size());
      if (n < 0) {
        if (errno == EAGAIN) continue;
        return false;
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
  }
  return true;
}

void ChildProcess::closeStdin() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

void ChildProcess::closeStdout() {
  if (out_ >= 0) close(out_);
  out_ = -1;
  eof_ = true;
}

std::string ChildProcess::readLine(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    size_t nl = buf_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buf_.substr(0, nl);
      buf_.erase(0, nl + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || eof_) return "";
    fill(static_cast<int>(left.count()));
  }
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Keep the child's output flowing while it finishes.
    if (!fill(20)) usleep(20000);
  }
  return -1;
}

int ChildProcess::stop(int sig, std::chrono::milliseconds timeout) {
  if (pid_ > 0) kill(pid_, sig);
  return wait(timeout);
}

}  // namespace cad::test
