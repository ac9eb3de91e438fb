#pragma once
// The sign-up window: a fixed-size top-level window whose client area holds
// the panel picture, the Finish caption, the two fields, the hidden address
// field and the browser, placed by the layout table.
#include <windows.h>

#include <functional>
#include <memory>

#include "app/form_interfaces.h"
#include "ui/win32/browser_site.h"
#include "ui/win32/controls.h"
#include "ui/win32/dpi_resources.h"

namespace brevolt::ui::win32 {

class FormWindow {
 public:
  explicit FormWindow(HINSTANCE instance);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  ::HWND hwnd() const { return hwnd_; }
  FormControls controls();
  BrowserSite& browser() { return *browser_; }

  void OnFinishClick(std::function<void()> handler) { on_finish_click_ = std::move(handler); }
  void OnClose(std::function<void()> handler) { on_close_ = std::move(handler); }

  // First showing, normal: centred on the work area of the product's
  // screen (`host`, may be null) at that screen's resolution, the first
  // field focused.
  void ShowCentredOn(::HWND host);

 private:
  static LRESULT CALLBACK WindowProc(::HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(::HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls(HINSTANCE instance, int dpi);
  static SIZE ClientSizeAt(int dpi);
  // Lays the window out afresh at `dpi`, at the suggested place if any.
  void ScaleTo(int dpi, const RECT* suggested);
  void CentreIn(const RECT& work);
  // The caption's colour and every control's drawing, after the system's
  // colours, theme or settings changed.
  void RefreshColours();
  void Paint();
  bool SetCursorOverCaption();
  void RestoreFocus();

  HINSTANCE instance_;
  ::HWND hwnd_ = nullptr;
  std::unique_ptr<DpiResources> scaled_;
  COLORREF caption_colour_ = 0;

  std::unique_ptr<EditBox> txt_name_, txt_email_, text1_;
  std::unique_ptr<PaintedControl> img_finish_, lbl_finish_;
  std::unique_ptr<BrowserSite> browser_;

  ::HWND focus_before_deactivation_ = nullptr;
  bool finish_pressed_ = false;
  bool placing_ = false;  // being moved to its first place
  std::function<void()> on_finish_click_;
  std::function<void()> on_close_;
};

}  // namespace brevolt::ui::win32
