#include "platform/x11/x11_window_search.h"

#include <deque>
#include <vector>

#include "platform/x11/x11_properties.h"

namespace brevolt::platform {
namespace {

// Override-redirect windows (menus, tooltips) and InputOnly ones (toolkit
// leader windows) are nobody's top-level window, even when a window manager
// has taken one in.
bool CanBeTopLevel(Display* display, Window window) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) == 0) return false;
  return attributes.override_redirect == False && attributes.c_class == InputOutput;
}

// The product's title also heads another copy's message boxes, which are
// transient for that copy's window, and hiding one of those would leave the
// copy stuck behind a box nobody can see. Any other window transient for
// another may be the product's: some toolkits make every window, the main
// one too, transient for a hidden application window.
bool IsOwnedByACopy(Display* display, const X11Atoms& atoms, Window window,
                    std::string_view copy_title) {
  Window owner = None;
  if (XGetTransientForHint(display, window, &owner) == 0 || owner == None) return false;
  const auto owner_title = ReadTitle(display, atoms, owner);
  return owner_title && *owner_title == copy_title;
}

struct Wanted {
  std::string_view title;
  std::string_view copy_title;
};

bool IsTitledClient(Display* display, const X11Atoms& atoms, Window window,
                    const Wanted& wanted) {
  const auto actual = ReadTitle(display, atoms, window);
  return actual && *actual == wanted.title && CanBeTopLevel(display, window) &&
         !IsOwnedByACopy(display, atoms, window, wanted.copy_title);
}

// XQueryTree lists children bottom to top.
std::vector<Window> ChildrenTopFirst(Display* display, Window window) {
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return {};
  std::vector<Window> result(children, children + count);
  if (children != nullptr) XFree(children);
  return {result.rbegin(), result.rend()};
}

// The client a window manager's frame holds: the nearest descendant that
// carries WM_STATE, searched breadth first.
Window ClientInside(Display* display, const X11Atoms& atoms, Window frame) {
  std::deque<Window> pending{frame};
  while (!pending.empty()) {
    const Window window = pending.front();
    pending.pop_front();
    if (HasProperty(display, window, atoms.wm_state)) return window;
    for (Window child : ChildrenTopFirst(display, window)) pending.push_back(child);
  }
  return None;
}

// The window manager's own list, top first: the stacking list when it keeps
// one, else the client list newest first.
Window SearchClientList(Display* display, const X11Atoms& atoms, Window root, Window wm_check,
                        const Wanted& wanted) {
  auto clients = ReadWindowListProperty(display, root, atoms.net_client_list_stacking);
  if (clients.empty()) clients = ReadWindowListProperty(display, root, atoms.net_client_list);
  for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
    if (*it != wm_check && IsTitledClient(display, atoms, *it, wanted)) return *it;
  }
  return None;
}

// Every top-level window, top first. Under a window manager each child of
// the root is a frame around the client carrying WM_STATE; a window without
// one anywhere is unmanaged (no window manager, or withdrawn and handed back
// to the root) and stands for itself.
Window SearchTree(Display* display, const X11Atoms& atoms, Window root, Window wm_check,
                  const Wanted& wanted) {
  for (Window top : ChildrenTopFirst(display, root)) {
    if (top == wm_check || !CanBeTopLevel(display, top)) continue;
    Window client = ClientInside(display, atoms, top);
    if (client == None) client = top;
    if (IsTitledClient(display, atoms, client, wanted)) return client;
  }
  return None;
}

}  // namespace

Window FindTopLevelByTitle(Display* display, const X11Atoms& atoms, std::string_view title,
                           std::string_view copy_title) {
  const Wanted wanted{title, copy_title};
  for (int screen = 0; screen < ScreenCount(display); ++screen) {
    const Window root = RootWindow(display, screen);
    const Window wm_check = EwmhCheckWindow(display, atoms, root);
    if (wm_check != None) {
      if (Window found = SearchClientList(display, atoms, root, wm_check, wanted)) return found;
    }
    // Also the way to a window the window manager has let go of (withdrawn).
    if (Window found = SearchTree(display, atoms, root, wm_check, wanted)) return found;
  }
  return None;
}

}  // namespace brevolt::platform
