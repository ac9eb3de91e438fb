#include "platform/wayland/wlr_toplevels.h"

#include <cstring>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace brevolt::platform {

// Version 3 adds only the "parent" event, which changes nothing here.
constexpr std::uint32_t kManagerVersion = 3;

struct WlrEvents {
  using Entry = WlrToplevels::Entry;
  using Handle = zwlr_foreign_toplevel_handle_v1;

  static void Toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, Handle* handle) {
    static_cast<WlrToplevels*>(data)->Add(handle);
  }
  static void Finished(void*, zwlr_foreign_toplevel_manager_v1*) {}

  static void Title(void* data, Handle*, const char* title) {
    static_cast<Entry*>(data)->pending_title = title;
  }
  static void AppId(void*, Handle*, const char*) {}
  static void Output(void*, Handle*, wl_output*) {}
  static void State(void* data, Handle*, wl_array* states) {
    auto* entry = static_cast<Entry*>(data);
    entry->pending_minimized = false;
    const auto* state = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof *state; ++i) {
      if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) {
        entry->pending_minimized = true;
      }
    }
  }
  static void Done(void* data, Handle*) {
    auto* entry = static_cast<Entry*>(data);
    entry->title = entry->pending_title;
    entry->minimized = entry->pending_minimized;
    entry->described = true;
  }
  static void Closed(void* data, Handle* handle) {
    auto* entry = static_cast<Entry*>(data);
    entry->closed = true;
    entry->handle = nullptr;
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
  }
  static void Parent(void*, Handle*, Handle*) {}
};

namespace {

constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {
    WlrEvents::Toplevel, WlrEvents::Finished};
constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    WlrEvents::Title, WlrEvents::AppId, WlrEvents::Output, WlrEvents::Output,
    WlrEvents::State, WlrEvents::Done,  WlrEvents::Closed, WlrEvents::Parent};

}  // namespace

std::unique_ptr<WlrToplevels> WlrToplevels::Create(
    std::unique_ptr<WaylandConnection>& connection) {
  auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
      connection->Bind(&zwlr_foreign_toplevel_manager_v1_interface, kManagerVersion));
  if (manager == nullptr) return nullptr;
  std::unique_ptr<WlrToplevels> toplevels(new WlrToplevels(std::move(connection), manager));
  // The windows already open are announced, each with its first "done",
  // in answer to the bind.
  toplevels->connection_->Roundtrip();
  toplevels->connection_->DispatchFromMainLoop();
  return toplevels;
}

WlrToplevels::WlrToplevels(std::unique_ptr<WaylandConnection> connection,
                           zwlr_foreign_toplevel_manager_v1* manager)
    : connection_(std::move(connection)), manager_(manager) {
  zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &kManagerListener, this);
}

WlrToplevels::~WlrToplevels() {
  for (Entry& entry : entries_) {
    if (entry.handle != nullptr) zwlr_foreign_toplevel_handle_v1_destroy(entry.handle);
  }
  zwlr_foreign_toplevel_manager_v1_destroy(manager_);
}

void WlrToplevels::Add(zwlr_foreign_toplevel_handle_v1* handle) {
  Entry& entry = entries_.emplace_back();
  entry.handle = handle;
  zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, &entry);
}

HWND WlrToplevels::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  if (lpClassName != nullptr || lpWindowName == nullptr) return 0;
  // Windows opened since the last look are announced and described first.
  connection_->Roundtrip();
  return FirstTitled(entries_, lpWindowName);
}

BOOL WlrToplevels::SetWindowPos(HWND hWnd, HWND /*hWndInsertAfter*/, int /*X*/, int /*Y*/,
                                int /*cx*/, int /*cy*/, UINT uFlags) {
  Entry* entry = EntryFor(entries_, hWnd);
  if (entry == nullptr) return 0;
  if ((uFlags & SWP_SHOWWINDOW) != 0) {
    zwlr_foreign_toplevel_handle_v1_unset_minimized(entry->handle);
    if (connection_->seat() != nullptr) {
      zwlr_foreign_toplevel_handle_v1_activate(entry->handle, connection_->seat());
    }
  } else if ((uFlags & SWP_HIDEWINDOW) != 0) {
    zwlr_foreign_toplevel_handle_v1_set_minimized(entry->handle);
  }
  const bool answered = connection_->Roundtrip();
  // A compositor may ignore a minimise request (sway does): only a window
  // it reports minimised counts as hidden.
  entry = EntryFor(entries_, hWnd);
  if (!answered || entry == nullptr) return 0;
  if ((uFlags & SWP_HIDEWINDOW) != 0 && (uFlags & SWP_SHOWWINDOW) == 0) {
    return entry->minimized ? 1 : 0;
  }
  return 1;
}

}  // namespace brevolt::platform
