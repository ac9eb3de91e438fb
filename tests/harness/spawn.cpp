#include "tests/harness/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>
#include <thread>

extern char** environ;

namespace brevolt::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kReapPoll = 5ms;
// Exit status of a child that could not start the program (as a shell's).
constexpr int kExecFailed = 127;

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

// Found in the child's PATH unless it names a path; resolved before fork.
std::string ResolveProgram(const std::string& name, const std::vector<std::string>& env) {
  if (name.find('/') != std::string::npos) return name;
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  for (const auto& entry : env) {
    if (entry.rfind("PATH=", 0) == 0) path = entry.substr(5);
  }
  // Paths, not string concatenation: GCC 12 at -O3 reports a false
  // -Wrestrict inside std::string's replace (GCC bug 105329).
  const std::string_view dirs = path;
  size_t start = 0;
  for (;;) {
    const size_t end = dirs.find(':', start);
    const std::string_view dir = dirs.substr(start, end == std::string_view::npos ? end : end - start);
    const auto candidate = std::filesystem::path(dir.empty() ? "." : dir) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  throw std::system_error(ENOENT, std::generic_category(), "spawn " + name);
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

}  // namespace

pid_t Spawn(const SpawnRequest& request) {
  if (request.argv.empty()) throw std::invalid_argument("Spawn: empty argv");
  std::vector<std::string> argv = request.argv;
  std::vector<std::string> env = MergedEnvironment(request.env);
  const std::string program = ResolveProgram(request.argv[0], env);
  auto argv_ptrs = Pointers(argv);
  auto env_ptrs = Pointers(env);
  const pid_t parent = getpid();
  const char* cwd = request.cwd.empty() ? nullptr : request.cwd.c_str();

  // Between fork and exec only async-signal-safe calls: the test process
  // may have threads (GDK's, GLib's).
  const pid_t pid = fork();
  if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
  if (pid == 0) {
    // A test process that is killed (a test timeout, a crash) takes its X
    // server, window manager and programs with it instead of leaving them
    // running. This fires when the forking thread ends, so spawn from a
    // thread that lives as long as the child should.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(kExecFailed);
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0) _exit(kExecFailed);
    if (request.stdout_fd >= 0 && dup2(request.stdout_fd, STDOUT_FILENO) < 0) _exit(kExecFailed);
    if (request.stderr_fd >= 0 && dup2(request.stderr_fd, STDERR_FILENO) < 0) _exit(kExecFailed);
    if (request.pass_fd >= 0) {
      if (request.pass_fd == request.pass_fd_as) {
        // dup2 onto itself would keep close-on-exec.
        if (fcntl(request.pass_fd, F_SETFD, 0) < 0) _exit(kExecFailed);
      } else if (dup2(request.pass_fd, request.pass_fd_as) < 0) {
        _exit(kExecFailed);
      }
    }
    if (cwd != nullptr && chdir(cwd) != 0) _exit(kExecFailed);
    // Start from the defaults, whatever the test blocked or ignored.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    execve(program.c_str(), argv_ptrs.data(), env_ptrs.data());
    _exit(kExecFailed);
  }
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
