#pragma once
// A private headless Wayland desktop per test: sway, weston or KWin with XWayland,
// in a runtime folder of its own. They refuse to run as root, and their
// XWayland refuses other users' clients, so when the tests run as root the
// compositor and every client of it run as `nobody`; root is then let into
// XWayland so the X-side questions of the harness still work.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/harness/scratch_dir.h"

namespace brevolt::test {

class WaylandSession {
 public:
  // KWin lets any client use its window management protocol here, as the
  // tests' program is not the installed one its desktop file names.
  enum class Compositor { kSway, kWeston, kKwin };
  // Returns once the compositor and its XWayland take clients; throws
  // std::runtime_error with the compositor's log otherwise.
  explicit WaylandSession(Compositor compositor);
  ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  const std::string& x_display() const { return x_display_; }
  const std::filesystem::path& dir() const { return scratch_.path(); }
  // The compositor's XDG_RUNTIME_DIR; GTK's Wayland backend wants one.
  const std::filesystem::path& runtime() const { return runtime_; }

  // WAYLAND_DISPLAY (a full path, so that a client may have a runtime
  // folder of its own), DISPLAY and, under sway, SWAYSOCK.
  std::vector<std::string> ClientEnv() const;
  // `argv` as run by the session's user with `env` added.
  std::vector<std::string> AsUser(std::vector<std::string> argv,
                                  const std::vector<std::string>& env = {}) const;
  // A program of the build (and the modules beside it) where the session's
  // user may run it: a build below root's home is out of nobody's reach.
  std::string Program(const std::string& name) const;
  // Makes `folder` and everything in it the session user's.
  void HandOver(const std::filesystem::path& folder) const;

  // swaymsg's answer (JSON) to `args`, e.g. {"-t", "get_tree"}.
  std::string SwayMsg(std::vector<std::string> args) const;

 private:
  void Start(Compositor compositor);

  ScratchDir scratch_{"brevolt-wayland"};
  std::filesystem::path runtime_;
  std::filesystem::path wayland_socket_;
  std::string x_display_;
  std::string sway_socket_;
  int pid_ = -1;
};

}  // namespace brevolt::test
