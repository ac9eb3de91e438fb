#pragma once
// A top-level GTK window holding a view made through the module loader, and
// a record of the notifications it delivered.
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/webkit/web_view.h"

namespace brevolt::test {

struct Notification {
  bool top_page;
  std::string url;
  bool operator==(const Notification&) const = default;
};

// Readable failure messages from gtest.
void PrintTo(const Notification& notification, std::ostream* out);

class BrowserHost {
 public:
  BrowserHost();
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  void Navigate(const std::string& url) { view_->Navigate(url); }
  const std::vector<Notification>& notifications() const { return notifications_; }
  int CountOf(const Notification& notification) const;
  // From the moment a load is asked for until it is refused, fails or is
  // done.
  bool Loading() const;

  // Runs the main loop until `done` holds (true) or `timeout` passes (false).
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 private:
  GtkWidget* window_ = nullptr;
  std::unique_ptr<platform::WebView> view_;
  std::vector<Notification> notifications_;
};

// Toplevel GTK windows of this process, popups and menus not counted.
int CountToplevelWindows();

}  // namespace brevolt::test
