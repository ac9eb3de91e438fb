// Whatever stops the sign-up address from answering, the program shows its
// offline face once the probe gives up, and never starts the web engine.
// (A name that cannot be resolved needs a build for another host; the
// probe's own tests cover it, a lookup that never answers included.)
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "build_config.h"
#include "tests/hardening/traced_run.h"

namespace brevolt::test::hardening {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Start-up on a busy shared machine, on top of the probe's own bound. A
// probe without a bound would hang on a full queue for minutes.
constexpr auto kMargin = 30s;

class ProbeFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<XSession>(XSession::Wm::kOpenbox);
    x_ = std::make_unique<XQuery>(session_->display());
  }
  void TearDown() override {
    if (program_) KillLeftovers(*program_);
    program_.reset();
    x_.reset();
    session_.reset();
  }

  void ExpectOfflineFaceWithinTheBound() {
    const auto started = Clock::now();
    program_ = std::make_unique<Brevolt>(scratch_.path());
    const XWindow window = program_->WaitForWindow(*x_, kProbeTimeout + kMargin);
    const auto took = Clock::now() - started;
    ASSERT_NE(window, 0u) << "no window within the probe's bound and a margin";
    EXPECT_LT(took, kProbeTimeout + kMargin);
    EXPECT_TRUE(program_->Descendants().empty()) << "the web engine was started";

    // The offline face answers Finish with its message.
    ASSERT_TRUE(FocusWindow(*x_, window));
    const auto client = x_->Geometry(window);
    ASSERT_TRUE(client);
    ClickAt(client->x + kFinishX, client->y + kFinishY);
    EXPECT_TRUE(WaitUntil(
        [&] {
          for (XWindow w : ViewableWindowsOf(*x_, program_->pid())) {
            if (x_->Title(w) == "Zendrolt") return true;
          }
          return false;
        },
        kStartTimeout));
    EXPECT_TRUE(program_->Descendants().empty());
  }

  ScratchDir scratch_{"brevolt-probe"};
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<Brevolt> program_;
};

TEST_F(ProbeFailureTest, NothingListening) { ExpectOfflineFaceWithinTheBound(); }

TEST_F(ProbeFailureTest, ListenQueueFullSoConnectionsHang) {
  FullQueue queue(SignUpPort());
  ASSERT_TRUE(queue.full()) << "could not fill the listen queue";
  ExpectOfflineFaceWithinTheBound();
}

}  // namespace
}  // namespace brevolt::test::hardening
