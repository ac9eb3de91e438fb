#include "bench/driver/launch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>

#include "bench/driver/process_tree.h"
#include "tests/harness/spawn.h"

namespace brevolt::bench {
namespace {

constexpr auto kGonePoll = 10ms;

int PollMs(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long>(0, left.count()));
}

bool AnyAlive(const std::vector<pid_t>& processes) {
  return std::any_of(processes.begin(), processes.end(), Running);
}

}  // namespace

Launched::Launched(const std::string& program, const std::string& log_path) {
  const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (log < 0) throw std::system_error(errno, std::generic_category(), "open " + log_path);
  test::SpawnRequest request;
  // Windows programs run under Wine, in the prefix bench/run made for them.
  const bool windows = program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
  request.argv = windows ? std::vector<std::string>{"wine", program}
                         : std::vector<std::string>{program};
  request.stdout_fd = log;
  request.stderr_fd = log;
  started_ = Clock::now();
  try {
    pid_ = test::Spawn(request);
  } catch (...) {
    close(log);
    throw;
  }
  close(log);
  // Through syscall(): glibc 2.36 declares pidfd_open without C linkage.
  pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  if (pidfd_ < 0) throw std::system_error(errno, std::generic_category(), "pidfd_open");
}

Launched::~Launched() {
  if (!reaped_) {
    // The web engine's processes are children of the program; note them
    // before the program goes and they are handed to init.
    const std::vector<pid_t> tree = ProcessTree(pid_);
    for (const pid_t pid : tree) kill(pid, SIGTERM);
    int status = 0;
    if (!WaitExit(Clock::now() + kStopGrace, status)) {
      kill(pid_, SIGKILL);
      WaitExit(Clock::now() + kStopGrace, status);
    }
    const auto deadline = Clock::now() + kTreeGoneTimeout;
    while (AnyAlive({tree.begin() + 1, tree.end()}) && Clock::now() < deadline) {
      std::this_thread::sleep_for(kGonePoll);
    }
    for (auto it = tree.begin() + 1; it != tree.end(); ++it) kill(*it, SIGKILL);
  }
  close(pidfd_);
}

std::optional<Clock::time_point> Launched::WaitExit(Clock::time_point deadline, int& status) {
  pollfd fd{pidfd_, POLLIN, 0};
  for (;;) {
    const int ready = poll(&fd, 1, PollMs(deadline));
    if (ready > 0) break;
    if (ready == 0) return std::nullopt;
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
  }
  const auto exited = Clock::now();
  int wait_status = 0;
  if (waitpid(pid_, &wait_status, 0) == pid_) {
    reaped_ = true;
    status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  }
  return exited;
}

}  // namespace brevolt::bench
