#include "tests/harness/x_query.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <set>
#include <stdexcept>

namespace brevolt::test {
namespace {

constexpr long kMaxPropertyLongs = 1L << 20;

// Errors on our connections are expected (windows come and go under the
// tests' feet) and read as "absent" through each call's status. Errors on
// any other connection go to whoever handled them before; GDK, for one,
// installs its own handler and ignores errors on displays it did not open.
std::mutex g_mutex;
std::set<Display*> g_displays;
XErrorHandler g_previous = nullptr;

int IgnoreOurErrors(Display* display, XErrorEvent* error) {
  {
    std::lock_guard lock(g_mutex);
    if (g_displays.count(display) != 0) return 0;
  }
  return g_previous != nullptr ? g_previous(display, error) : 0;
}

void Register(Display* display) {
  static std::once_flag installed;
  std::call_once(installed, [] { g_previous = XSetErrorHandler(IgnoreOurErrors); });
  std::lock_guard lock(g_mutex);
  g_displays.insert(display);
}

void Unregister(Display* display) {
  std::lock_guard lock(g_mutex);
  g_displays.erase(display);
}

struct Property {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned char* data = nullptr;
  ~Property() {
    if (data != nullptr) XFree(data);
  }
};

bool ReadProperty(Display* display, XWindow window, Atom property, Atom type, Property& out) {
  unsigned long after = 0;
  if (XGetWindowProperty(display, window, property, 0, kMaxPropertyLongs, False, type,
                         &out.type, &out.format, &out.items, &after, &out.data) != Success) {
    return false;
  }
  return out.type != None && (type == AnyPropertyType || out.type == type);
}

std::optional<std::string> ReadString(Display* display, XWindow window, Atom property,
                                      Atom type) {
  Property value;
  if (!ReadProperty(display, window, property, type, value) || value.format != 8) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(value.data), value.items);
}

std::vector<long> ReadLongs(Display* display, XWindow window, Atom property, Atom type) {
  Property value;
  if (!ReadProperty(display, window, property, type, value) || value.format != 32) return {};
  const auto* items = reinterpret_cast<const long*>(value.data);
  return std::vector<long>(items, items + value.items);
}

// Children bottom to top, as the server keeps them.
std::vector<XWindow> Children(Display* display, XWindow window) {
  Window root;
  Window parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return {};
  std::vector<XWindow> result(children, children + count);
  if (children != nullptr) XFree(children);
  return result;
}

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

}  // namespace

std::ostream& operator<<(std::ostream& out, const WindowRect& rect) {
  return out << rect.width << "x" << rect.height << "+" << rect.x << "+" << rect.y;
}

XQuery::XQuery(const std::string& display_name) {
  display_ = XOpenDisplay(display_name.c_str());
  if (display_ == nullptr) throw std::runtime_error("XQuery: cannot open display " + display_name);
  Register(display_);
}

XQuery::~XQuery() {
  XCloseDisplay(display_);
  Unregister(display_);
}

XWindow XQuery::root() const { return DefaultRootWindow(display_); }

WindowRect XQuery::ScreenRect() const {
  const int screen = DefaultScreen(display_);
  return {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

bool XQuery::HasWm() {
  const Atom check = Intern(display_, "_NET_SUPPORTING_WM_CHECK");
  const auto from_root = ReadLongs(display_, root(), check, XA_WINDOW);
  if (from_root.size() != 1 || from_root[0] == 0) return false;
  const auto from_check =
      ReadLongs(display_, static_cast<XWindow>(from_root[0]), check, XA_WINDOW);
  return from_check.size() == 1 && from_check[0] == from_root[0];
}

bool XQuery::Exists(XWindow window) {
  XWindowAttributes attributes;
  return window != 0 && XGetWindowAttributes(display_, window, &attributes) != 0;
}

bool XQuery::Mapped(XWindow window) {
  XWindowAttributes attributes;
  return window != 0 && XGetWindowAttributes(display_, window, &attributes) != 0 &&
         attributes.map_state != IsUnmapped;
}

bool XQuery::Viewable(XWindow window) {
  XWindowAttributes attributes;
  return window != 0 && XGetWindowAttributes(display_, window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

bool XQuery::IsOverrideRedirect(XWindow window) {
  XWindowAttributes attributes;
  return window != 0 && XGetWindowAttributes(display_, window, &attributes) != 0 &&
         attributes.override_redirect;
}

std::optional<WindowRect> XQuery::Geometry(XWindow window) {
  XWindowAttributes attributes;
  if (window == 0 || XGetWindowAttributes(display_, window, &attributes) == 0) {
    return std::nullopt;
  }
  int x = 0;
  int y = 0;
  Window child;
  if (!XTranslateCoordinates(display_, window, attributes.root, 0, 0, &x, &y, &child)) {
    return std::nullopt;
  }
  return WindowRect{x, y, attributes.width, attributes.height};
}

std::optional<WindowRect> XQuery::OuterGeometry(XWindow window) {
  const XWindow top_level = TopLevelOf(window);
  XWindowAttributes attributes;
  if (top_level == 0 || XGetWindowAttributes(display_, top_level, &attributes) == 0) {
    return std::nullopt;
  }
  // A child of the root: its position is already root-relative, and it is
  // that of the outer edge of its border.
  const int border = attributes.border_width;
  return WindowRect{attributes.x, attributes.y, attributes.width + 2 * border,
                    attributes.height + 2 * border};
}

std::optional<std::string> XQuery::Title(XWindow window) {
  if (auto name = NetWmName(window)) return name;
  return WmName(window);
}

std::optional<std::string> XQuery::WmName(XWindow window) {
  return ReadString(display_, window, XA_WM_NAME, AnyPropertyType);
}

std::optional<std::string> XQuery::NetWmName(XWindow window) {
  return ReadString(display_, window, Intern(display_, "_NET_WM_NAME"),
                    Intern(display_, "UTF8_STRING"));
}

std::optional<NormalHints> XQuery::WmNormalHints(XWindow window) {
  XSizeHints hints{};
  long supplied = 0;
  if (window == 0 || !XGetWMNormalHints(display_, window, &hints, &supplied)) return std::nullopt;
  return NormalHints{hints.flags, hints.min_width, hints.min_height};
}

std::optional<long> XQuery::WmState(XWindow window) {
  const Atom wm_state = Intern(display_, "WM_STATE");
  const auto state = ReadLongs(display_, window, wm_state, wm_state);
  if (state.empty()) return std::nullopt;
  return state[0];
}

XWindow XQuery::ActiveWindow() {
  if (HasWm()) {
    const auto active =
        ReadLongs(display_, root(), Intern(display_, "_NET_ACTIVE_WINDOW"), XA_WINDOW);
    return active.empty() ? 0 : static_cast<XWindow>(active[0]);
  }
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == root()) return 0;
  return ClientOf(TopLevelOf(focus));
}

std::vector<XWindow> XQuery::TopLevelClients() {
  std::vector<XWindow> result;
  auto children = Children(display_, root());
  std::reverse(children.begin(), children.end());
  for (XWindow top : children) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, top, &attributes) || attributes.override_redirect ||
        attributes.c_class != InputOutput) {
      continue;
    }
    result.push_back(ClientOf(top));
  }
  return result;
}

std::vector<XWindow> XQuery::FindByTitle(const std::string& title) {
  std::vector<XWindow> result;
  for (XWindow window : TopLevelClients()) {
    if (Title(window) == title) result.push_back(window);
  }
  return result;
}

std::optional<bool> XQuery::IsAbove(XWindow upper, XWindow lower) {
  const XWindow upper_top = TopLevelOf(upper);
  const XWindow lower_top = TopLevelOf(lower);
  if (upper_top == 0 || lower_top == 0) return std::nullopt;
  const auto order = Children(display_, root());
  const auto upper_at = std::find(order.begin(), order.end(), upper_top);
  const auto lower_at = std::find(order.begin(), order.end(), lower_top);
  if (upper_at == order.end() || lower_at == order.end()) return std::nullopt;
  return upper_at > lower_at;
}

void XQuery::Activate(XWindow window) {
  if (HasWm()) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = Intern(display_, "_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // on the user's behalf
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
  } else {
    XRaiseWindow(display_, window);
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  }
  XSync(display_, False);
}

void XQuery::Iconify(XWindow window) {
  XIconifyWindow(display_, window, DefaultScreen(display_));
  XSync(display_, False);
}

void XQuery::Sync() { XSync(display_, False); }

XWindow XQuery::TopLevelOf(XWindow window) {
  while (window != 0) {
    Window root_window;
    Window parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &root_window, &parent, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    if (parent == root_window) return window;
    window = parent;
  }
  return 0;
}

// A window manager's frame holds the client, the window carrying WM_STATE;
// an unmanaged top-level window is its own client.
XWindow XQuery::ClientOf(XWindow top_level) {
  const Atom wm_state = Intern(display_, "WM_STATE");
  std::deque<XWindow> pending{top_level};
  while (!pending.empty()) {
    const XWindow window = pending.front();
    pending.pop_front();
    Property value;
    if (ReadProperty(display_, window, wm_state, AnyPropertyType, value)) return window;
    for (XWindow child : Children(display_, window)) pending.push_back(child);
  }
  return top_level;
}

}  // namespace brevolt::test
