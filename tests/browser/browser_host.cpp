#include "tests/browser/browser_host.h"

#include <algorithm>
#include <thread>

namespace brevolt::test {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr auto kWakeUp = std::chrono::milliseconds(10);

}  // namespace

BrowserHost::BrowserHost() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window_), kWidth, kHeight);
  gtk_window_move(GTK_WINDOW(window_), 0, 0);
  view_ = platform::CreateWebView(
      [this](std::shared_ptr<const platform::WebFrame> frame, const std::string& url) {
        notifications_.push_back({frame->top_page, url});
      });
  gtk_container_add(GTK_CONTAINER(window_), view_->widget());
  gtk_widget_show_all(window_);
}

BrowserHost::~BrowserHost() {
  view_->Terminate();
  view_.reset();
  gtk_widget_destroy(window_);
}

void PrintTo(const Notification& notification, std::ostream* out) {
  *out << (notification.top_page ? "page " : "frame ") << notification.url;
}

int BrowserHost::CountOf(const Notification& notification) const {
  return static_cast<int>(std::count(notifications_.begin(), notifications_.end(), notification));
}

bool BrowserHost::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(kWakeUp);
  }
  return true;
}

bool BrowserHost::Loading() const {
  gboolean loading = FALSE;
  g_object_get(view_->widget(), "is-loading", &loading, nullptr);
  return loading != FALSE;
}

int CountToplevelWindows() {
  GList* windows = gtk_window_list_toplevels();
  int count = 0;
  for (GList* l = windows; l != nullptr; l = l->next) {
    if (gtk_window_get_window_type(GTK_WINDOW(l->data)) == GTK_WINDOW_TOPLEVEL) ++count;
  }
  g_list_free(windows);
  return count;
}

}  // namespace brevolt::test
