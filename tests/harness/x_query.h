#pragma once
// Questions about windows, asked over the test's own X connection (never the
// connection of the code under test). Every question tolerates windows that
// do not exist or vanish meanwhile: they read as absent. Create it after the
// XSession it talks to and destroy it before.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct _XDisplay;

namespace brevolt::test {

using XWindow = unsigned long;  // an X window id; 0 means none

struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};
std::ostream& operator<<(std::ostream& out, const WindowRect& rect);

// The part of WM_NORMAL_HINTS tests look at.
struct NormalHints {
  long flags = 0;  // PPosition, USPosition, PMinSize, ... from <X11/Xutil.h>
  int min_width = 0;
  int min_height = 0;
};

class XQuery {
 public:
  // Throws std::runtime_error when the display cannot be opened.
  explicit XQuery(const std::string& display_name);
  ~XQuery();
  XQuery(const XQuery&) = delete;
  XQuery& operator=(const XQuery&) = delete;

  _XDisplay* display() const { return display_; }
  XWindow root() const;
  WindowRect ScreenRect() const;

  // An EWMH window manager runs (its check window points back to itself).
  bool HasWm();

  bool Exists(XWindow window);
  bool Mapped(XWindow window);    // map requested (may still be unviewable)
  bool Viewable(XWindow window);  // mapped and all ancestors mapped
  bool IsOverrideRedirect(XWindow window);
  // The client area, root-relative: where the window's own pixels are.
  std::optional<WindowRect> Geometry(XWindow window);
  // The whole top-level window on screen, root-relative: the window
  // manager's frame around it when it has one, border included.
  std::optional<WindowRect> OuterGeometry(XWindow window);

  // _NET_WM_NAME when present, else WM_NAME.
  std::optional<std::string> Title(XWindow window);
  std::optional<std::string> WmName(XWindow window);     // raw bytes, any type
  std::optional<std::string> NetWmName(XWindow window);  // UTF8_STRING only
  std::optional<NormalHints> WmNormalHints(XWindow window);
  // WM_STATE's state (1 normal, 3 iconic), set by a window manager for the
  // windows it manages; nullopt when absent.
  std::optional<long> WmState(XWindow window);

  // The top-level client window that has the focus: _NET_ACTIVE_WINDOW
  // under a window manager, else the top-level window holding the input
  // focus. 0 when none.
  XWindow ActiveWindow();

  // Top-level client windows, top of the stacking order first, withdrawn
  // ones included; override-redirect and InputOnly windows left out.
  std::vector<XWindow> TopLevelClients();
  // Those of them whose title equals `title` exactly.
  std::vector<XWindow> FindByTitle(const std::string& title);
  // Whether `upper` is stacked above `lower` (compared as top-level
  // windows, frames included); nullopt if either is gone.
  std::optional<bool> IsAbove(XWindow upper, XWindow lower);

  // What a user's click on the window does: raise it and give it the focus
  // (through the window manager when there is one).
  void Activate(XWindow window);

  // What a user's minimise does (ICCCM WM_CHANGE_STATE); needs a window
  // manager to take effect.
  void Iconify(XWindow window);

  // Waits until the server has handled everything asked so far.
  void Sync();

 private:
  XWindow TopLevelOf(XWindow window);
  XWindow ClientOf(XWindow top_level);

  _XDisplay* display_ = nullptr;
};

}  // namespace brevolt::test
