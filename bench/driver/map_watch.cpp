#include "bench/driver/map_watch.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

// After our headers: Xlib's macros clash with ordinary names.
#include <X11/Xlib.h>

namespace brevolt::bench {
namespace {

int PollMs(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long>(0, left.count()));
}

// A window gone by the time it is asked about reads as 0 x 0.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

MapWatch::MapWatch(const std::string& display_name) {
  display_ = XOpenDisplay(display_name.c_str());
  if (display_ == nullptr) throw std::runtime_error("cannot open display " + display_name);
  // The driver's own connection to its own private server; nothing else in
  // this process speaks Xlib while it runs.
  XSetErrorHandler(IgnoreErrors);
  XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
  XSync(display_, False);
}

MapWatch::~MapWatch() { XCloseDisplay(display_); }

void MapWatch::Arm() { XSync(display_, True); }

std::optional<MappedWindow> MapWatch::Wait(Clock::time_point deadline, int exit_fd) {
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != MapNotify || event.xmap.override_redirect) continue;
      if (event.xmap.event != DefaultRootWindow(display_)) continue;
      MappedWindow mapped{Clock::now(), event.xmap.window, 0, 0};
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display_, mapped.window, &attributes) != 0) {
        mapped.width = attributes.width;
        mapped.height = attributes.height;
      }
      return mapped;
    }
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {exit_fd, POLLIN, 0}};
    const int ready = poll(fds, 2, PollMs(deadline));
    if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
    if (ready == 0) return std::nullopt;
    // Events already sent are read before the exit counts.
    if (fds[1].revents != 0 && fds[0].revents == 0 && XPending(display_) == 0) return std::nullopt;
  }
}

}  // namespace brevolt::bench
