#pragma once
// Reachability of the sign-up address through wininet's own check, bounded
// in time: wininet sets no limit of its own and waits minutes on a server
// whose listen queue is full.
#include <chrono>

#include "app/win32_types.h"

namespace brevolt::platform::win32 {

// wininet's InternetCheckConnectionA, answered within `bound` (name lookup
// included); 0 when it has not answered by then.
BOOL CheckConnection(const char* url, DWORD flags, std::chrono::milliseconds bound);

// Starts loading wininet, which is linked to load at its first call, on a
// thread of its own and returns at once: called first thing, the loading
// overlaps building the window, and the probe finds it done.
void StartLoadingProbeLibrary();

// The same, bounded by the build's probe timeout.
BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved);

}  // namespace brevolt::platform::win32
