#include "ui/gtk/system_api.h"

#include <cstdio>
#include <cstdlib>

#include "platform/gio/probe.h"
#include "platform/sway/sway_windows.h"
#include "platform/wayland/kde_windows.h"
#include "platform/wayland/wlr_toplevels.h"

namespace brevolt {
namespace {

bool Set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Where the desktop lets another program find, put aside and give back the
// product's window: sway's IPC (sway ignores the protocol's minimise), the
// wlroots protocol, KDE's. nullptr on X11 and on desktops that allow none
// of these, where the X11 search still reaches a product on XWayland.
std::unique_ptr<platform::WindowLayer> ChooseWaylandLayer() {
  if (!Set("WAYLAND_DISPLAY")) return nullptr;
  if (Set("SWAYSOCK")) {
    if (auto sway = platform::SwayWindows::Connect(std::getenv("SWAYSOCK"))) return sway;
  }
  auto connection = platform::WaylandConnection::Connect();
  if (connection) {
    if (auto wlr = platform::WlrToplevels::Create(connection)) return wlr;
    if (auto kde = platform::KdeWindows::Create(connection)) return kde;
  }
  std::fputs(
      connection
          ? "brevolt: this Wayland desktop lets no other program hide or show its windows; "
            "a Zendrolt window drawn on Wayland stays as it is\n"
          : "brevolt: the Wayland compositor did not answer; only a Zendrolt window on "
            "XWayland can be put aside\n",
      stderr);
  return nullptr;
}

}  // namespace

SystemApi::SystemApi(platform::WindowManager& wm, HWND own_window,
                     std::function<void(const char*)> set_own_title)
    : wm_(wm),
      own_window_(own_window),
      set_own_title_(std::move(set_own_title)),
      wayland_(ChooseWaylandLayer()),
      host_layer_(wayland_ ? wayland_.get() : &wm_) {}

SystemApi::~SystemApi() = default;

HWND SystemApi::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  return host_layer_->FindWindowA(lpClassName, lpWindowName);
}

BOOL SystemApi::SetWindowTextA(HWND hWnd, const char* lpString) {
  if (hWnd != 0 && hWnd == own_window_) {
    set_own_title_(lpString);
    return 1;
  }
  return wm_.SetWindowTextA(hWnd, lpString);
}

BOOL SystemApi::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                             UINT uFlags) {
  return host_layer_->SetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}

BOOL SystemApi::InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) {
  return platform::InternetCheckConnectionA(lpszUrl, dwFlags, dwReserved);
}

bool OwnWindowCanOpen() {
  if (!Set("WAYLAND_DISPLAY") || Set("DISPLAY")) return true;
  std::fputs("brevolt: this Wayland session has no XWayland (DISPLAY is not set); "
             "Brevolt's window needs it\n",
             stderr);
  return false;
}

}  // namespace brevolt
