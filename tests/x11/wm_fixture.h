#pragma once
// One private X server per test, with or without a window manager, and the
// window-manager calls bound to a GDK connection to it.
#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/x11/window_manager.h"
#include "tests/harness/test_host.h"
#include "tests/harness/x_query.h"
#include "tests/harness/wm_param.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {

inline constexpr auto kSettle = std::chrono::milliseconds(5000);

class WindowManagerTest : public ::testing::TestWithParam<XSession::Wm> {
 protected:
  void SetUp() override {
    session_ = std::make_unique<XSession>(GetParam());
    query_ = std::make_unique<XQuery>(session_->display());
    gdk_ = gdk_display_open(session_->display().c_str());
    ASSERT_NE(gdk_, nullptr);
    wm_ = std::make_unique<platform::WindowManager>(gdk_);
  }

  void TearDown() override {
    wm_.reset();
    if (gdk_ != nullptr) gdk_display_close(gdk_);
    query_.reset();
    session_.reset();
  }

  bool UnderWm() const { return GetParam() == XSession::Wm::kOpenbox; }
  HWND Find(const std::string& title) { return wm_->FindWindowA(nullptr, title.c_str()); }
  BOOL Hide(HWND window) { return wm_->SetWindowPos(window, 0, 0, 0, 0, 0, SWP_HIDEWINDOW); }
  BOOL Show(HWND window) { return wm_->SetWindowPos(window, 0, 0, 0, 0, 0, SWP_SHOWWINDOW); }
  static HWND Handle(const TestHost& host) { return static_cast<HWND>(host.window()); }

  XQuery& query() { return *query_; }
  platform::WindowManager& wm() { return *wm_; }

 private:
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> query_;
  GdkDisplay* gdk_ = nullptr;
  std::unique_ptr<platform::WindowManager> wm_;
};

}  // namespace brevolt::test
