#pragma once
// One private X server per test, with or without openbox, and the program
// under test started in private folders beside it.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <ostream>
#include <string>

#include "tests/e2e/common/journey.h"
#include "tests/harness/page_server.h"
#include "tests/harness/x_query.h"
#include "tests/harness/wm_param.h"
#include "tests/harness/x_session.h"
#include "ui/layout.h"

namespace brevolt::test {

inline constexpr auto kWindowTimeout = std::chrono::seconds(20);
inline constexpr auto kPaintTimeout = std::chrono::seconds(20);

// What the program's window shows.
using ui::kClientHeight;
using ui::kClientWidth;

class StartupTest : public ::testing::TestWithParam<XSession::Wm> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool UnderWm() const { return GetParam() == XSession::Wm::kOpenbox; }
  XSession& session() { return *session_; }
  XQuery& x() { return *x_; }

  // A loopback page server on the port the program probes, answering the
  // sign-up address with `html`.
  PageServer& ServeSignUpPage(const std::string& html);
  Brevolt& StartProgram();
  // The program's top-level window, found by its process id rather than by
  // its title (other windows may carry the same title), once viewable.
  XWindow WaitForOwnWindow();

 private:
  std::unique_ptr<ScratchDir> scratch_;
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<PageServer> pages_;
  std::unique_ptr<Brevolt> program_;
};

// The size limits a window asks of a window manager (WM_NORMAL_HINTS).
struct SizeLimits {
  bool has_min = false;
  bool has_max = false;
  int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
};
SizeLimits ReadSizeLimits(XQuery& x, XWindow window);

}  // namespace brevolt::test
