// ChildProcess: a program of the build started by an end-to-end test, with its stdout read line
// by line and, when asked, its stdin written by the test. Writing reads the child's output
// meanwhile, so a child that answers while it reads never deadlocks the test; a child still
// running when the object goes is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace cad::test {

class ChildProcess {
 public:
  // args[0] is the program's path. Throws std::runtime_error when it cannot start.
  explicit ChildProcess(const std::vector<std::string>& args, bool withStdin = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes all of data to the child's stdin; false when the child closed it.
  bool write(std::string_view data);
  void closeStdin();
  // Stops reading the child's output: its next write to stdout fails (EPIPE).
  void closeStdout();

  // The next stdout line, or "" at the end of output or after the timeout (atEnd() tells which).
  std::string readLine(std::chrono::milliseconds timeout);
  bool atEnd() const { return eof_ && buf_.find('\n') == std::string::npos; }

  // Waits for the exit status; -1 when the child did not exit normally in time.
  int wait(std::chrono::milliseconds timeout);
  // Sends a signal, then waits as wait() does.
  int stop(int sig, std::chrono::milliseconds timeout);

 private:
  bool fill(int timeoutMs);  // reads what stdout has; false at the end of output or timeout
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  bool eof_ = false;
  std::string buf_;
};

}  // namespace cad::test
