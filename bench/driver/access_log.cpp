#include "bench/driver/access_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "tests/harness/spawn.h"

namespace brevolt::bench {
namespace {

constexpr const char* kListeningPrefix = "listening on ";
constexpr size_t kReadChunk = 4096;

}  // namespace

SignUpServer::SignUpServer(const std::string& program, int port,
                           const std::vector<std::string>& options) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  test::SpawnRequest request;
  request.argv = {program, "--listen", "127.0.0.1:" + std::to_string(port)};
  request.argv.insert(request.argv.end(), options.begin(), options.end());
  request.stdout_fd = fds[1];
  try {
    pid_ = test::Spawn(request);
  } catch (...) {
    close(fds[0]);
    close(fds[1]);
    throw;
  }
  close(fds[1]);
  reader_ = std::thread(&SignUpServer::Read, this, fds[0]);
  const auto started = Clock::now();
  if (!WaitFor(kListeningPrefix, started, started + kServerStartTimeout)) {
    throw std::runtime_error("the sign-up server did not start listening on port " +
                             std::to_string(port));
  }
}

SignUpServer::~SignUpServer() {
  test::Terminate(pid_, kStopGrace);
  // Its stdout closes with it, which ends the reader.
  reader_.join();
}

void SignUpServer::Read(int fd) {
  std::string pending;
  char chunk[kReadChunk];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const auto at = Clock::now();
    pending.append(chunk, static_cast<size_t>(got));
    std::lock_guard lock(mutex_);
    for (auto newline = pending.find('\n'); newline != std::string::npos;
         newline = pending.find('\n')) {
      lines_.push_back({at, pending.substr(0, newline)});
      pending.erase(0, newline + 1);
    }
    arrived_.notify_all();
  }
  close(fd);
  std::lock_guard lock(mutex_);
  closed_ = true;
  arrived_.notify_all();
}

std::optional<Clock::time_point> SignUpServer::WaitFor(const std::string& prefix,
                                                       Clock::time_point since,
                                                       Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  size_t next = 0;
  for (;;) {
    for (; next < lines_.size(); ++next) {
      const Line& line = lines_[next];
      if (line.at >= since && line.text.rfind(prefix, 0) == 0) return line.at;
    }
    if (closed_) return std::nullopt;
    if (arrived_.wait_until(lock, deadline) == std::cv_status::timeout && next == lines_.size()) {
      return std::nullopt;
    }
  }
}

}  // namespace brevolt::bench
