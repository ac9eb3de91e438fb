#pragma once
// Command line of the stand-in product window.
#include <optional>
#include <string>
#include <vector>

namespace brevolt::test_host {

struct HostOptions {
  std::string title;
  int x = 0;
  int y = 0;
  int width = 300;
  int height = 200;
  // Whether --x/--y were given: only then does the window ask a window
  // manager to place it there.
  bool position_given = false;
  // Only WM_NAME, as Xt programs set it; no _NET_WM_NAME.
  bool wm_name_only = false;
  // Kinds of window that are never anyone's top-level window.
  bool override_redirect = false;
  bool input_only = false;
  // When set, the window is transient for a hidden window with this title,
  // as a form runtime's hidden application window or another copy's window.
  std::optional<std::string> owner_title;
};

// nullopt with a message in `error` when the arguments are unusable.
std::optional<HostOptions> ParseHostOptions(const std::vector<std::string>& args,
                                            std::string& error);

inline constexpr const char* kHostUsage =
    "usage: brevolt-test-host --title T [--x X --y Y] [--width W] [--height H]\n"
    "                         [--wm-name-only] [--override-redirect | --input-only]\n"
    "                         [--owner-title T]\n";

}  // namespace brevolt::test_host
