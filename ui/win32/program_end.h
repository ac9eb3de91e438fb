#pragma once
#include <windows.h>

#include <functional>
#include <utility>

#include "app/form_interfaces.h"
#include "ui/win32/browser_site.h"

namespace brevolt::ui::win32 {

// Ends the program from inside any handler, the browser control's own
// events included. Closing a control while its event is still on the stack
// is a classic crash, so End() only marks the ending and returns: from then
// on no handler of ours runs, and the message loop, once the event has
// returned, lets go of the control and ends the process.
class Win32ProgramEnd : public ProgramEnd {
 public:
  // How the process ends once the control is let go; tests record it.
  using Exit = std::function<void()>;

  Win32ProgramEnd(BrowserSite& browser, ::HWND window, Exit exit = TerminateNow)
      : browser_(browser), window_(window), exit_(std::move(exit)) {}

  void End() override;
  // Run just before the process ends, once the control is let go.
  void BeforeExit(std::function<void()> step) { before_exit_ = std::move(step); }
  bool Ending() const { return ending_; }

  // A handler that does nothing once the ending has begun: a second marker,
  // or a frame's marker arriving while the page's ending is under way, ends
  // nothing more and shows the product's window no second time.
  template <class Handler>
  auto Guard(Handler handler) {
    return [this, handler](auto&&... args) {
      if (!ending_) handler(std::forward<decltype(args)>(args)...);
    };
  }

  // Called by the message loop between messages, never from inside one.
  void FinishIfEnding();

  // Ends the process at once, without DLL shutdown: the probe's thread may
  // still sit inside wininet, and ExitProcess would run wininet's shutdown
  // with that thread killed and its locks held.
  [[noreturn]] static void TerminateNow();

 private:
  BrowserSite& browser_;
  ::HWND window_;
  Exit exit_;
  std::function<void()> before_exit_;
  bool ending_ = false;
};

}  // namespace brevolt::ui::win32
