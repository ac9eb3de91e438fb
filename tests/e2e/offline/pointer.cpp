#include "tests/e2e/offline/pointer.h"

#include <X11/Xlib.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kToolTimeout = std::chrono::seconds(30);

void Xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  Child tool(std::move(args));
  if (tool.WaitExit(kToolTimeout) != 0) throw std::runtime_error("xdotool failed");
}

}  // namespace

std::optional<std::pair<int, int>> PointerPosition(XQuery& x) {
  Window root = None;
  Window child = None;
  int root_x = 0;
  int root_y = 0;
  int window_x = 0;
  int window_y = 0;
  unsigned int buttons = 0;
  if (!XQueryPointer(x.display(), x.root(), &root, &child, &root_x, &root_y, &window_x, &window_y,
                     &buttons)) {
    return std::nullopt;
  }
  return std::pair{root_x, root_y};
}

void MovePointerTo(int x, int y) {
  Xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

void PressAndReleaseAt(int press_x, int press_y, int release_x, int release_y) {
  MovePointerTo(press_x, press_y);
  Xdotool({"mousedown", "1"});
  MovePointerTo(release_x, release_y);
  Xdotool({"mouseup", "1"});
}

}  // namespace brevolt::test
