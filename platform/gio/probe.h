#pragma once
// Reachability of an http(s) address: a plain TCP connection to its host and
// port, no TLS, no HTTP, no proxy, bounded in time from start to answer.
#include <chrono>

#include "app/win32_types.h"

namespace brevolt::platform {

// Nonzero when a TCP connection to the address's host and port succeeded
// within `bound`, name lookup included. A malformed address gives 0.
BOOL CheckConnection(const char* url, std::chrono::milliseconds bound);

// The same, bounded by the build's probe timeout. dwFlags must be
// FLAG_ICC_FORCE_CONNECTION; dwReserved 0.
BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved);

}  // namespace brevolt::platform
