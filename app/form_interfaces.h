#pragma once
// What FrmBrevolt's handlers see of the world: the window's controls and the
// platform calls. The real ones are a toolkit's widgets and the system's
// window and network calls; tests put recorders in their place.
#include <memory>
#include <string>

#include "app/web_frame.h"
#include "app/win32_types.h"

namespace brevolt {

class Control {
 public:
  virtual ~Control() = default;
  virtual void SetVisible(bool visible) = 0;
};

class TextBox : public Control {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetFocus() = 0;
};

class WebBrowserControl : public Control {
 public:
  virtual void Navigate(const std::string& url) = 0;
};

inline constexpr UINT vbOKOnly = 0;

// The toolkit's modal message box over the program's window; returns when
// the user has dismissed it.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void MsgBox(const std::string& prompt, UINT buttons, const std::string& title) = 0;
};

// Ends the program at once: no further handler runs, the window and the web
// engine are gone, and the process exits with status 0. The caller's
// handler must do nothing after it: the Windows program returns here and
// finishes once the event being handled has returned.
class ProgramEnd {
 public:
  virtual ~ProgramEnd() = default;
  virtual void End() = 0;
};

class Win32Api {
 public:
  virtual ~Win32Api() = default;
  virtual HWND FindWindowA(const char* lpClassName, const char* lpWindowName) = 0;
  virtual BOOL SetWindowTextA(HWND hWnd, const char* lpString) = 0;
  virtual BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                            UINT uFlags) = 0;
  virtual BOOL InternetCheckConnectionA(const char* lpszUrl, DWORD dwFlags,
                                        DWORD dwReserved) = 0;
};

// The window's own handle and its six controls, named as the window knows them.
struct FormControls {
  HWND hWnd;
  Control& imgFinish;
  TextBox& txtName;
  TextBox& txtEmail;
  TextBox& Text1;
  Control& lblFinish;
  WebBrowserControl& WebBrowser1;
};

}  // namespace brevolt
