#pragma once
// The embedded browser as the window sees it. The engine itself lives in a
// module that is loaded only when the online face is chosen, so the offline
// face never starts a web process or maps the engine's libraries.
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

namespace brevolt::platform {

// The frame that navigated: the top page or any frame inside it.
struct WebFrame {
  bool top_page;
};

// Called on the UI thread once for each navigation of the top page or of a
// frame in it that has reached (committed) its address; the address is the
// final one after server redirects.
using NavigateCompleteHandler =
    std::function<void(std::shared_ptr<const WebFrame> frame, const std::string& url)>;

class WebView {
 public:
  virtual ~WebView() = default;
  // The engine's widget, owned by the view; the caller places it.
  virtual GtkWidget* widget() = 0;
  // Starts loading and returns at once.
  virtual void Navigate(const std::string& url) = 0;
  // Ends the engine's processes now; used when the program ends.
  virtual void Terminate() = 0;
};

// The module's one entry point.
using CreateWebViewFn = WebView* (*)(NavigateCompleteHandler on_navigate);
inline constexpr const char* kCreateWebViewSymbol = "brevolt_create_web_view";
inline constexpr const char* kWebViewModuleName = "libbrevolt-webview.so";

// Loads the engine module (found through the executable's run path) and
// creates a view. Aborts with a clear message if the module is missing:
// a failing control operation is fatal.
std::unique_ptr<WebView> CreateWebView(NavigateCompleteHandler on_navigate);

}  // namespace brevolt::platform
