#pragma once
// Which addresses the page may reach, as plain questions on the address's
// scheme so they read (and test) apart from the control.
#include <string>

namespace brevolt::platform::webbrowser {

// The page and every frame in it show web content only: never a local file,
// a help file, a resource of a local program or anything else the control
// could open. Script addresses run inside the page already shown, so they
// stay allowed.
bool IsAllowedPageAddress(const std::wstring& url);

// Addresses worth handing to the user's default browser.
bool IsExternalBrowserAddress(const std::wstring& url);

}  // namespace brevolt::platform::webbrowser
