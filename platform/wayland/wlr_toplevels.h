#pragma once
// The product's window through zwlr_foreign_toplevel_manager_v1 (wlroots
// compositors): found by title, minimised and given back activated.
#include <cstdint>
#include <memory>
#include <deque>
#include <string>

#include "platform/wayland/toplevel_list.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/window_layer.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace brevolt::platform {

class WlrToplevels : public WindowLayer {
 public:
  // nullptr when the compositor does not offer the protocol.
  static std::unique_ptr<WlrToplevels> Create(std::unique_ptr<WaylandConnection>& connection);
  ~WlrToplevels() override;

  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;

 private:
  struct Entry : Toplevel {
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    // Title and state take effect together at the next "done".
    std::string pending_title;
    bool pending_minimized = false;
  };
  friend struct WlrEvents;

  WlrToplevels(std::unique_ptr<WaylandConnection> connection,
               zwlr_foreign_toplevel_manager_v1* manager);
  void Add(zwlr_foreign_toplevel_handle_v1* handle);

  std::unique_ptr<WaylandConnection> connection_;
  zwlr_foreign_toplevel_manager_v1* manager_;
  // A deque keeps each entry in place: its handle's events point at it.
  std::deque<Entry> entries_;
};

}  // namespace brevolt::platform
