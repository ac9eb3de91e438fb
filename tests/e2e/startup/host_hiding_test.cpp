// The product's window is put aside before ours is ever seen, and only the
// window titled exactly "Zendrolt" (the topmost one, if there are several)
// is taken for it.
#include <gtest/gtest.h>

#include "tests/e2e/startup/map_order_log.h"
#include "tests/e2e/startup/startup_fixture.h"
#include "tests/harness/test_host.h"

namespace brevolt::test {
namespace {

constexpr const char* kHostTitle = "Zendrolt";
constexpr const char* kOwnTitle = "Zendrolt ";
constexpr auto kHideTimeout = std::chrono::seconds(10);

constexpr const char* kPlainPage =
    "<!DOCTYPE html><title>Sign up</title><body><p>Join our mailing list</p></body>";

using HostHiding = StartupTest;

TEST_P(HostHiding, HostIsUnmappedBeforeOwnWindowIsFirstMapped) {
  ServeSignUpPage(kPlainPage);
  TestHost host(kHostTitle, {"--x", "60", "--y", "50", "--width", "320", "--height", "200"});
  const auto host_windows = WindowAndFrame(x(), host.window());
  MapOrderLog log(session().display());

  StartProgram();
  const XWindow own = WaitForOwnWindow();
  ASSERT_NE(own, 0u) << "the program's window never became viewable";
  EXPECT_TRUE(WaitUntil([&] { return !x().Viewable(host.window()); }, kHideTimeout));

  log.Collect();
  const int hidden = log.FirstIndexOf(MapEvent::Kind::kUnmap, host_windows);
  const int shown = log.FirstIndexOf(MapEvent::Kind::kMap, WindowAndFrame(x(), own));
  ASSERT_GE(hidden, 0) << "the host window was never unmapped";
  ASSERT_GE(shown, 0) << "no map of the program's window (or its frame) was seen";
  EXPECT_LT(hidden, shown) << "the program's window was mapped while the host still showed";
  // Nothing brought the host back while the program runs.
  EXPECT_EQ(log.FirstIndexOf(MapEvent::Kind::kMap, host_windows), -1);
}

TEST_P(HostHiding, WindowTitledWithTrailingBlankIsNotTakenForHost) {
  TestHost host(kHostTitle, {"--x", "40", "--y", "40"});
  // Started last, so it is the topmost: a search that ignored the blank
  // would take it.
  TestHost look_alike(kOwnTitle, {"--x", "500", "--y", "40"});
  const auto look_alike_windows = WindowAndFrame(x(), look_alike.window());
  MapOrderLog log(session().display());

  StartProgram();
  ASSERT_NE(WaitForOwnWindow(), 0u);
  EXPECT_TRUE(WaitUntil([&] { return !x().Viewable(host.window()); }, kHideTimeout))
      << "the window titled exactly \"Zendrolt\" was not hidden";
  log.Collect();
  EXPECT_EQ(log.FirstIndexOf(MapEvent::Kind::kUnmap, look_alike_windows), -1);
  EXPECT_TRUE(x().Viewable(look_alike.window()));
}

TEST_P(HostHiding, OfTwoHostWindowsOnlyTheTopmostIsHidden) {
  TestHost first(kHostTitle, {"--x", "40", "--y", "40"});
  TestHost second(kHostTitle, {"--x", "600", "--y", "40"});
  const auto second_on_top = x().IsAbove(second.window(), first.window());
  ASSERT_TRUE(second_on_top.has_value());
  TestHost& top = *second_on_top ? second : first;
  TestHost& below = *second_on_top ? first : second;
  const auto below_windows = WindowAndFrame(x(), below.window());
  MapOrderLog log(session().display());

  StartProgram();
  ASSERT_NE(WaitForOwnWindow(), 0u);
  EXPECT_TRUE(WaitUntil([&] { return !x().Viewable(top.window()); }, kHideTimeout))
      << "the topmost \"Zendrolt\" window was not hidden";
  log.Collect();
  EXPECT_EQ(log.FirstIndexOf(MapEvent::Kind::kUnmap, below_windows), -1)
      << "the lower \"Zendrolt\" window was touched too";
  EXPECT_TRUE(x().Viewable(below.window()));
}

BREVOLT_INSTANTIATE_WM_TESTS(HostHiding);

}  // namespace
}  // namespace brevolt::test
