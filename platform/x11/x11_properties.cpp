#include "platform/x11/x11_properties.h"

#include <X11/Xatom.h>

namespace brevolt::platform {
namespace {

// Longest property read, in 32-bit units (4 MiB). A longer title can equal
// no title we look for, and a longer window list is not a real one.
constexpr long kMaxPropertyLongs = 1L << 20;

struct Property {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned char* data = nullptr;

  Property() = default;
  Property(const Property&) = delete;
  Property& operator=(const Property&) = delete;
  ~Property() {
    if (data != nullptr) XFree(data);
  }
};

// False when the window or property is missing, or the value is too long.
bool Read(Display* display, Window window, Atom property, Atom type, Property& out) {
  unsigned long bytes_after = 0;
  if (XGetWindowProperty(display, window, property, 0, kMaxPropertyLongs, False, type,
                         &out.type, &out.format, &out.items, &bytes_after,
                         &out.data) != Success) {
    return false;
  }
  // A type mismatch returns the actual type with no data.
  if (out.type == None || (type != AnyPropertyType && out.type != type)) return false;
  return bytes_after == 0;
}

}  // namespace

std::optional<std::string> ReadStringProperty(Display* display, Window window, Atom property,
                                              Atom type) {
  Property value;
  if (!Read(display, window, property, type, value) || value.format != 8) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(value.data), value.items);
}

std::vector<Window> ReadWindowListProperty(Display* display, Window window, Atom property) {
  Property value;
  if (!Read(display, window, property, XA_WINDOW, value) || value.format != 32) return {};
  // Xlib hands format-32 data back as an array of long, whatever its width.
  const auto* ids = reinterpret_cast<const unsigned long*>(value.data);
  return std::vector<Window>(ids, ids + value.items);
}

bool HasProperty(Display* display, Window window, Atom property) {
  Property value;
  unsigned long bytes_after = 0;
  // Length 0 asks only whether it exists.
  return XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &value.type,
                            &value.format, &value.items, &bytes_after,
                            &value.data) == Success &&
         value.type != None;
}

std::optional<std::string> ReadTitle(Display* display, const X11Atoms& atoms, Window window) {
  if (auto title = ReadStringProperty(display, window, atoms.net_wm_name, atoms.utf8_string)) {
    return title;
  }
  return ReadStringProperty(display, window, XA_WM_NAME, AnyPropertyType);
}

Window EwmhCheckWindow(Display* display, const X11Atoms& atoms, Window root) {
  const auto from_root = ReadWindowListProperty(display, root, atoms.net_supporting_wm_check);
  if (from_root.size() != 1 || from_root[0] == None) return None;
  // A window manager that died leaves a stale id on the root; the check
  // window's own property pointing back to it proves one is running.
  const auto from_check =
      ReadWindowListProperty(display, from_root[0], atoms.net_supporting_wm_check);
  if (from_check.size() != 1 || from_check[0] != from_root[0]) return None;
  return from_root[0];
}

}  // namespace brevolt::platform
