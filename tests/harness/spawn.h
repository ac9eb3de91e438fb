#pragma once
// Starting and stopping helper processes for the harness.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace brevolt::test {

struct SpawnRequest {
  std::vector<std::string> argv;   // argv[0] is looked up in PATH unless it holds a slash
  std::vector<std::string> env;    // "NAME=value", added to or replacing this environment
  int stdout_fd = -1;              // -1: inherit
  int stderr_fd = -1;              // -1: inherit
  // A descriptor handed down under the number `pass_fd_as` (e.g. Xvfb's -displayfd).
  int pass_fd = -1;
  int pass_fd_as = -1;
  std::string cwd;                 // empty: inherit the working directory
};

// Starts the process with stdin on /dev/null; throws std::system_error when
// the program is not found. It is killed when the calling thread ends.
pid_t Spawn(const SpawnRequest& request);

// Exit status (or 128 + signal) once the process has ended within
// `timeout`, reaping it; nullopt while it still runs.
std::optional<int> ReapWithin(pid_t pid, std::chrono::milliseconds timeout);

// SIGTERM, then SIGKILL after `grace`; always reaps. Returns the status.
int Terminate(pid_t pid, std::chrono::milliseconds grace);

}  // namespace brevolt::test
