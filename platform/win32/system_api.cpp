#include "platform/win32/system_api.h"

#include <cstdint>
#include <string>

#include "app/texts.h"

#include "platform/win32/probe.h"

namespace brevolt::platform::win32 {

::HWND ToNative(brevolt::HWND handle) {
  return reinterpret_cast<::HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(handle)));
}

brevolt::HWND FromNative(::HWND handle) {
  return static_cast<brevolt::HWND>(reinterpret_cast<std::uintptr_t>(handle));
}

namespace {

// How long the product's thread is given to take up a hide or a show we
// asked for: a listening product does within tens of milliseconds; one
// that has not by then is busy (perhaps waiting for our process) and is
// not waited for. One that has is then given longer to finish with it,
// drawing included: Wine without a window manager takes two seconds.
constexpr ULONGLONG kTakeUpBound = 250;
constexpr UINT kFinishBoundMs = 3000;

void Settle(::HWND window, bool shown) {
  const ULONGLONG until = ::GetTickCount64() + kTakeUpBound;
  while ((::IsWindowVisible(window) != FALSE) != shown) {
    if (::GetTickCount64() >= until) return;
    ::Sleep(1);
  }
  // Answered once its thread has returned from the hide or the show.
  ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kFinishBoundMs, nullptr);
}

// Another copy of this program is known by its own window's title; its
// message boxes are owned by that window and titled like the product.
bool IsOwnedByACopy(::HWND window) {
  const ::HWND owner = ::GetWindow(window, GW_OWNER);
  if (owner == nullptr) return false;
  const std::string copy_title(kOwnWindowTitle);
  std::string title(copy_title.size() + 2, '\0');
  title.resize(static_cast<std::size_t>(
      ::GetWindowTextA(owner, title.data(), static_cast<int>(title.size()))));
  return title == copy_title;
}

}  // namespace

brevolt::HWND SystemApi::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  // The first window the system's search returns, owned or not: some form
  // runtimes give every form, the main one too, a hidden owner window.
  ::HWND found = nullptr;
  while ((found = ::FindWindowExA(nullptr, found, lpClassName, lpWindowName)) != nullptr) {
    if (!IsOwnedByACopy(found)) return FromNative(found);
  }
  return 0;
}

BOOL SystemApi::SetWindowTextA(brevolt::HWND hWnd, const char* lpString) {
  return ::SetWindowTextA(ToNative(hWnd), lpString);
}

BOOL SystemApi::SetWindowPos(brevolt::HWND hWnd, brevolt::HWND hWndInsertAfter, int X, int Y,
                             int cx, int cy, UINT uFlags) {
  // Hiding and showing the product's window must leave its place and size
  // alone: with zeros for both, Windows would otherwise move it to the
  // corner and shrink it, and it would come back that way. Hiding keeps its
  // place in the stacking order; showing raises and activates it.
  if (uFlags & SWP_HIDEWINDOW) uFlags |= SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  if (uFlags & SWP_SHOWWINDOW) uFlags |= SWP_NOMOVE | SWP_NOSIZE;
  // Never waiting for the product's thread: a product that starts us and
  // waits for our process on that thread would otherwise hang with us.
  uFlags |= SWP_ASYNCWINDOWPOS;
  const ::HWND window = ToNative(hWnd);
  const BOOL done = ::SetWindowPos(window, ToNative(hWndInsertAfter), X, Y, cx, cy, uFlags);
  if (!done) return done;
  if (uFlags & SWP_HIDEWINDOW) hiding_ = window;
  if (uFlags & SWP_SHOWWINDOW) {
    ::SetForegroundWindow(window);
    // The program ends right after showing it: a request still queued for
    // the product's thread could go with our process.
    Settle(window, true);
  }
  return done;
}

void SystemApi::FinishHiding() {
  if (hiding_ != nullptr) Settle(hiding_, false);
  hiding_ = nullptr;
}

void LetTakeForeground(brevolt::HWND window) {
  ::DWORD process = 0;
  if (window != 0 && ::GetWindowThreadProcessId(ToNative(window), &process) != 0) {
    ::AllowSetForegroundWindow(process);
  }
}

BOOL SystemApi::InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags, DWORD dwReserved) {
  return win32::InternetCheckConnectionA(lpszUrl, dwFlags, dwReserved);
}

}  // namespace brevolt::platform::win32
