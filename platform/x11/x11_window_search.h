#pragma once
// Finding another program's top-level window by its title, with plain Xlib.
// Windows may vanish while we look; callers trap the X errors that causes.
#include <X11/Xlib.h>

#include <string_view>

#include "platform/x11/x11_atoms.h"

namespace brevolt::platform {

// The first top-level client window, from the top of the stacking order
// down, whose title equals `title` byte for byte; withdrawn windows
// included, and windows transient for another, except for one titled
// `copy_title` (how a copy of this program is known). 0 when there is none.
Window FindTopLevelByTitle(Display* display, const X11Atoms& atoms, std::string_view title,
                           std::string_view copy_title);

}  // namespace brevolt::platform
