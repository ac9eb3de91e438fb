#include "app/frm_brevolt.h"

#include <string>

#include "app/instr.h"
#include "app/texts.h"
#include "build_config.h"

namespace brevolt {

FrmBrevolt::FrmBrevolt(const FormControls& controls, Win32Api& api, MessageBoxes& boxes,
                       ProgramEnd& program_end)
    : me_(controls), api_(api), boxes_(boxes), end_(program_end) {}

void FrmBrevolt::Form_Load() {
  const std::string signUpUrl(kSignUpUrl);

  api_.SetWindowTextA(me_.hWnd, kOwnWindowTitle);
  hwndHost = api_.FindWindowA(nullptr, kProductTitle);
  api_.SetWindowPos(hwndHost, 0, 0, 0, 0, 0, SWP_HIDEWINDOW);

  if (api_.InternetCheckConnectionA(signUpUrl.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != 0) {
    me_.imgFinish.SetVisible(false);
    me_.txtName.SetVisible(false);
    me_.txtEmail.SetVisible(false);
    me_.lblFinish.SetVisible(false);
    me_.WebBrowser1.SetVisible(true);
    me_.WebBrowser1.Navigate(signUpUrl);
  } else {
    me_.imgFinish.SetVisible(true);
    me_.txtName.SetVisible(true);
    me_.txtEmail.SetVisible(true);
    me_.lblFinish.SetVisible(true);
    me_.WebBrowser1.SetVisible(false);
  }
}

void FrmBrevolt::Form_Unload(int& /*Cancel*/) {
  // Closing never asks for confirmation: the window simply goes.
}

void FrmBrevolt::lblFinish_Click() {
  if (me_.txtName.Text().empty()) {
    boxes_.MsgBox(kNameMissing, vbOKOnly, kProductTitle);
    me_.txtName.SetFocus();
    return;
  }
  if (me_.txtEmail.Text().empty()) {
    boxes_.MsgBox(kEmailMissing, vbOKOnly, kProductTitle);
    me_.txtEmail.SetFocus();
    return;
  }
  end_.End();
}

void FrmBrevolt::WebBrowser1_NavigateComplete2(std::shared_ptr<const WebFrame> pDisp,
                                               const std::string& URL) {
  // Held for the handler's duration only; a frame's navigation counts exactly
  // like the top page's.
  const std::shared_ptr<const WebFrame> frame = std::move(pDisp);

  me_.Text1.SetText(URL);
  const std::size_t thankyou = InStr(URL, kSuccessMarker);
  const std::size_t sorry = InStr(URL, kFailureMarker);
  if (thankyou > 0 || sorry > 0) {
    api_.SetWindowPos(hwndHost, 0, 0, 0, 0, 0, SWP_SHOWWINDOW);
    end_.End();
  }
}

}  // namespace brevolt
