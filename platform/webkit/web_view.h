#pragma once
// The embedded browser as the window sees it. The engine itself lives in a
// module that is loaded only when the online face is chosen, so the offline
// face never starts a web process or maps the engine's libraries.
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "app/web_frame.h"

namespace brevolt::platform {

using brevolt::NavigateCompleteHandler;
using brevolt::WebFrame;

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
