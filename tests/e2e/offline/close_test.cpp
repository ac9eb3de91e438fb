// Closing the window from its frame ends the program in either face and
// gives nothing back: the product window stays hidden.
#include <gtest/gtest.h>

#include <sys/types.h>

#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/e2e/offline/program_run.h"
#include "tests/e2e/offline/x_messages.h"

namespace brevolt::test {
namespace {

using ui::ControlId;

// A process that is gone or only waits to be reaped.
bool ProcessGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const auto close = line.rfind(')');
  return close == std::string::npos || line.find(" Z ", close) == close + 1;
}

using CloseParam = std::tuple<XSession::Wm, Face>;

class CloseTest : public ::testing::TestWithParam<CloseParam> {
 protected:
  void SetUp() override {
    run_ = std::make_unique<ProgramRun>(std::get<0>(GetParam()), std::get<1>(GetParam()));
  }
  void TearDown() override { run_.reset(); }

  ProgramRun& run() { return *run_; }
  bool online() const { return std::get<1>(GetParam()) == Face::kOnline; }

  // What a user's close does: Alt+F4 through the window manager, or with
  // none, the WM_DELETE_WINDOW message a window manager would send.
  void CloseFromTheFrame() {
    if (run().under_wm()) {
      ASSERT_TRUE(run().ReadyForKeys());
      PressKey("alt+F4");
    } else {
      SendDeleteWindow(run().x(), run().window());
    }
  }

 private:
  std::unique_ptr<ProgramRun> run_;
};

TEST_P(CloseTest, EndsTheProgramAndLeavesTheProductWindowHidden) {
  std::vector<pid_t> engine;
  if (online()) {
    ASSERT_TRUE(WaitUntil([&] { return run().pages()->Saw(kSignUpPath); }, kWindowTimeout))
        << "the sign-up page was never asked for";
    engine = run().program().Descendants();
    EXPECT_FALSE(engine.empty()) << "no web engine processes to watch";
  } else {
    // Something typed offline does not hold the close up.
    ASSERT_TRUE(run().WaitForFields(false, false)) << "no panel with two empty fields";
    ASSERT_TRUE(run().ReadyForKeys());
    TypeText("mmm");
    ASSERT_TRUE(run().WaitForFields(true, false));
  }
  ASSERT_TRUE(TakesDeleteWindow(run().x(), run().window()))
      << "a window manager would have to cut the program off";

  CloseFromTheFrame();
  ExpectEndedLeavingHostHidden(run());
  EXPECT_TRUE(run().MessageBoxes().empty());
  for (const pid_t pid : engine) {
    EXPECT_TRUE(WaitUntil([pid] { return ProcessGone(pid); }, kUiTimeout))
        << "web engine process " << pid << " outlived the program";
  }
}

std::string CloseParamName(const ::testing::TestParamInfo<CloseParam>& info) {
  return WmName(std::get<0>(info.param)) +
         (std::get<1>(info.param) == Face::kOnline ? "Online" : "Offline");
}

INSTANTIATE_TEST_SUITE_P(, CloseTest,
                         ::testing::Combine(::testing::Values(XSession::Wm::kNone,
                                                              XSession::Wm::kOpenbox),
                                            ::testing::Values(Face::kOffline, Face::kOnline)),
                         CloseParamName);

}  // namespace
}  // namespace brevolt::test
