#pragma once
// A child process with its stdout and stderr captured, for testing the
// server executable itself.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace brevolt::signup::test {

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();  // kills the child if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // One line of stdout without its newline, or nothing on timeout or EOF.
  std::optional<std::string> read_stdout_line(std::chrono::milliseconds timeout);
  void signal(int signal_number) const;
  // The exit status, or nothing if the child neither exited nor was killed
  // by a signal within the timeout.
  std::optional<int> wait(std::chrono::milliseconds timeout);
  // Everything the child wrote to stderr; call after wait().
  std::string stderr_text();

 private:
  pid_t pid_ = -1;
  int stdout_fd_ = -1;
  int stderr_fd_ = -1;
  std::string stdout_buffer_;
  bool reaped_ = false;
};

}  // namespace brevolt::signup::test
