// Hiding the product's window and giving it back: it must come back where
// it was, as large as it was, on top and active.
#include "tests/x11/wm_fixture.h"
// After gtest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xutil.h>

namespace brevolt::test {
namespace {

using ShowHideTest = WindowManagerTest;

// Away from where a window manager would put a new window of its own accord
// (openbox centres it), so that a re-placement shows.
const std::vector<std::string> kPlacedAside = {"--x", "100", "--y", "150", "--width", "320",
                                               "--height", "240"};

TEST_P(ShowHideTest, HideWithdrawsTheWindow) {
  TestHost host("Zendrolt", kPlacedAside);
  EXPECT_TRUE(Hide(Handle(host)));
  EXPECT_TRUE(host.WaitFor("unmapped"));
  EXPECT_FALSE(query().Mapped(host.window()));
  if (UnderWm()) {
    // Withdrawn rather than merely unmapped: the window manager forgets it.
    EXPECT_TRUE(WaitUntil([&] { return !query().WmState(host.window()); }, kSettle));
  }
  // Hiding what is already hidden is no failure.
  EXPECT_TRUE(Hide(Handle(host)));
}

TEST_P(ShowHideTest, MinimisedWindowIsHiddenAndComesBack) {
  if (!UnderWm()) GTEST_SKIP() << "minimising needs a window manager";
  TestHost host("Zendrolt", kPlacedAside);
  const auto before = query().Geometry(host.window());
  query().Iconify(host.window());
  ASSERT_TRUE(WaitUntil([&] { return query().WmState(host.window()) == IconicState; }, kSettle));

  // A plain unmap would not reach a minimised window; it must still be
  // withdrawn, out of the window manager's hands.
  ASSERT_TRUE(Hide(Handle(host)));
  EXPECT_TRUE(WaitUntil([&] { return !query().WmState(host.window()); }, kSettle));
  EXPECT_EQ(Find("Zendrolt"), Handle(host));

  ASSERT_TRUE(Show(Handle(host)));
  EXPECT_TRUE(WaitUntil([&] { return query().Viewable(host.window()); }, kSettle));
  EXPECT_TRUE(WaitUntil([&] { return query().ActiveWindow() == host.window(); }, kSettle));
  EXPECT_EQ(query().Geometry(host.window()), before);
}

TEST_P(ShowHideTest, HideThenShowKeepsPlaceAndSize) {
  TestHost host("Zendrolt", kPlacedAside);
  const auto before = query().Geometry(host.window());
  ASSERT_TRUE(before);
  ASSERT_EQ(before->width, 320);
  ASSERT_EQ(before->height, 240);

  // Twice, so that a drift that adds up (e.g. by the frame's size) shows.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(Hide(Handle(host)));
    ASSERT_TRUE(WaitUntil([&] { return !query().Mapped(host.window()); }, kSettle));
    ASSERT_TRUE(Show(Handle(host)));
    ASSERT_TRUE(WaitUntil([&] { return query().Viewable(host.window()); }, kSettle));
    WaitUntil([&] { return query().Geometry(host.window()) == before; }, kSettle);
    EXPECT_EQ(query().Geometry(host.window()), before);
  }
  // The window's own size hints are kept.
  const auto hints = query().WmNormalHints(host.window());
  ASSERT_TRUE(hints);
  EXPECT_TRUE(hints->flags & PMinSize);
  EXPECT_EQ(hints->min_width, 60);
  EXPECT_EQ(hints->min_height, 40);
}

TEST_P(ShowHideTest, ShowRaisesAndActivatesAHiddenWindow) {
  TestHost host("Zendrolt", kPlacedAside);
  TestHost other("Another window");
  if (UnderWm()) {
    ASSERT_TRUE(WaitUntil([&] { return query().ActiveWindow() == other.window(); }, kSettle));
  }
  ASSERT_TRUE(Hide(Handle(host)));
  ASSERT_TRUE(host.WaitFor("unmapped"));

  EXPECT_TRUE(Show(Handle(host)));
  EXPECT_TRUE(host.WaitFor("focus-in"));
  EXPECT_TRUE(WaitUntil([&] { return query().ActiveWindow() == host.window(); }, kSettle));
  EXPECT_EQ(query().IsAbove(host.window(), other.window()), true);
  if (UnderWm()) {
    EXPECT_EQ(query().WmState(host.window()), NormalState);
  }
}

TEST_P(ShowHideTest, ShowActivatesAVisibleWindowBehindAnother) {
  TestHost host("Zendrolt");
  TestHost other("Another window");
  query().Activate(other.window());
  ASSERT_TRUE(WaitUntil([&] { return query().ActiveWindow() == other.window(); }, kSettle));
  ASSERT_TRUE(WaitUntil([&] { return query().IsAbove(other.window(), host.window()) == true; },
                        kSettle));

  EXPECT_TRUE(Show(Handle(host)));
  EXPECT_TRUE(WaitUntil([&] { return query().ActiveWindow() == host.window(); }, kSettle));
  EXPECT_TRUE(WaitUntil([&] { return query().IsAbove(host.window(), other.window()) == true; },
                        kSettle));
}

TEST_P(ShowHideTest, ShowTakesEffectEvenIfTheCallerLeavesAtOnce) {
  TestHost host("Zendrolt");
  ASSERT_TRUE(Hide(Handle(host)));
  ASSERT_TRUE(host.WaitFor("unmapped"));
  // The program ends right after the show call; what it asked for must
  // already be with the server by then.
  {
    GdkDisplay* display = gdk_display_open(getenv("DISPLAY"));
    ASSERT_NE(display, nullptr);
    platform::WindowManager leaving(display);
    ASSERT_TRUE(leaving.SetWindowPos(Handle(host), 0, 0, 0, 0, 0, SWP_SHOWWINDOW));
    gdk_display_close(display);
  }
  EXPECT_TRUE(host.WaitFor("mapped"));
  EXPECT_TRUE(WaitUntil([&] { return query().ActiveWindow() == host.window(); }, kSettle));
}

BREVOLT_INSTANTIATE_WM_TESTS(ShowHideTest);

}  // namespace
}  // namespace brevolt::test
