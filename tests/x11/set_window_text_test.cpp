// Retitling a window: both the EWMH name and the ICCCM one.
#include "tests/x11/wm_fixture.h"

namespace brevolt::test {
namespace {

using SetWindowTextTest = WindowManagerTest;

TEST_P(SetWindowTextTest, SetsBothNames) {
  TestHost host("Untitled");
  ASSERT_TRUE(wm().SetWindowTextA(Handle(host), "Zendrolt "));
  EXPECT_EQ(query().NetWmName(host.window()), "Zendrolt ");
  EXPECT_EQ(query().WmName(host.window()), "Zendrolt ");
  EXPECT_EQ(Find("Zendrolt "), Handle(host));
  EXPECT_EQ(Find("Zendrolt"), 0u);
}

TEST_P(SetWindowTextTest, NonAsciiTitleKeepsItsUtf8Bytes) {
  TestHost host("Untitled");
  const std::string title = "Z\xC3\xA9ndrolt";
  ASSERT_TRUE(wm().SetWindowTextA(Handle(host), title.c_str()));
  EXPECT_EQ(query().NetWmName(host.window()), title);
  // WM_NAME in ICCCM's Latin-1 for readers that know only it.
  EXPECT_EQ(query().WmName(host.window()), "Z\xE9ndrolt");
  EXPECT_EQ(Find(title), Handle(host));
}

TEST_P(SetWindowTextTest, EmptyTitle) {
  TestHost host("Untitled");
  ASSERT_TRUE(wm().SetWindowTextA(Handle(host), ""));
  EXPECT_EQ(query().NetWmName(host.window()), "");
  EXPECT_EQ(Find("Untitled"), 0u);
}

BREVOLT_INSTANTIATE_WM_TESTS(SetWindowTextTest);

}  // namespace
}  // namespace brevolt::test
