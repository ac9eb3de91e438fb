#pragma once
// The online road from start to end: one private X server per test, with or
// without openbox, a stand-in product window at a known place, and the
// program started beside it with its sign-up address answered on loopback.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/harness/test_host.h"
#include "tests/harness/x_query.h"
#include "tests/harness/wm_param.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {

inline constexpr auto kPageTimeout = std::chrono::seconds(20);
inline constexpr auto kExitTimeout = std::chrono::seconds(20);
// The web engine's processes follow the program out within well under this.
inline constexpr auto kCleanupTimeout = std::chrono::seconds(5);
inline constexpr auto kHostBackTimeout = std::chrono::seconds(5);

class OnlineTest : public ::testing::TestWithParam<XSession::Wm> {
 protected:
  void SetUp() override;
  void TearDown() override;

  XQuery& x() { return *x_; }
  const std::filesystem::path& scratch() const { return scratch_->path(); }

  // The product window, placed where its return can be checked;
  // `extra_args` are more options of the stand-in.
  TestHost& StartHost(const std::vector<std::string>& extra_args = {});
  // The program, once its window is viewable.
  Brevolt& StartProgram();
  XWindow own_window() const { return own_window_; }

  // The program has ended on its own with status 0, and the product window
  // is back where it was, viewable and active.
  void ExpectEndedWithHostBack();
  // Every process in `engine` (the program's children, taken while it ran)
  // has gone.
  void ExpectAllGone(const std::vector<pid_t>& engine);

 private:
  std::unique_ptr<ScratchDir> scratch_;
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<TestHost> host_;
  std::optional<WindowRect> host_place_;
  std::unique_ptr<Brevolt> program_;
  XWindow own_window_ = 0;
};

}  // namespace brevolt::test
