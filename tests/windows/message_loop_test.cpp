// The program's message loop, fed keyboard messages the way the system
// posts them.
#include "ui/win32/message_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/win32/controls.h"

namespace brevolt::ui::win32 {
namespace {

std::vector<WPARAM> g_page_keys;

// Stands for the control's window inside the site: notes the keys it gets.
LRESULT CALLBACK PageProc(::HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN) g_page_keys.push_back(wparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

struct Loop {
  ::HWND form = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  BrowserSite site{form, RECT{0, 0, 200, 50}};
  Win32ProgramEnd end{site, form, [] {}};

  ::HWND Child(const wchar_t* window_class, ::HWND parent) const {
    return CreateWindowExW(0, window_class, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 200, 20,
                           parent, nullptr, nullptr, nullptr);
  }
  void Run() {
    PostQuitMessage(0);
    RunMessageLoop(form, site, end);
  }
  ~Loop() { DestroyWindow(form); }
};

TEST(MessageLoop, CharactersOutsideTheAnsiCodePageArriveWhole) {
  Loop loop;
  EditBox field(loop.Child(L"EDIT", loop.form));
  // l with stroke (Polish), then an emoji as its two UTF-16 halves.
  for (wchar_t c : std::wstring(L"\u0142\U0001F600")) PostMessageW(field.hwnd(), WM_CHAR, c, 1);
  loop.Run();
  EXPECT_EQ(field.Text(), "\xc5\x82\xf0\x9f\x98\x80");

  // The address field takes the page's address as wide text.
  field.SetText("http://127.0.0.1/caf\xc3\xa9?\xe2\x98\x83");
  wchar_t text[64] = {};
  GetWindowTextW(field.hwnd(), text, 64);
  EXPECT_EQ(std::wstring(text), L"http://127.0.0.1/caf\u00e9?\u2603");
}

TEST(MessageLoop, ReturnAndEscapeGoToThePageNotToTheDialogManager) {
  WNDCLASSW page_class{};
  page_class.lpfnWndProc = PageProc;
  page_class.lpszClassName = L"BrevoltTestPage";
  RegisterClassW(&page_class);
  Loop loop;
  const ::HWND page = loop.Child(L"BrevoltTestPage", loop.site.window());
  g_page_keys.clear();
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) PostMessageW(page, WM_KEYDOWN, key, 1);
  loop.Run();
  EXPECT_EQ(g_page_keys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE}));
}

}  // namespace
}  // namespace brevolt::ui::win32
