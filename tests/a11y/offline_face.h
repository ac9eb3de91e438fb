#pragma once
// The program in its offline face on a private X server, started with the
// environment a test asks for (a theme, a scale), and the committed panel
// pictures to compare what it shows against.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/e2e/common/screen_capture.h"
#include "tests/harness/control_boxes.h"
#include "tests/harness/x_query.h"
#include "tests/harness/x_session.h"
#include "ui/layout.h"
#include "ui/panel_picture.h"

namespace brevolt::test {

inline constexpr auto kFaceTimeout = std::chrono::milliseconds(30000);

class OfflineFace {
 public:
  // Throws when the window does not come up.
  OfflineFace(XSession::Wm wm, std::vector<std::string> env);
  XQuery& x() { return *x_; }
  XWindow window() const { return window_; }
  Brevolt& program() { return *program_; }
  // Gives the window the keyboard (under a window manager).
  bool Focus();

 private:
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  ScratchDir scratch_{"brevolt-a11y"};
  std::unique_ptr<Brevolt> program_;
  XWindow window_ = 0;
};

// A committed asset decoded: "panel.bmp" or "panel@2x.png".
Screenshot LoadAsset(const std::string& name);

// Pixels of the picture that differ from the screenshot, outside the boxes
// given (in 1x picture pixels, inclusive), the picture drawn at `scale`.
int DifferingPixels(const Screenshot& shown, const Screenshot& picture, int scale,
                    const std::vector<ui::PixelBox>& except);

// The box a control of the layout table covers, in picture pixels.
ui::PixelBox BoxOf(ui::ControlId control);

}  // namespace brevolt::test
