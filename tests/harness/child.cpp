#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "tests/harness/spawn.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kKillGrace = std::chrono::milliseconds(3000);
constexpr size_t kReadChunk = 4096;

}  // namespace

Child::Child(std::vector<std::string> argv, std::vector<std::string> env, ChildOptions options) {
  int stderr_fd = -1;
  if (!options.stderr_path.empty()) {
    stderr_fd = open(options.stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (stderr_fd < 0) throw std::system_error(errno, std::generic_category(), "open stderr file");
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    if (stderr_fd >= 0) close(stderr_fd);
    throw std::system_error(errno, std::generic_category(), "pipe2");
  }
  SpawnRequest request;
  request.argv = std::move(argv);
  request.env = std::move(env);
  request.stdout_fd = fds[1];
  request.stderr_fd = stderr_fd;
  request.cwd = std::move(options.cwd);
  try {
    pid_ = Spawn(request);
  } catch (...) {
    close(fds[0]);
    close(fds[1]);
    if (stderr_fd >= 0) close(stderr_fd);
    throw;
  }
  close(fds[1]);
  if (stderr_fd >= 0) close(stderr_fd);
  stdout_fd_ = fds[0];
}

Child::~Child() {
  if (!status_ && pid_ > 0) status_ = Terminate(pid_, kKillGrace);
  if (stdout_fd_ >= 0) close(stdout_fd_);
}

std::optional<std::string> Child::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto newline = buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      return line;
    }
    if (stdout_fd_ < 0) {
      // The child closed its stdout: a last line without a newline still counts.
      if (buffer_.empty()) return std::nullopt;
      return std::exchange(buffer_, std::string());
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd fd{stdout_fd_, POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return std::nullopt;
    if (ready <= 0) continue;
    char chunk[kReadChunk];
    const ssize_t got = read(stdout_fd_, chunk, sizeof chunk);
    if (got > 0) {
      buffer_.append(chunk, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      close(stdout_fd_);
      stdout_fd_ = -1;
    }
  }
}

std::optional<std::string> Child::WaitForLine(const std::string& prefix,
                                              std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    auto line = ReadLine(std::max(left, std::chrono::milliseconds(0)));
    if (!line) return std::nullopt;
    if (line->rfind(prefix, 0) == 0) return line;
  }
}

std::optional<int> Child::WaitExit(std::chrono::milliseconds timeout) {
  if (!status_) status_ = ReapWithin(pid_, timeout);
  return status_;
}

bool Child::Running() { return !WaitExit(std::chrono::milliseconds(0)).has_value(); }

void Child::Kill(int signal) {
  // Once reaped, the id may belong to someone else.
  if (Running()) kill(pid_, signal);
}

}  // namespace brevolt::test
