// The program's own window: its exact title, its fixed client size and its
// place in the middle of the screen, in both faces.
#include <gtest/gtest.h>

#include "tests/e2e/startup/startup_fixture.h"

namespace brevolt::test {
namespace {

constexpr const char* kOwnTitle = "Zendrolt ";
// Halving an odd difference may round either way.
constexpr int kCentringSlack = 1;

class OwnWindow : public StartupTest {
 protected:
  XWindow Start(bool online) {
    if (online) {
      ServeSignUpPage("<!DOCTYPE html><title>Sign up</title><body>Join</body>");
    }
    StartProgram();
    return WaitForOwnWindow();
  }

  void CheckWindow(XWindow own) {
    ASSERT_NE(own, 0u);
    EXPECT_EQ(x().Title(own), std::optional<std::string>(kOwnTitle));
    // Both names a window manager or a search may read.
    EXPECT_EQ(x().WmName(own), std::optional<std::string>(kOwnTitle));

    const auto client = x().Geometry(own);
    ASSERT_TRUE(client.has_value());
    EXPECT_EQ(client->width, kClientWidth);
    EXPECT_EQ(client->height, kClientHeight);

    const SizeLimits limits = ReadSizeLimits(x(), own);
    EXPECT_TRUE(limits.has_min);
    EXPECT_TRUE(limits.has_max);
    EXPECT_EQ(limits.min_width, limits.max_width) << "the window can be resized";
    EXPECT_EQ(limits.min_height, limits.max_height) << "the window can be resized";
    EXPECT_EQ(limits.min_width, kClientWidth);
    EXPECT_EQ(limits.min_height, kClientHeight);

    // GTK centres the size it knows, the client area, and asks for that
    // position; a window manager honours it for the top-left of its frame
    // (north-west gravity), so the frame, not the client, sits where a
    // centred client would.
    const WindowRect screen = x().ScreenRect();
    const auto outer = x().OuterGeometry(own);
    ASSERT_TRUE(outer.has_value());
    const int centred_x = (screen.width - kClientWidth) / 2;
    const int centred_y = (screen.height - kClientHeight) / 2;
    const WindowRect& placed = UnderWm() ? *outer : *client;
    EXPECT_NEAR(placed.x, centred_x, kCentringSlack) << "client " << *client << ", frame " << *outer;
    EXPECT_NEAR(placed.y, centred_y, kCentringSlack) << "client " << *client << ", frame " << *outer;
  }
};

TEST_P(OwnWindow, OfflineIsTitledSizedCentredAndFixed) { CheckWindow(Start(false)); }

TEST_P(OwnWindow, OnlineIsTitledSizedCentredAndFixed) { CheckWindow(Start(true)); }

BREVOLT_INSTANTIATE_WM_TESTS(OwnWindow);

}  // namespace
}  // namespace brevolt::test
