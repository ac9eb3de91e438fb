// The Windows platform calls, run as a Windows program under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/frm_brevolt.h"
#include "platform/win32/system_api.h"
#include "tests/unit/recorder.h"

namespace brevolt::platform::win32 {
namespace {

::HWND MakeWindow(const char* title, ::HWND owner, int x, int y, bool visible = true) {
  ::HWND window =
      ::CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), x, y,
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

// brevolt.exe's own path: the window's handlers over the system's calls;
// only the window's controls are stand-ins.
struct OwnPath {
  test::Log log;
  test::RecordedControl imgFinish{log, "imgFinish"}, lblFinish{log, "lblFinish"};
  test::RecordedTextBox txtName{log, "txtName"}, txtEmail{log, "txtEmail"}, Text1{log, "Text1"};
  test::RecordedBrowser WebBrowser1{log};
  test::RecordedPlatform boxes_and_end{log};
  SystemApi api;
  FrmBrevolt form{FormControls{0, imgFinish, txtName, txtEmail, Text1, lblFinish, WebBrowser1},
                  api, boxes_and_end, boxes_and_end};
};

// Some form runtimes give every form, the main one too, a hidden owner.
TEST(SystemApi, TheProductIsHiddenAndShownAgainInPlaceWhetherOwnedOrNot) {
  for (const char* owner_title : {"", "Zendrolt application"}) {
    ::HWND owner = *owner_title ? MakeWindow(owner_title, nullptr, 0, 0, false) : nullptr;
    ::HWND host = MakeWindow("Zendrolt", owner, 123, 77);
    ASSERT_NE(host, nullptr);
    const RECT before = PlaceOf(host);
    OwnPath path;

    path.form.Form_Load();
    EXPECT_EQ(ToNative(path.form.hwndHost), host) << owner_title;
    EXPECT_FALSE(::IsWindowVisible(host)) << owner_title;
    EXPECT_TRUE(SamePlace(PlaceOf(host), before)) << owner_title;

    path.form.WebBrowser1_NavigateComplete2(std::make_shared<const WebFrame>(WebFrame{true}),
                                            "http://127.0.0.1/thankyou.html");
    EXPECT_TRUE(::IsWindowVisible(host)) << owner_title;
    EXPECT_TRUE(SamePlace(PlaceOf(host), before)) << owner_title;
    ::DestroyWindow(host);
    if (owner) ::DestroyWindow(owner);
  }
}

TEST(SystemApi, FindingTheProductPassesOverAnotherCopysMessageBoxOnly) {
  SystemApi api;
  ::HWND copy = MakeWindow("Zendrolt ", nullptr, 10, 10);
  // Another copy's message box carries the product's title too.
  ::HWND box = MakeWindow("Zendrolt", copy, 20, 20);
  EXPECT_EQ(api.FindWindowA(nullptr, "Zendrolt"), 0u);

  ::HWND host = MakeWindow("Zendrolt", MakeWindow("Zendrolt app", nullptr, 0, 0, false), 30, 30);
  ::SetWindowPos(box, nullptr /* the top */, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ToNative(api.FindWindowA(nullptr, "Zendrolt")), host);
  for (::HWND w : {box, host, copy}) ::DestroyWindow(w);
}

}  // namespace
}  // namespace brevolt::platform::win32
