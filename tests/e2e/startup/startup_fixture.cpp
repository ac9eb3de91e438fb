#include "tests/e2e/startup/startup_fixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/harness/window_owner.h"

namespace brevolt::test {

void StartupTest::SetUp() {
  scratch_ = std::make_unique<ScratchDir>("brevolt-startup");
  session_ = std::make_unique<XSession>(GetParam());
  x_ = std::make_unique<XQuery>(session_->display());
}

void StartupTest::TearDown() {
  // The program first, while its X server still runs.
  program_.reset();
  pages_.reset();
  x_.reset();
  session_.reset();
  scratch_.reset();
}

PageServer& StartupTest::ServeSignUpPage(const std::string& html) {
  pages_ = std::make_unique<PageServer>(SignUpPort());
  pages_->AddPage("/posttobrevolt2.asp", html);
  return *pages_;
}

Brevolt& StartupTest::StartProgram() {
  program_ = std::make_unique<Brevolt>(scratch_->path());
  return *program_;
}

XWindow StartupTest::WaitForOwnWindow() {
  XWindow found = 0;
  WaitUntil(
      [&] {
        for (XWindow w : x_->TopLevelClients()) {
          if (WindowPid(*x_, w) == program_->pid() && x_->Viewable(w)) {
            found = w;
            return true;
          }
        }
        return !program_->process().Running();
      },
      kWindowTimeout);
  return found;
}

SizeLimits ReadSizeLimits(XQuery& x, XWindow window) {
  XSizeHints hints{};
  long supplied = 0;
  if (!XGetWMNormalHints(x.display(), window, &hints, &supplied)) return {};
  return {(hints.flags & PMinSize) != 0, (hints.flags & PMaxSize) != 0, hints.min_width,
          hints.min_height, hints.max_width, hints.max_height};
}

}  // namespace brevolt::test
