#pragma once
#include <string>

namespace brevolt::platform::webbrowser {

// Hands an address to the user's default browser and returns at once.
// Having no default browser is not worth stopping for: the request is
// dropped.
void OpenInDefaultBrowser(const std::wstring& url);

}  // namespace brevolt::platform::webbrowser
