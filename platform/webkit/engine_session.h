#pragma once
#include <webkit2/webkit2.h>

namespace brevolt::platform::webkit {

// A web context that keeps everything in memory: cookies, caches, storage and
// credentials vanish with the process and nothing is written to disk.
// Returns a new reference.
WebKitWebContext* NewPrivateContext();

// Settings for a page the user only fills in: no developer tools, no
// pop-ups on its own, software rendering that works without a GPU.
// Returns a new reference.
WebKitSettings* NewViewSettings();

}  // namespace brevolt::platform::webkit
