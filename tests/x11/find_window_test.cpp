// Finding a top-level window by its exact title, as the program finds the
// product's window.
#include <map>

#include "tests/x11/wm_fixture.h"
// After gtest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xlib.h>

#include "platform/x11/x11_properties.h"

namespace brevolt::test {
namespace {

using FindWindowTest = WindowManagerTest;

TEST_P(FindWindowTest, TitleMustMatchByteForByte) {
  const std::vector<std::string> titles = {"Zendrolt ", "zendrolt",  "ZENDROLT",
                                           " Zendrolt", "Zendrolt2", "Z\xC3\xA9ndrolt",
                                           "Zendrolt"};
  std::map<std::string, std::unique_ptr<TestHost>> hosts;
  for (const auto& title : titles) hosts[title] = std::make_unique<TestHost>(title);

  for (const auto& title : titles) {
    EXPECT_EQ(Find(title), Handle(*hosts[title])) << "'" << title << "'";
  }
  for (const std::string absent : {"Zendrol", "Zendrolt  ", "endrolt", "Zendrolt\n",
                                   "Z\xE9ndrolt" /* the Latin-1 spelling */}) {
    EXPECT_EQ(Find(absent), 0u) << "'" << absent << "'";
  }
}

TEST_P(FindWindowTest, WindowWithOnlyWmNameIsFound) {
  TestHost host("Zendrolt", {"--wm-name-only"});
  ASSERT_FALSE(query().NetWmName(host.window()));
  EXPECT_EQ(Find("Zendrolt"), Handle(host));
}

TEST_P(FindWindowTest, NetWmNameWinsOverWmName) {
  TestHost host("Zendrolt");
  // A program that renamed itself the EWMH way but left an older WM_NAME.
  ASSERT_TRUE(wm().SetWindowTextA(Handle(host), "Other"));
  Display* display = query().display();
  XStoreName(display, host.window(), "Zendrolt");
  query().Sync();
  EXPECT_EQ(Find("Zendrolt"), 0u);
  EXPECT_EQ(Find("Other"), Handle(host));
}

TEST_P(FindWindowTest, OfTwoEqualTitlesTheTopmostIsFound) {
  TestHost older("Zendrolt");
  TestHost newer("Zendrolt");
  ASSERT_TRUE(WaitUntil([&] { return query().IsAbove(newer.window(), older.window()) == true; },
                        kSettle));
  EXPECT_EQ(Find("Zendrolt"), Handle(newer));

  // Stacking order, not the order the windows were made in, decides.
  query().Activate(older.window());
  ASSERT_TRUE(WaitUntil([&] { return query().IsAbove(older.window(), newer.window()) == true; },
                        kSettle));
  EXPECT_EQ(Find("Zendrolt"), Handle(older));
}

TEST_P(FindWindowTest, HiddenWindowIsStillFound) {
  TestHost hidden("Zendrolt");
  TestHost other("Another window");
  ASSERT_TRUE(Hide(Handle(hidden)));
  ASSERT_TRUE(hidden.WaitFor("unmapped"));
  ASSERT_TRUE(WaitUntil([&] { return !query().Mapped(hidden.window()); }, kSettle));
  if (UnderWm()) {
    // The window manager has let go of it: no longer in its lists.
    ASSERT_TRUE(WaitUntil([&] { return !query().WmState(hidden.window()); }, kSettle));
  }
  EXPECT_EQ(Find("Zendrolt"), Handle(hidden));
}

TEST_P(FindWindowTest, WindowsThatAreNoTopLevelWindowAreSkipped) {
  for (const char* kind : {"--override-redirect", "--input-only"}) {
    TestHost host("Zendrolt", {kind});
    ASSERT_TRUE(query().Viewable(host.window()) || std::string(kind) == "--input-only");
    EXPECT_EQ(Find("Zendrolt"), 0u) << kind;
    host.Close();
  }
}

TEST_P(FindWindowTest, WindowManagersOwnWindowIsSkipped) {
  if (!UnderWm()) GTEST_SKIP() << "needs a window manager";
  // openbox titles its check window "Openbox": there to be found, and not.
  Display* display = query().display();
  const Window check =
      platform::EwmhCheckWindow(display, platform::X11Atoms::Intern(display), query().root());
  ASSERT_NE(check, 0u);
  ASSERT_EQ(query().Title(check), "Openbox");
  EXPECT_EQ(Find("Openbox"), 0u);
}

TEST_P(FindWindowTest, OnlyAWindowTransientForACopyIsPassedOver) {
  // A toolkit that makes the main window transient for a hidden one.
  TestHost owned("Zendrolt", {"--owner-title", "Zendrolt application"});
  EXPECT_EQ(Find("Zendrolt"), Handle(owned));
  owned.Close();
  // Another copy's message box.
  TestHost box("Zendrolt", {"--owner-title", "Zendrolt "});
  EXPECT_EQ(Find("Zendrolt"), 0u);
}

TEST_P(FindWindowTest, NoMatchGivesZero) {
  TestHost host("Zendrolt ");
  EXPECT_EQ(Find("Zendrolt"), 0u);
}

TEST_P(FindWindowTest, ClassNameOrNoTitleGivesZero) {
  TestHost host("Zendrolt");
  EXPECT_EQ(wm().FindWindowA("brevolt-test-host", "Zendrolt"), 0u);
  EXPECT_EQ(wm().FindWindowA(nullptr, nullptr), 0u);
}

BREVOLT_INSTANTIATE_WM_TESTS(FindWindowTest);

}  // namespace
}  // namespace brevolt::test
