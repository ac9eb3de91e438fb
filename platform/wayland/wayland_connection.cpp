#include "platform/wayland/wayland_connection.h"

#include <glib-unix.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace brevolt::platform {
namespace {

// Long enough for a busy compositor, short enough that one which hangs
// cannot keep the program's window from showing.
constexpr auto kRoundtripBound = std::chrono::milliseconds(1500);

void OnSyncDone(void* data, wl_callback* /*callback*/, std::uint32_t /*serial*/) {
  *static_cast<bool*>(data) = true;
}
constexpr wl_callback_listener kSyncListener = {OnSyncDone};

}  // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Connect() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
  if (!connection->Roundtrip()) return nullptr;
  connection->seat_ =
      static_cast<wl_seat*>(connection->Bind(&wl_seat_interface, 1));
  return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {
  static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
}

WaylandConnection::~WaylandConnection() {
  if (watch_ != 0) g_source_remove(watch_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_disconnect(display_);
}

void WaylandConnection::OnGlobal(void* data, wl_registry* /*registry*/, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
  static_cast<WaylandConnection*>(data)->globals_.push_back({name, interface, version});
}

void WaylandConnection::OnGlobalRemove(void* data, wl_registry* /*registry*/,
                                       std::uint32_t name) {
  auto& globals = static_cast<WaylandConnection*>(data)->globals_;
  std::erase_if(globals, [name](const Global& global) { return global.name == name; });
}

bool WaylandConnection::Offers(const char* interface) const {
  return std::any_of(globals_.begin(), globals_.end(),
                     [interface](const Global& global) { return global.interface == interface; });
}

void* WaylandConnection::Bind(const wl_interface* interface, std::uint32_t highest) {
  for (const Global& global : globals_) {
    if (global.interface != interface->name) continue;
    return wl_registry_bind(registry_, global.name, interface,
                            std::min(global.version, highest));
  }
  return nullptr;
}

bool WaylandConnection::Roundtrip() {
  bool done = false;
  wl_callback* callback = wl_display_sync(display_);
  wl_callback_add_listener(callback, &kSyncListener, &done);
  const auto deadline = std::chrono::steady_clock::now() + kRoundtripBound;
  bool alive = true;
  while (!done && alive) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    alive = DispatchWithin(static_cast<int>(left.count()));
  }
  // A late answer then goes to a destroyed proxy, which libwayland drops.
  wl_callback_destroy(callback);
  return done;
}

bool WaylandConnection::DispatchWithin(int timeout_ms) {
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) return false;
  }
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display_);
    return false;
  }
  pollfd p{wl_display_get_fd(display_), POLLIN, 0};
  const int ready = poll(&p, 1, timeout_ms);
  if (ready > 0) {
    if (wl_display_read_events(display_) < 0) return false;
  } else {
    wl_display_cancel_read(display_);
    if (ready < 0 && errno != EINTR) return false;
  }
  return wl_display_dispatch_pending(display_) >= 0;
}

void WaylandConnection::DispatchFromMainLoop() {
  if (watch_ != 0) return;
  watch_ = g_unix_fd_add(
      wl_display_get_fd(display_), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
      [](gint /*fd*/, GIOCondition /*condition*/, gpointer data) -> gboolean {
        auto* self = static_cast<WaylandConnection*>(data);
        if (self->DispatchWithin(0)) return G_SOURCE_CONTINUE;
        // A broken connection stays readable; watching it would spin.
        self->watch_ = 0;
        return G_SOURCE_REMOVE;
      },
      this);
}

}  // namespace brevolt::platform
