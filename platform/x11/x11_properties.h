#pragma once
// Reading window properties with plain Xlib. A window that does not exist
// reads as having no properties; callers trap the X error it raises.
#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/x11/x11_atoms.h"

namespace brevolt::platform {

// The bytes of an 8-bit property of type `type` (AnyPropertyType for any).
std::optional<std::string> ReadStringProperty(Display* display, Window window, Atom property,
                                              Atom type);

// A list of window ids (type WINDOW, format 32), in the order stored.
std::vector<Window> ReadWindowListProperty(Display* display, Window window, Atom property);

bool HasProperty(Display* display, Window window, Atom property);

// _NET_WM_NAME (UTF8_STRING) when the window has one, else the raw bytes of
// WM_NAME, else nothing.
std::optional<std::string> ReadTitle(Display* display, const X11Atoms& atoms, Window window);

// The window manager's _NET_SUPPORTING_WM_CHECK window when an EWMH window
// manager runs on this root (the check window points back to itself), else 0.
Window EwmhCheckWindow(Display* display, const X11Atoms& atoms, Window root);

}  // namespace brevolt::platform
