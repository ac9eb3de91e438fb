#include "tests/e2e/startup/map_order_log.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <stdexcept>

namespace brevolt::test {

MapOrderLog::MapOrderLog(const std::string& display_name) {
  display_ = XOpenDisplay(display_name.c_str());
  if (display_ == nullptr) throw std::runtime_error("MapOrderLog: cannot open " + display_name);
  XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
  // Selected on the server before anything of interest is started.
  XSync(display_, False);
}

MapOrderLog::~MapOrderLog() { XCloseDisplay(display_); }

void MapOrderLog::Collect() {
  XSync(display_, False);
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MapNotify) {
      events_.push_back({MapEvent::Kind::kMap, event.xmap.window, event.xmap.send_event != 0,
                         event.xmap.override_redirect != 0});
    } else if (event.type == UnmapNotify) {
      events_.push_back(
          {MapEvent::Kind::kUnmap, event.xunmap.window, event.xunmap.send_event != 0});
    }
  }
}

void MapOrderLog::Clear() {
  Collect();
  events_.clear();
}

int MapOrderLog::FirstIndexOf(MapEvent::Kind kind, const std::vector<XWindow>& windows) const {
  for (std::size_t i = 0; i < events_.size(); ++i) {
    const MapEvent& e = events_[i];
    if (e.kind == kind && std::find(windows.begin(), windows.end(), e.window) != windows.end()) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::vector<XWindow> WindowAndFrame(XQuery& x, XWindow window) {
  std::vector<XWindow> result{window};
  // The query connection reads errors on vanished windows as failures.
  for (XWindow current = window; current != 0;) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x.display(), current, &root, &parent, &children, &count)) break;
    if (children != nullptr) XFree(children);
    if (parent == root) {
      if (current != window) result.push_back(current);
      break;
    }
    current = parent;
  }
  return result;
}

}  // namespace brevolt::test
