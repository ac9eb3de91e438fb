// The Windows platform calls, run as a Windows program under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/system_api.h"

namespace brevolt::platform::win32 {
namespace {

::HWND MakeWindow(const char* title, ::HWND owner, int x, int y) {
  ::HWND window = ::CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                    300, 200, owner, nullptr, nullptr, nullptr);
  // Let the window system settle the window where it was asked to be.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  return window;
}

RECT PlaceOf(::HWND window) {
  RECT place{};
  ::GetWindowRect(window, &place);
  return place;
}

bool SamePlace(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SystemApi, HidingAndShowingKeepThePlaceAndSize) {
  SystemApi api;
  ::HWND host = MakeWindow("Zendrolt", nullptr, 123, 77);
  ASSERT_NE(host, nullptr);
  const RECT before = PlaceOf(host);

  EXPECT_TRUE(api.SetWindowPos(FromNative(host), 0, 0, 0, 0, 0, SWP_HIDEWINDOW));
  EXPECT_FALSE(::IsWindowVisible(host));
  EXPECT_TRUE(SamePlace(PlaceOf(host), before));

  EXPECT_TRUE(api.SetWindowPos(FromNative(host), 0, 0, 0, 0, 0, SWP_SHOWWINDOW));
  EXPECT_TRUE(::IsWindowVisible(host));
  EXPECT_TRUE(SamePlace(PlaceOf(host), before));
  ::DestroyWindow(host);
}

TEST(SystemApi, FindingTheProductPassesOverOwnedWindows) {
  SystemApi api;
  ::HWND other = MakeWindow("Zendrolt ", nullptr, 10, 10);
  // Another copy's message box carries the product's title too.
  ::HWND box = MakeWindow("Zendrolt", other, 20, 20);
  EXPECT_EQ(api.FindWindowA(nullptr, "Zendrolt"), 0u);

  ::HWND host = MakeWindow("Zendrolt", nullptr, 30, 30);
  ::SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ToNative(api.FindWindowA(nullptr, "Zendrolt")), host);
  for (::HWND w : {box, host, other}) ::DestroyWindow(w);
}

}  // namespace
}  // namespace brevolt::platform::win32
