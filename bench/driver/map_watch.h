#pragma once
// Sees top-level windows being mapped, over a connection of the driver's
// own that listens on the root window. With no window manager the MapNotify
// of a top-level window is reported to the root's SubstructureNotify
// listeners the moment the server maps it.
#include <optional>
#include <string>

#include "bench/driver/settings.h"

struct _XDisplay;

namespace brevolt::bench {

struct MappedWindow {
  Clock::time_point at;
  unsigned long window = 0;
  int width = 0;
  int height = 0;
};

class MapWatch {
 public:
  explicit MapWatch(const std::string& display_name);
  ~MapWatch();
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;

  // Forgets what happened so far; call before starting the program.
  void Arm();
  // The next top-level window mapped (override-redirect pop-ups are passed
  // over), or nullopt at the deadline or when `exit_fd` (a pidfd) becomes
  // readable first.
  std::optional<MappedWindow> Wait(Clock::time_point deadline, int exit_fd);

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace brevolt::bench
