#include "platform/webbrowser/in_place_frame.h"

namespace brevolt::platform::webbrowser {

HRESULT InPlaceFrame::GetWindow(::HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = top_level_;
  return S_OK;
}

void* InPlaceFrame::ExtraInterface(REFIID riid) {
  if (riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow) {
    return static_cast<IOleInPlaceFrame*>(this);
  }
  return nullptr;
}

}  // namespace brevolt::platform::webbrowser
