#pragma once
// Reachability of the sign-up address through wininet's own check, bounded
// in time: wininet sets no limit of its own and waits minutes on a server
// whose listen queue is full.
#include <chrono>

#include "app/win32_types.h"

namespace brevolt::platform::win32 {

// wininet's InternetCheckConnectionA, answered within `bound` (name lookup
// included); 0 when it has not answered by then. wininet is linked to load
// at its first call, so the first check loads it, inside the bound: a
// thread started earlier to load it ahead competed with building the
// window for the loader and the cores, and made the start slower.
BOOL CheckConnection(const char* url, DWORD flags, std::chrono::milliseconds bound);

// The same, bounded by the build's probe timeout.
BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved);

}  // namespace brevolt::platform::win32
