#pragma once
// Hiding and showing another program's top-level window with plain Xlib.
// Callers trap X errors and flush.
#include <X11/Xlib.h>

#include "platform/x11/x11_atoms.h"

namespace brevolt::platform {

// Withdraws the window (unmap plus the synthetic UnmapNotify that tells the
// window manager to let go of it). False if the window does not exist.
bool Withdraw(Display* display, Window window);

// Maps the window raised, where it was, and makes it the active window.
// False if the window does not exist.
bool MapRaisedAndActivate(Display* display, const X11Atoms& atoms, Window window);

}  // namespace brevolt::platform
