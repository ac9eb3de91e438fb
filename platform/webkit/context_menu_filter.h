#pragma once
#include <webkit2/webkit2.h>

namespace brevolt::platform::webkit {

// Leaves only the editing and copying items of the engine's context menu:
// nothing that navigates, reloads, saves, opens a window or inspects.
// Returns false when nothing useful is left, so no menu should be shown.
bool FilterContextMenu(WebKitContextMenu* menu);

}  // namespace brevolt::platform::webkit
