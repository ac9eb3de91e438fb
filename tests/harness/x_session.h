#pragma once
// Test-side helpers: a private X server per test (never the display the tests
// were started from), child processes with captured output, and questions
// about windows asked from a separate X connection.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brevolt::test {

using namespace std::chrono_literals;

// Xvfb on a free display number, optionally with openbox managing it.
// The constructor returns once the server (and the window manager) is ready;
// it also points this process's DISPLAY at it.
class XSession {
 public:
  enum class Wm { kNone, kOpenbox };
  explicit XSession(Wm wm = Wm::kNone, int width = 1280, int height = 1024);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& display() const { return display_; }
  bool has_wm() const { return wm_pid_ > 0; }
  // A scratch directory that lives as long as the session (the window
  // manager's HOME and the servers' logs are in it).
  const std::string& temp_dir() const { return temp_dir_; }

 private:
  // Sessions still open when the process calls exit() (as a program under
  // test may) are stopped then; their destructors would not run.
  static void StopAllAtExit();

  void StartXvfb(int width, int height);
  void StartOpenbox();
  void Stop();
  // The last lines of a server's log, for error messages.
  std::string LogTail(const std::string& name) const;

  std::string display_;
  std::string temp_dir_;
  pid_t xvfb_pid_ = -1;
  pid_t wm_pid_ = -1;
};

// Where a child starts and where its stderr goes; the defaults inherit both.
struct ChildOptions {
  std::string cwd;          // working directory; empty: this process's
  std::string stderr_path;  // file that receives stderr (created or truncated)
};

// A child process with stdout captured line by line.
class Child {
 public:
  // argv[0] is looked up in PATH unless it holds a slash. `env` entries
  // ("NAME=value") are added to (or replace) this process's environment.
  explicit Child(std::vector<std::string> argv, std::vector<std::string> env = {},
                 ChildOptions options = {});
  ~Child();  // kills the child if it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  // The next whole line of stdout, or nullopt if none came within `timeout`
  // or the child closed its stdout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // Reads lines until one starts with `prefix`; returns it, or nullopt.
  std::optional<std::string> WaitForLine(const std::string& prefix,
                                         std::chrono::milliseconds timeout);
  // Exit status (or 128 + signal), or nullopt if still running after `timeout`.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);
  bool Running();
  void Kill(int signal = 15);

 private:
  pid_t pid_ = -1;
  int stdout_fd_ = -1;
  std::string buffer_;
  std::optional<int> status_;
};

// Polls `done` every few milliseconds until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Path of a program built by this project (in the build tree).
std::string BuiltProgram(const std::string& name);

}  // namespace brevolt::test
