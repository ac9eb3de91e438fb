#pragma once
// Stand-ins for the window's controls and the platform that write every call
// into one ordered log, so a test can check what happened and in what order.
#include <string>
#include <vector>

#include "app/form_interfaces.h"

namespace brevolt::test {

using Log = std::vector<std::string>;

class RecordedControl : public Control {
 public:
  RecordedControl(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
  void SetVisible(bool visible) override {
    log_.push_back(name_ + (visible ? ".show" : ".hide"));
  }

 protected:
  Log& log_;
  std::string name_;
};

class RecordedTextBox : public TextBox {
 public:
  RecordedTextBox(Log& log, std::string name, std::string text = "")
      : log_(log), name_(std::move(name)), text_(std::move(text)) {}
  void SetVisible(bool visible) override { log_.push_back(name_ + (visible ? ".show" : ".hide")); }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override {
    text_ = text;
    log_.push_back(name_ + ".text=" + text);
  }
  void SetFocus() override { log_.push_back(name_ + ".focus"); }

 private:
  Log& log_;
  std::string name_;

 public:
  std::string text_;
};

class RecordedBrowser : public WebBrowserControl {
 public:
  explicit RecordedBrowser(Log& log) : log_(log) {}
  void SetVisible(bool visible) override {
    log_.push_back(std::string("WebBrowser1") + (visible ? ".show" : ".hide"));
  }
  void Navigate(const std::string& url) override { log_.push_back("WebBrowser1.Navigate " + url); }

 private:
  Log& log_;
};

class RecordedPlatform : public Win32Api, public MessageBoxes, public ProgramEnd {
 public:
  explicit RecordedPlatform(Log& log) : log_(log) {}
  HWND host = 0;         // what the title search answers
  BOOL reachable = 0;    // what the probe answers

  HWND FindWindowA(const char* cls, const char* title) override {
    log_.push_back(std::string("FindWindowA ") + (cls ? cls : "null") + " [" + title + "]");
    return host;
  }
  BOOL SetWindowTextA(HWND hWnd, const char* text) override {
    log_.push_back("SetWindowTextA " + std::to_string(hWnd) + " [" + text + "]");
    return 1;
  }
  BOOL SetWindowPos(HWND hWnd, HWND after, int x, int y, int cx, int cy, UINT flags) override {
    log_.push_back("SetWindowPos " + std::to_string(hWnd) + " " + std::to_string(after) + " " +
                   std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(cx) + " " +
                   std::to_string(cy) + " " + std::to_string(flags));
    return hWnd != 0;
  }
  BOOL InternetCheckConnectionA(const char* url, DWORD flags, DWORD reserved) override {
    log_.push_back(std::string("InternetCheckConnectionA ") + url + " " + std::to_string(flags) +
                   " " + std::to_string(reserved));
    return reachable;
  }
  void MsgBox(const std::string& prompt, UINT buttons, const std::string& title) override {
    log_.push_back("MsgBox [" + prompt + "] " + std::to_string(buttons) + " [" + title + "]");
  }
  void End() override { log_.push_back("End"); }

 private:
  Log& log_;
};

}  // namespace brevolt::test
