#pragma once
// The sign-up window's behaviour: start-up and mode choice, the online
// completion watcher, and the offline Finish and closing.
#include <memory>
#include <string>

#include "app/form_interfaces.h"

namespace brevolt {

class FrmBrevolt {
 public:
  FrmBrevolt(const FormControls& controls, Win32Api& api, MessageBoxes& boxes,
             ProgramEnd& program_end);

  void Form_Load();
  void Form_Unload(int& Cancel);
  void lblFinish_Click();
  void WebBrowser1_NavigateComplete2(std::shared_ptr<const WebFrame> pDisp,
                                     const std::string& URL);

  // The product's window, hidden while we are shown; 0 when there is none.
  HWND hwndHost = 0;

 private:
  FormControls me_;
  Win32Api& api_;
  MessageBoxes& boxes_;
  ProgramEnd& end_;
};

}  // namespace brevolt
