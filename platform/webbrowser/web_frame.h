#pragma once
// The frame a navigation notification names, as the handlers receive it:
// the control's own frame object, held for as long as the handler holds
// this.
#include <oaidl.h>

#include "app/web_frame.h"

namespace brevolt::platform::webbrowser {

struct ComWebFrame : WebFrame {
  ComWebFrame(bool top, IDispatch* frame_object) : WebFrame{top}, object(frame_object) {
    if (object != nullptr) object->AddRef();
  }
  ~ComWebFrame() {
    if (object != nullptr) object->Release();
  }
  ComWebFrame(const ComWebFrame&) = delete;
  ComWebFrame& operator=(const ComWebFrame&) = delete;

  IDispatch* const object;
};

}  // namespace brevolt::platform::webbrowser
