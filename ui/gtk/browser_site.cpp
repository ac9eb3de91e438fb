#include "ui/gtk/browser_site.h"

namespace brevolt::ui {

void BrowserSite::Navigate(const std::string& url) {
  if (!view_) {
    // The handler is looked up at delivery time so it may be set after the
    // engine starts.
    view_ = platform::CreateWebView(
        [this](std::shared_ptr<const platform::WebFrame> frame, const std::string& address) {
          if (on_navigate_) on_navigate_(std::move(frame), address);
        });
    GtkWidget* widget = view_->widget();
    gtk_widget_set_hexpand(widget, TRUE);
    gtk_widget_set_vexpand(widget, TRUE);
    gtk_container_add(GTK_CONTAINER(site_.gobj()), widget);
    gtk_widget_show(widget);
    gtk_widget_grab_focus(widget);
  }
  view_->Navigate(url);
}

void BrowserSite::Terminate() {
  if (view_) view_->Terminate();
}

}  // namespace brevolt::ui
