#pragma once
#include <string>

namespace brevolt::platform::webkit {

// Hands an address to the desktop's default browser without waiting for it.
// Having no default browser is not an error worth stopping for: the request
// is simply dropped.
void OpenInDefaultBrowser(const std::string& uri);

}  // namespace brevolt::platform::webkit
