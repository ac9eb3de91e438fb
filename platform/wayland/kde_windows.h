#pragma once
// The product's window through KDE Plasma's org_kde_plasma_window_management,
// which KWin offers only to programs its desktop files allow.
#include <cstdint>
#include <deque>
#include <memory>
#include <set>

#include "platform/wayland/toplevel_list.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/window_layer.h"

struct org_kde_plasma_window_management;
struct org_kde_plasma_window;

namespace brevolt::platform {

class KdeWindows : public WindowLayer {
 public:
  // nullptr when the compositor does not offer the protocol to us.
  static std::unique_ptr<KdeWindows> Create(std::unique_ptr<WaylandConnection>& connection);
  ~KdeWindows() override;

  HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                    UINT uFlags) override;

 private:
  struct Entry : Toplevel {
    org_kde_plasma_window* window = nullptr;
  };

  KdeWindows(std::unique_ptr<WaylandConnection> connection,
             org_kde_plasma_window_management* management);
  // Announced windows are described once asked for; two round trips see
  // both the announcement and the description.
  void Refresh();
  void Add(std::uint32_t id);
  void Forget(Entry& entry);
  static int OnManagementEvent(const void*, void* target, std::uint32_t opcode,
                               const wl_message* message, wl_argument* args);
  static int OnWindowEvent(const void*, void* target, std::uint32_t opcode,
                           const wl_message* message, wl_argument* args);

  std::unique_ptr<WaylandConnection> connection_;
  org_kde_plasma_window_management* management_;
  std::deque<Entry> entries_;
  std::set<std::uint32_t> announced_;
};

}  // namespace brevolt::platform
