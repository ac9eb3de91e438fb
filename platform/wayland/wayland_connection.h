#pragma once
// This program's own connection to the Wayland compositor, apart from GTK's
// (which is an X11 one through XWayland): the globals it offers and round
// trips that never wait for long.
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brevolt::platform {

class WaylandConnection {
 public:
  // nullptr when no compositor answers at $WAYLAND_DISPLAY.
  static std::unique_ptr<WaylandConnection> Connect();
  ~WaylandConnection();
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;

  // Binds the global named `interface` at the lower of its version and
  // `highest`; nullptr if the compositor offers none.
  void* Bind(const wl_interface* interface, std::uint32_t highest);
  bool Offers(const char* interface) const;
  wl_seat* seat() const { return seat_; }

  // Sends every request made so far and handles the events they caused;
  // false if the compositor did not answer within a short bound or the
  // connection broke.
  bool Roundtrip();

  // From now on, events are handled as they come from GLib's main loop, so
  // a compositor's title and state news never pile up unread.
  void DispatchFromMainLoop();

 private:
  struct Global {
    std::uint32_t name;
    std::string interface;
    std::uint32_t version;
  };

  explicit WaylandConnection(wl_display* display);
  static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                       const char* interface, std::uint32_t version);
  static void OnGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
  // Reads and handles what has arrived, waiting at most `timeout_ms`;
  // false when the connection broke.
  bool DispatchWithin(int timeout_ms);

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  std::vector<Global> globals_;
  unsigned watch_ = 0;
};

}  // namespace brevolt::platform
