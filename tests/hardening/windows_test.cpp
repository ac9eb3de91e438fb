// The product's window and other copies of the program are windows the
// program does not own: one may vanish while hidden, another copy may be
// running with its own window and its own message box open.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "tests/hardening/traced_run.h"
#include "tests/harness/page_server.h"

namespace brevolt::test::hardening {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kSettle = 2s;

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = std::make_unique<XSession>(XSession::Wm::kOpenbox);
    x_ = std::make_unique<XQuery>(session_->display());
    host_ = std::make_unique<TestHost>("Zendrolt");
  }
  void TearDown() override {
    for (auto& copy : copies_) KillLeftovers(*copy);
    copies_.clear();
    host_.reset();
    x_.reset();
    session_.reset();
  }

  // Another copy of the program, in private folders of its own.
  Brevolt& StartCopy() {
    const int n = static_cast<int>(copies_.size());
    copies_.push_back(std::make_unique<Brevolt>(
        scratch_.path() / ("copy" + std::to_string(n)),
        BrevoltOptions{{}, stderr_path(n), {}, {}, {}}));
    return *copies_.back();
  }
  fs::path stderr_path(int n) const {
    return scratch_.path() / ("stderr" + std::to_string(n));
  }
  std::string Stderr(int n) const {
    std::ifstream in(stderr_path(n));
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // The program's window, a different one from `other`.
  XWindow WaitForWindowOf(Brevolt& copy, XWindow other = 0) {
    XWindow found = 0;
    WaitUntil(
        [&] {
          for (XWindow w : x_->FindByTitle("Zendrolt ")) {
            if (w != other && x_->Viewable(w)) found = w;
          }
          return found != 0 || !copy.process().Running();
        },
        kStartTimeout);
    return found;
  }

  // A viewable window titled "Zendrolt" that `copy` owns: its message box.
  XWindow WaitForMessageBoxOf(Brevolt& copy) {
    XWindow found = 0;
    WaitUntil(
        [&] {
          for (XWindow w : ViewableWindowsOf(*x_, copy.pid())) {
            if (x_->Title(w) == "Zendrolt") found = w;
          }
          return found != 0;
        },
        kStartTimeout);
    return found;
  }

  void ClickFinish(XWindow window) {
    ASSERT_TRUE(FocusWindow(*x_, window));
    const auto client = x_->Geometry(window);
    ASSERT_TRUE(client);
    ClickAt(client->x + kFinishX, client->y + kFinishY);
  }

  // The settling time was enough: the copy has answered its own Finish
  // since, so whatever it was going to do at start is done.
  void SecondCopyHasHandledALaterEvent(Brevolt& copy, XWindow window) {
    ClickFinish(window);
    EXPECT_NE(WaitForMessageBoxOf(copy), 0u) << "the second copy's Finish did not answer";
  }

  ScratchDir scratch_{"brevolt-windows"};
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<TestHost> host_;
  std::vector<std::unique_ptr<Brevolt>> copies_;
};

// The product's window is gone by the time the journey ends: showing it
// again is asked of a window that no longer exists.
TEST_F(WindowsTest, ProductWindowDestroyedWhileHiddenStillEndsCleanly) {
  PageServer page(SignUpPort());
  page.AddPage("/posttobrevolt2.asp",
               "<body style='margin:0'><a href='/thankyou.html' "
               "style='display:block;width:100vw;height:100vh'>done</a>"
               "<script>addEventListener('load', () => fetch('/mark/loaded'));</script>");
  page.AddPage("/thankyou.html", "<p>thank you</p>");
  Brevolt& program = StartCopy();
  const XWindow window = WaitForWindowOf(program);
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(WaitUntil([&] { return !x_->Viewable(host_->window()); }, kStartTimeout));
  host_->Close();
  ASSERT_FALSE(x_->Exists(host_->window()));
  ASSERT_TRUE(WaitUntil([&] { return page.Saw("/mark/loaded"); }, kStartTimeout));

  ASSERT_TRUE(FocusWindow(*x_, window));
  const auto client = x_->Geometry(window);
  ASSERT_TRUE(client);
  ClickAt(client->x + client->width / 2, client->y + client->height / 2);
  EXPECT_EQ(program.process().WaitExit(kExitTimeout), 0);
  EXPECT_TRUE(page.Saw("/thankyou.html"));
  const std::string errors = Stderr(0);
  for (const char* x_error : {"X Error", "BadWindow", "BadMatch", "Xlib", "Gdk"}) {
    EXPECT_EQ(errors.find(x_error), std::string::npos) << errors;
  }
}

// A second copy looks for the product's window by its title; the first
// copy's window carries a blank after that title and is left alone.
TEST_F(WindowsTest, SecondCopyLeavesTheFirstCopysWindowAlone) {
  Brevolt& first = StartCopy();
  const XWindow first_window = WaitForWindowOf(first);
  ASSERT_NE(first_window, 0u);
  Brevolt& second = StartCopy();
  const XWindow second_window = WaitForWindowOf(second, first_window);
  ASSERT_NE(second_window, 0u);
  std::this_thread::sleep_for(kSettle);
  SecondCopyHasHandledALaterEvent(second, second_window);
  EXPECT_TRUE(x_->Viewable(first_window));
  EXPECT_FALSE(x_->Viewable(host_->window()));

  // Each copy answers its own Finish: the first one's still works.
  ClickFinish(first_window);
  EXPECT_NE(WaitForMessageBoxOf(first), 0u) << "the first copy's Finish did not answer";
  EXPECT_TRUE(first.process().Running());
  EXPECT_TRUE(second.process().Running());
  EXPECT_TRUE(x_->Viewable(second_window));
}

// The first copy's message box is titled exactly like the product's window.
// A second copy that took it for the product's window would hide it, and
// the first copy would wait for ever on a box nobody can see or dismiss.
TEST_F(WindowsTest, SecondCopyLeavesTheFirstCopysMessageBoxAlone) {
  Brevolt& first = StartCopy();
  const XWindow first_window = WaitForWindowOf(first);
  ASSERT_NE(first_window, 0u);
  ClickFinish(first_window);
  const XWindow box = WaitForMessageBoxOf(first);
  ASSERT_NE(box, 0u) << "\"Please enter Name.\" did not show";

  Brevolt& second = StartCopy();
  const XWindow second_window = WaitForWindowOf(second, first_window);
  ASSERT_NE(second_window, 0u);
  std::this_thread::sleep_for(kSettle);
  SecondCopyHasHandledALaterEvent(second, second_window);
  EXPECT_TRUE(x_->Viewable(box)) << "the second copy hid the first copy's message box";
  EXPECT_TRUE(x_->Viewable(first_window));
}

}  // namespace
}  // namespace brevolt::test::hardening
