#pragma once
// What the hardening runs share: a system-call trace that shows every file a
// run created or changed, the leftovers in folders that must stay empty,
// window ownership by process, and a loopback port that never answers.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/harness/window_owner.h"
#include "tests/harness/x_query.h"

namespace brevolt::test::hardening {

// Generous bounds on conditions (never on speed): the machine is shared.
inline constexpr auto kStartTimeout = std::chrono::seconds(60);
inline constexpr auto kPageTimeout = std::chrono::seconds(60);
inline constexpr auto kExitTimeout = std::chrono::seconds(30);

// strace around a run: every process it starts is followed, and each one's
// file-changing calls land in a file of their own below `dir`.
class WriteTrace {
 public:
  explicit WriteTrace(std::filesystem::path dir);
  // The wrapper for BrevoltOptions::wrapper.
  std::vector<std::string> Wrapper() const;
  // Successful calls that created, truncated, renamed, removed or opened for
  // writing a path outside `allowed` (prefixes; /dev and /proc are always
  // allowed), one line each as strace wrote it. `cwd` resolves relative paths.
  std::vector<std::string> Writes(const std::vector<std::filesystem::path>& allowed,
                                  const std::filesystem::path& cwd) const;
  // How many processes were traced (one file each).
  int TracedProcesses() const;

 private:
  std::filesystem::path dir_;
};

// Every path below `folder`, except sockets below `runtime` (bus and display
// sockets a toolkit may make there live only as long as the run).
std::vector<std::filesystem::path> Leftovers(const std::filesystem::path& folder,
                                             const std::filesystem::path& runtime);

// The program's own process: the run's process itself, or, under a wrapper,
// the descendant running the program. 0 when not (or no longer) found.
pid_t ProgramPid(Brevolt& program);

// Top-level client windows that are viewable now.
std::vector<XWindow> ViewableTopLevels(XQuery& x);

// Viewable top-level windows owned (by _NET_WM_PID) by `pid` or any process
// it started.
std::vector<XWindow> ViewableWindowsOf(XQuery& x, pid_t pid);

// Raises and activates `window` (what a user's click on its frame does) and
// waits until the window manager has done so; false if it never did.
bool FocusWindow(XQuery& x, XWindow window);

// A listener on a loopback port whose accept queue is full and never
// drained: further SYNs are dropped, so connecting hangs until the caller
// gives up.
class FullQueue {
 public:
  explicit FullQueue(int port);
  ~FullQueue();
  FullQueue(const FullQueue&) = delete;
  FullQueue& operator=(const FullQueue&) = delete;
  bool full() const { return full_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  bool full_ = false;
};

// Kills whatever `program` started that still runs, so that nothing of one
// test outlives it even when it failed half-way.
void KillLeftovers(Brevolt& program);

}  // namespace brevolt::test::hardening
