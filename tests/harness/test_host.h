#pragma once
// The stand-in product window (brevolt-test-host) as a test drives it. It
// runs on the display in $DISPLAY, i.e. the latest XSession's.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/harness/x_query.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {

class TestHost {
 public:
  // Starts it and waits until its window is mapped and at rest ("placed").
  // `extra_args` are more options of the program: --x X --y Y, --width W,
  // --height H, --wm-name-only, --override-redirect, --input-only.
  // Throws std::runtime_error if it does not get there in time.
  // `command` starts another stand-in that reports the same way (the
  // Windows one under Wine); empty: brevolt-test-host.
  explicit TestHost(const std::string& title, std::vector<std::string> extra_args = {},
                    std::vector<std::string> command = {});

  XWindow window() const { return window_; }
  Child& process() { return *process_; }

  // Reads its report until a line starting with `event` (e.g. "unmapped",
  // "focus-in", "configure "); earlier lines are passed over.
  bool WaitFor(const std::string& event,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

  // Ends it (SIGTERM) and waits until it is gone; its window is destroyed.
  void Close();

 private:
  std::unique_ptr<Child> process_;
  XWindow window_ = 0;
};

}  // namespace brevolt::test
