// Handles that name no window: the calls fail quietly and the program lives.
#include "tests/x11/wm_fixture.h"

namespace brevolt::test {
namespace {

using HandleTest = WindowManagerTest;

TEST_P(HandleTest, NoWindowGivesFalse) {
  EXPECT_EQ(Hide(0), 0);
  EXPECT_EQ(Show(0), 0);
  EXPECT_EQ(wm().SetWindowTextA(0, "Zendrolt "), 0);
}

TEST_P(HandleTest, DestroyedWindowGivesFalseAndTheProgramLives) {
  std::optional<TestHost> host(std::in_place, "Zendrolt");
  const HWND gone = Handle(*host);
  host->Close();
  ASSERT_TRUE(WaitUntil([&] { return !query().Exists(gone); }, kSettle));

  EXPECT_EQ(Hide(gone), 0);
  EXPECT_EQ(Show(gone), 0);
  EXPECT_EQ(wm().SetWindowTextA(gone, "Zendrolt "), 0);
  EXPECT_EQ(wm().SetWindowPos(gone, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(Find("Zendrolt"), 0u);

  // The connection is still good for the next window.
  TestHost next("Zendrolt");
  EXPECT_EQ(Find("Zendrolt"), Handle(next));
  EXPECT_TRUE(Hide(Handle(next)));
}

TEST_P(HandleTest, IdThatWasNeverAWindowGivesFalse) {
  // Inside the client id range of no connection of this test.
  const HWND bogus = 0x1fffff0;
  EXPECT_EQ(Hide(bogus), 0);
  EXPECT_EQ(Show(bogus), 0);
  EXPECT_EQ(wm().SetWindowTextA(bogus, "Zendrolt "), 0);
}

BREVOLT_INSTANTIATE_WM_TESTS(HandleTest);

}  // namespace
}  // namespace brevolt::test
