#pragma once
// WebBrowser1's place in the window. The engine is created on the first
// navigation, so the offline face never starts it.
#include <gtkmm/box.h>

#include <memory>

#include "app/form_interfaces.h"
#include "platform/webkit/web_view.h"

namespace brevolt::ui {

class BrowserSite : public WebBrowserControl {
 public:
  explicit BrowserSite(Gtk::Box& site) : site_(site) {}

  void OnNavigateComplete(platform::NavigateCompleteHandler handler) {
    on_navigate_ = std::move(handler);
  }
  void SetVisible(bool visible) override { site_.set_visible(visible); }
  void Navigate(const std::string& url) override;
  // Ends the engine's processes, if any were started.
  void Terminate();
  bool has_engine() const { return view_ != nullptr; }

 private:
  Gtk::Box& site_;
  platform::NavigateCompleteHandler on_navigate_;
  std::unique_ptr<platform::WebView> view_;
};

}  // namespace brevolt::ui
