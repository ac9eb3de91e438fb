#include "platform/wayland/kde_windows.h"

#include <cstring>

#include "plasma-window-management-client-protocol.h"

namespace brevolt::platform {
namespace {

// The newest version this code knows; events are told apart by name, so a
// newer compositor's additions are passed over.
constexpr std::uint32_t kManagementVersion = 16;
// From this version a window says when its first description is complete.
constexpr std::uint32_t kInitialStateVersion = 4;

bool Named(const wl_message* message, const char* name) {
  return std::strcmp(message->name, name) == 0;
}

}  // namespace

std::unique_ptr<KdeWindows> KdeWindows::Create(std::unique_ptr<WaylandConnection>& connection) {
  auto* management = static_cast<org_kde_plasma_window_management*>(
      connection->Bind(&org_kde_plasma_window_management_interface, kManagementVersion));
  if (management == nullptr) return nullptr;
  std::unique_ptr<KdeWindows> windows(new KdeWindows(std::move(connection), management));
  windows->Refresh();
  windows->connection_->DispatchFromMainLoop();
  return windows;
}

KdeWindows::KdeWindows(std::unique_ptr<WaylandConnection> connection,
                       org_kde_plasma_window_management* management)
    : connection_(std::move(connection)), management_(management) {
  // Events are dispatched by hand: the listener structs grow with every
  // version, and a missing entry would be a call through a null pointer.
  wl_proxy_add_dispatcher(reinterpret_cast<wl_proxy*>(management_), OnManagementEvent, nullptr,
                          this);
}

KdeWindows::~KdeWindows() {
  for (Entry& entry : entries_) Forget(entry);
  wl_proxy_destroy(reinterpret_cast<wl_proxy*>(management_));
}

int KdeWindows::OnManagementEvent(const void*, void* target, std::uint32_t /*opcode*/,
                                  const wl_message* message, wl_argument* args) {
  auto* self = static_cast<KdeWindows*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
  if (Named(message, "window") || Named(message, "window_with_uuid")) self->Add(args[0].u);
  return 0;
}

void KdeWindows::Add(std::uint32_t id) {
  if (!announced_.insert(id).second) return;
  Entry& entry = entries_.emplace_back();
  entry.window = org_kde_plasma_window_management_get_window(management_, id);
  wl_proxy_add_dispatcher(reinterpret_cast<wl_proxy*>(entry.window), OnWindowEvent, nullptr,
                          &entry);
}

int KdeWindows::OnWindowEvent(const void*, void* target, std::uint32_t /*opcode*/,
                              const wl_message* message, wl_argument* args) {
  auto* proxy = static_cast<wl_proxy*>(target);
  auto* entry = static_cast<Entry*>(wl_proxy_get_user_data(proxy));
  if (Named(message, "title_changed")) {
    entry->title = args[0].s != nullptr ? args[0].s : "";
    if (wl_proxy_get_version(proxy) < kInitialStateVersion) entry->described = true;
  } else if (Named(message, "state_changed")) {
    entry->minimized = (args[0].u & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED) != 0;
  } else if (Named(message, "initial_state")) {
    entry->described = true;
  } else if (Named(message, "unmapped")) {
    entry->closed = true;
  }
  return 0;
}

void KdeWindows::Forget(Entry& entry) {
  if (entry.window == nullptr) return;
  auto* proxy = reinterpret_cast<wl_proxy*>(entry.window);
  if (wl_proxy_get_version(proxy) >= ORG_KDE_PLASMA_WINDOW_DESTROY_SINCE_VERSION) {
    org_kde_plasma_window_destroy(entry.window);
  } else {
    wl_proxy_destroy(proxy);
  }
  entry.window = nullptr;
}

void KdeWindows::Refresh() {
  connection_->Roundtrip();
  connection_->Roundtrip();
  for (Entry& entry : entries_) {
    if (entry.closed) Forget(entry);
  }
}

HWND KdeWindows::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  if (lpClassName != nullptr || lpWindowName == nullptr) return 0;
  Refresh();
  return FirstTitled(entries_, lpWindowName);
}

BOOL KdeWindows::SetWindowPos(HWND hWnd, HWND /*hWndInsertAfter*/, int /*X*/, int /*Y*/,
                              int /*cx*/, int /*cy*/, UINT uFlags) {
  Entry* entry = EntryFor(entries_, hWnd);
  if (entry == nullptr) return 0;
  constexpr std::uint32_t kMinimized = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_MINIMIZED;
  constexpr std::uint32_t kActive = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
  const bool show = (uFlags & SWP_SHOWWINDOW) != 0;
  const bool hide = !show && (uFlags & SWP_HIDEWINDOW) != 0;
  if (show) org_kde_plasma_window_set_state(entry->window, kMinimized | kActive, kActive);
  if (hide) org_kde_plasma_window_set_state(entry->window, kMinimized, kMinimized);
  const bool answered = connection_->Roundtrip();
  entry = EntryFor(entries_, hWnd);
  if (!answered || entry == nullptr) return 0;
  return !hide || entry->minimized ? 1 : 0;
}

}  // namespace brevolt::platform
