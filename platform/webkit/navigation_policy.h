#pragma once
// Which addresses the embedded browser may show, kept free of the engine's
// types so the rules read (and test) as plain string questions.
#include <string_view>

namespace brevolt::platform::webkit {

// The top page shows web content only: a page must never become a local
// file, a custom handler or anything else the engine might open.
bool IsAllowedTopPageAddress(std::string_view uri);

// Frames may also hold script-made blob: documents; file: stays out.
bool IsAllowedFrameAddress(std::string_view uri);

// Addresses worth handing to the desktop's own browser when the page asks
// for a new window on a user's click.
bool IsExternalBrowserAddress(std::string_view uri);

}  // namespace brevolt::platform::webkit
