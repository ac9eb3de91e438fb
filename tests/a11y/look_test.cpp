// What the offline face shows beyond the bare picture: a focus ring around
// the focused field's frame and nowhere else, a caption readable on the
// drawn button under dark themes, the picture drawn for a scale of 2 at that
// scale, and typed text that stays inside its frame at a large text scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/a11y/offline_face.h"
#include "ui/contrast.h"
#include "ui/layout.h"

namespace brevolt::test {
namespace {

using ui::ControlId;
using ui::PixelBox;

// The four sides of the ring drawn around a frame.
std::vector<PixelBox> RingAround(const PixelBox& frame) {
  const PixelBox inner = Grown(frame, ui::kFocusRingGap);
  const PixelBox outer = Grown(inner, ui::kFocusRingWidth);
  return {{outer.left, outer.top, outer.right, inner.top - 1},
          {outer.left, inner.bottom + 1, outer.right, outer.bottom},
          {outer.left, outer.top, inner.left - 1, outer.bottom},
          {inner.right + 1, outer.top, outer.right, outer.bottom}};
}

// The controls lying over the picture, which draw what they hold.
std::vector<PixelBox> Controls() {
  return {BoxOf(ControlId::txtName), BoxOf(ControlId::txtEmail), BoxOf(ControlId::lblFinish)};
}

template <typename... Lists>
std::vector<PixelBox> Joined(std::vector<PixelBox> first, const Lists&... rest) {
  (first.insert(first.end(), rest.begin(), rest.end()), ...);
  return first;
}

// The ring is there, in one colour that is not the picture's, and every
// other pixel outside the controls is the picture's own.
bool ShowsRingAroundOnly(const Screenshot& shown, const Screenshot& picture,
                         const PixelBox& frame) {
  const auto ring = RingAround(frame);
  if (DifferingPixels(shown, picture, 1, Joined(Controls(), ring)) != 0) return false;
  const Rgb colour = shown.At(ring[0].left, ring[0].top);
  if (colour == picture.At(ring[0].left, ring[0].top)) return false;
  return std::all_of(ring.begin(), ring.end(), [&](const PixelBox& side) {
    return shown.All(side.left, side.top, side.right, side.bottom,
                     [&](Rgb pixel) { return pixel == colour; });
  });
}

TEST(OfflineLookTest, FocusRingSurroundsTheFocusedFrameOnly) {
  OfflineFace face(XSession::Wm::kOpenbox, {});
  ASSERT_TRUE(face.Focus());
  const Screenshot picture = LoadAsset("panel.bmp");
  for (const PixelBox& frame : {ui::kNameFrame, ui::kEmailFrame}) {
    bool shown = false;
    const auto last = WaitForPicture(
        face.x(), face.window(),
        [&](const Screenshot& s) { return ShowsRingAroundOnly(s, picture, frame); }, kFaceTimeout,
        &shown);
    EXPECT_TRUE(shown) << "no ring around the frame at " << frame.left << "," << frame.top
                       << " alone" << (last && last->SavePpm("ring.ppm") ? " (ring.ppm)" : "");
    PressKey("Tab");
  }
}

class DarkThemeTest : public ::testing::TestWithParam<std::string> {};

// The caption's text against the drawn button's face, at its most distinct
// pixel (text is anti-aliased at its edges).
double CaptionContrast(const Screenshot& shown) {
  const PixelBox face = Grown(ui::kFinishButton, -2);
  const ui::Colour button{ui::kButtonFace.r / 255.0, ui::kButtonFace.g / 255.0,
                          ui::kButtonFace.b / 255.0};
  double best = 1;
  for (int y = face.top; y <= face.bottom; ++y) {
    for (int x = face.left; x <= face.right; ++x) {
      const Rgb p = shown.At(x, y);
      best = std::max(best, ui::ContrastRatio({p.r / 255.0, p.g / 255.0, p.b / 255.0}, button));
    }
  }
  return best;
}

TEST_P(DarkThemeTest, CaptionStaysReadableOnTheDrawnButton) {
  OfflineFace face(XSession::Wm::kNone, {"GTK_THEME=" + GetParam()});
  const auto shown = WaitForPicture(
      face.x(), face.window(), [](const Screenshot& s) { return CaptionContrast(s) > 1.5; },
      kFaceTimeout);
  ASSERT_TRUE(shown);
  EXPECT_GE(CaptionContrast(*shown), ui::kReadableContrast);
}

INSTANTIATE_TEST_SUITE_P(Themes, DarkThemeTest,
                         ::testing::Values("Adwaita:dark", "HighContrastInverse"),
                         [](const auto& info) {
                           return info.param == "Adwaita:dark" ? std::string("AdwaitaDark")
                                                               : info.param;
                         });

void MovePointerAway() {
  // Without a window manager the keyboard follows the pointer, and a
  // focused field would add its ring.
  Child tool({"xdotool", "mousemove", "0", "0"});
  tool.WaitExit(std::chrono::seconds(30));
}

TEST(OfflineLookTest, AtScaleTwoShowsTheDoublePicturePixelForPixel) {
  OfflineFace face(XSession::Wm::kNone, {"GDK_SCALE=2"});
  MovePointerAway();
  const Screenshot picture = LoadAsset("panel@2x.png");
  bool matched = false;
  const auto shown = WaitForPicture(
      face.x(), face.window(),
      [&](const Screenshot& s) {
        return s.width() == 2 * ui::kClientWidth && DifferingPixels(s, picture, 2, Controls()) == 0;
      },
      kFaceTimeout, &matched);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(matched) << shown->width() << "x" << shown->height() << ", "
                       << DifferingPixels(*shown, picture, 2, Controls())
                       << " pixels differ from the double picture";
}

TEST(OfflineLookTest, LargeTextScaleKeepsTypedTextInsideTheFrame) {
  OfflineFace face(XSession::Wm::kOpenbox, {"GDK_DPI_SCALE=2"});
  ASSERT_TRUE(face.Focus());
  TypeText("gjpqy");
  const Screenshot picture = LoadAsset("panel.bmp");
  // The white inside the frame: the frame's own two lines on each side stay.
  const PixelBox white = Grown(ui::kNameFrame, -2);
  const auto typed = [&](const Screenshot& s) {
    return s.Any(white.left, white.top, white.right, white.bottom,
                 [](Rgb p) { return p.IsDark(); });
  };
  const auto shown = WaitForPicture(face.x(), face.window(), typed, kFaceTimeout);
  ASSERT_TRUE(shown && typed(*shown)) << "the typed text never showed";
  // Everything but the white, the ring, the empty e-mail field and the
  // caption's box is the picture's: the frame's lines included.
  EXPECT_EQ(DifferingPixels(*shown, picture, 1,
                            Joined({white, BoxOf(ControlId::txtEmail), BoxOf(ControlId::lblFinish)},
                                   RingAround(ui::kNameFrame))),
            0);
}

}  // namespace
}  // namespace brevolt::test
