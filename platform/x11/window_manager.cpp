#include "platform/x11/window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <cstring>

#include "app/texts.h"
#include "platform/x11/x11_atoms.h"
#include "platform/x11/x11_show_hide.h"
#include "platform/x11/x11_window_search.h"

namespace brevolt::platform {
namespace {

// Every call may touch a window of another program that is already gone, or
// goes while we look; an untrapped BadWindow would end this program.
class ErrorTrap {
 public:
  explicit ErrorTrap(GdkDisplay* display) : display_(display) {
    gdk_x11_display_error_trap_push(display_);
  }
  ~ErrorTrap() {
    if (!popped_) gdk_x11_display_error_trap_pop_ignored(display_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to have handled every request made so far; true
  // when none of them failed.
  bool Succeeded() {
    XSync(gdk_x11_display_get_xdisplay(display_), False);
    popped_ = true;
    return gdk_x11_display_error_trap_pop(display_) == 0;
  }

 private:
  GdkDisplay* display_;
  bool popped_ = false;
};

Display* XDisplayOf(GdkDisplay* display) {
  if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) return nullptr;
  return gdk_x11_display_get_xdisplay(display);
}

void SetTitle(Display* display, const X11Atoms& atoms, Window window, const char* text) {
  const auto length = static_cast<int>(std::strlen(text));
  XChangeProperty(display, window, atoms.net_wm_name, atoms.utf8_string, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text), length);
  // WM_NAME in the encoding ICCCM asks for (Latin-1 STRING when it fits,
  // else COMPOUND_TEXT), for window managers and tools that read only it.
  XTextProperty name{};
  char* list[] = {const_cast<char*>(text)};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &name) == Success) {
    XSetWMName(display, window, &name);
    XFree(name.value);
  } else {
    XChangeProperty(display, window, XA_WM_NAME, atoms.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), length);
  }
}

}  // namespace

WindowManager::WindowManager(GdkDisplay* display) : display_(display) {}

HWND WindowManager::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  Display* display = XDisplayOf(display_);
  if (display == nullptr || lpClassName != nullptr || lpWindowName == nullptr) return 0;
  ErrorTrap trap(display_);
  const Window found =
      FindTopLevelByTitle(display, X11Atoms::Intern(display), lpWindowName, kOwnWindowTitle);
  // Errors here come from windows that went away during the search; the
  // search has already passed over them.
  return static_cast<HWND>(found);
}

BOOL WindowManager::SetWindowTextA(HWND hWnd, const char* lpString) {
  Display* display = XDisplayOf(display_);
  if (display == nullptr || hWnd == 0 || lpString == nullptr) return 0;
  ErrorTrap trap(display_);
  SetTitle(display, X11Atoms::Intern(display), hWnd, lpString);
  return trap.Succeeded() ? 1 : 0;
}

BOOL WindowManager::SetWindowPos(HWND hWnd, HWND /*hWndInsertAfter*/, int /*X*/, int /*Y*/,
                                 int /*cx*/, int /*cy*/, UINT uFlags) {
  Display* display = XDisplayOf(display_);
  if (display == nullptr || hWnd == 0) return 0;
  ErrorTrap trap(display_);
  bool done = true;
  if ((uFlags & SWP_SHOWWINDOW) != 0) {
    done = MapRaisedAndActivate(display, X11Atoms::Intern(display), hWnd);
  } else if ((uFlags & SWP_HIDEWINDOW) != 0) {
    done = Withdraw(display, hWnd);
  } else {
    // Nothing to change; still report whether the window exists.
    XWindowAttributes attributes;
    done = XGetWindowAttributes(display, hWnd, &attributes) != 0;
  }
  return trap.Succeeded() && done ? 1 : 0;
}

}  // namespace brevolt::platform
