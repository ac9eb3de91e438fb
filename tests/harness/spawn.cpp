#include "tests/harness/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>
#include <thread>

extern char** environ;

namespace brevolt::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kReapPoll = 5ms;

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::map<std::string, std::string> merged;
  const auto add = [&merged](const std::string& entry) {
    const auto eq = entry.find('=');
    merged[entry.substr(0, eq)] = entry;
  };
  for (char** e = environ; *e != nullptr; ++e) add(*e);
  for (const auto& entry : overrides) add(entry);
  std::vector<std::string> result;
  for (auto& [name, entry] : merged) result.push_back(entry);
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

void Check(int error, const char* what) {
  if (error != 0) throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

pid_t Spawn(const SpawnRequest& request) {
  if (request.argv.empty()) throw std::invalid_argument("Spawn: empty argv");
  std::vector<std::string> argv = request.argv;
  std::vector<std::string> env = MergedEnvironment(request.env);
  auto argv_ptrs = Pointers(argv);
  auto env_ptrs = Pointers(env);

  posix_spawn_file_actions_t actions;
  Check(posix_spawn_file_actions_init(&actions), "posix_spawn_file_actions_init");
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (request.stdout_fd >= 0) posix_spawn_file_actions_adddup2(&actions, request.stdout_fd, 1);
  if (request.stderr_fd >= 0) posix_spawn_file_actions_adddup2(&actions, request.stderr_fd, 2);
  // dup2 onto itself clears close-on-exec, which is what handing it down needs.
  if (request.pass_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, request.pass_fd, request.pass_fd_as);
  }
  // The child must not inherit a blocked-signal mask (a test may block
  // signals); start it with the defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const bool search_path = request.argv[0].find('/') == std::string::npos;
  const int error =
      search_path
          ? posix_spawnp(&pid, argv_ptrs[0], &actions, &attributes, argv_ptrs.data(), env_ptrs.data())
          : posix_spawn(&pid, argv_ptrs[0], &actions, &attributes, argv_ptrs.data(), env_ptrs.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  Check(error, ("spawn " + request.argv[0]).c_str());
  return pid;
}

std::optional<int> ReapWithin(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int wait_status = 0;
    const pid_t done = waitpid(pid, &wait_status, WNOHANG);
    if (done == pid) return StatusOf(wait_status);
    if (done < 0 && errno != EINTR) return -1;  // not our child (already reaped)
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kReapPoll);
  }
}

int Terminate(pid_t pid, std::chrono::milliseconds grace) {
  kill(pid, SIGTERM);
  if (auto status = ReapWithin(pid, grace)) return *status;
  kill(pid, SIGKILL);
  int wait_status = 0;
  while (waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return StatusOf(wait_status);
}

}  // namespace brevolt::test
