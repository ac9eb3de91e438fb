#pragma once
// What the embedded browser reports with each navigation, in the handlers'
// terms, whatever engine stands behind it.
#include <functional>
#include <memory>
#include <string>

namespace brevolt {

// The frame that navigated: the top page or any frame inside it. An engine
// may hand over a richer object of its own; the handlers only hold it.
struct WebFrame {
  bool top_page;
};

// Called on the UI thread once for each navigation of the top page or of a
// frame in it that has reached (committed) its address; the address is the
// final one after server redirects.
using NavigateCompleteHandler =
    std::function<void(std::shared_ptr<const WebFrame> frame, const std::string& url)>;

}  // namespace brevolt
