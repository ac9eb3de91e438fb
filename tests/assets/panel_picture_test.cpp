// The panel picture as committed: the program lays its fields and its
// Finish caption over fixed places in it, so those places are checked pixel
// by pixel.
#include <gtest/gtest.h>

#include "tests/assets/windows_file_reader.h"
#include "tests/harness/control_boxes.h"

namespace brevolt::test {
namespace {

using Box = ui::PixelBox;
using ui::kEmailFrame;
using ui::kNameFrame;
constexpr Box kButton = ui::kFinishButton;
// Where the program puts txtName, txtEmail and the Finish caption, rounded
// out to whole pixels.
constexpr Box kNameField = CoveredBy(ui::ControlId::txtName);
constexpr Box kEmailField = CoveredBy(ui::ControlId::txtEmail);
constexpr Box kCaption = CoveredBy(ui::ControlId::lblFinish);

bool IsWhite(const Pixel& p) { return p.r == 255 && p.g == 255 && p.b == 255; }
bool IsDark(const Pixel& p) { return p.r <= 0x50 && p.g <= 0x50 && p.b <= 0x50; }
bool IsShadow(const Pixel& p) {
  return p.r >= 0x60 && p.r <= 0xA0 && p.g >= 0x60 && p.g <= 0xA0 && p.b >= 0x60 && p.b <= 0xA0;
}
bool IsLight(const Pixel& p) { return p.r >= 0xC0 && p.g >= 0xC0 && p.b >= 0xC0; }
bool IsDialogGrey(const Pixel& p) {
  return p.r >= 0xC8 && p.r <= 0xDC && p.g >= 0xC4 && p.g <= 0xD8 && p.b >= 0xBC && p.b <= 0xD0 &&
         !IsWhite(p);
}
bool IsRed(const Pixel& p) { return p.r >= 0x90 && p.g <= 0x50 && p.b <= 0x50; }

::testing::AssertionResult Check(bool ok, const char* what, int x, int y, const Pixel& p) {
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << what << " expected at (" << x << ", " << y << "), found #"
                                       << std::hex << (p.r << 16 | p.g << 8 | p.b);
}

class PanelPicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { file_ = new BmpFile(ParseBmpFile(ReadAssetFile("panel.bmp"))); }
  static void TearDownTestSuite() {
    delete file_;
    file_ = nullptr;
  }
  static const Bitmap& picture() { return file_->bitmap; }

  // Runs a pixel predicate over a box; stops at the first failure so a bad
  // frame gives one message, not hundreds.
  template <typename Pred>
  static void ExpectBox(const Box& box, Pred pred, const char* what) {
    for (int y = box.top; y <= box.bottom; ++y)
      for (int x = box.left; x <= box.right; ++x) {
        const auto result = Check(pred(picture().at(x, y)), what, x, y, picture().at(x, y));
        if (!result) {
          ADD_FAILURE() << result.message();
          return;
        }
      }
  }

  static void ExpectSunkenFrame(const Box& f) {
    ExpectBox({f.left, f.top, f.right - 1, f.top}, IsShadow, "outer top edge in shadow grey");
    ExpectBox({f.left, f.top, f.left, f.bottom - 1}, IsShadow, "outer left edge in shadow grey");
    ExpectBox({f.left + 1, f.top + 1, f.right - 2, f.top + 1}, IsDark, "inner top edge dark");
    ExpectBox({f.left + 1, f.top + 1, f.left + 1, f.bottom - 2}, IsDark, "inner left edge dark");
    ExpectBox({f.left + 1, f.bottom - 1, f.right - 1, f.bottom - 1}, IsLight, "inner bottom light");
    ExpectBox({f.right - 1, f.top + 1, f.right - 1, f.bottom - 1}, IsLight, "inner right light");
    ExpectBox({f.left, f.bottom, f.right, f.bottom}, IsWhite, "outer bottom edge white");
    ExpectBox({f.right, f.top, f.right, f.bottom}, IsWhite, "outer right edge white");
    ExpectBox({f.left + 2, f.top + 2, f.right - 2, f.bottom - 2}, IsWhite, "plain white inside");
  }

  static void ExpectWhiteInsideStartsTwoIn(const Box& f) {
    const int x = f.left + 2;
    const int y = f.top + 2;
    EXPECT_TRUE(IsWhite(picture().at(x, y))) << "the white inside starts at (" << x << ", " << y << ")";
    EXPECT_FALSE(IsWhite(picture().at(x - 1, y)));
    EXPECT_FALSE(IsWhite(picture().at(x, y - 1)));
  }

  static inline BmpFile* file_ = nullptr;
};

TEST_F(PanelPicture, IsAnUncompressed24BitBitmapOfTheStatedSize) {
  const Bytes bytes = ReadAssetFile("panel.bmp");
  EXPECT_EQ(file_->declared_size, bytes.size());
  EXPECT_EQ(file_->pixel_offset, 54u);
  EXPECT_EQ(picture().header.width, ui::kClientWidth);
  EXPECT_EQ(picture().header.height, ui::LayoutOf(ui::ControlId::imgFinish).cy())
      << "bottom-up rows, as every reader accepts";
  EXPECT_EQ(picture().header.planes, 1u);
  EXPECT_EQ(picture().header.bit_count, 24u);
  EXPECT_EQ(picture().header.compression, 0u);
}

TEST_F(PanelPicture, NameFrameIsASunkenWellWithAWhiteInside) {
  ExpectSunkenFrame(kNameFrame);
  ExpectWhiteInsideStartsTwoIn(kNameFrame);
}

TEST_F(PanelPicture, EmailFrameIsASunkenWellWithAWhiteInside) {
  ExpectSunkenFrame(kEmailFrame);
  ExpectWhiteInsideStartsTwoIn(kEmailFrame);
}

// The fields are 18.3 pixels high but a frame's white inside only 17: their
// last rows fall on the frame's bottom edge, which is light (light grey, then
// white), so a white field there still reads as sitting in the well. They
// must never lie on the dark top and left edges, nor on text.
TEST_F(PanelPicture, EntryFieldsLieOnWhiteOrOnTheFramesLightBottomEdge) {
  for (const auto& [field, frame] : {std::pair{kNameField, kNameFrame}, {kEmailField, kEmailFrame}}) {
    const int inside_bottom = frame.bottom - 2;
    ExpectBox({field.left, field.top, field.right, inside_bottom}, IsWhite, "white under the field");
    ExpectBox({field.left, inside_bottom + 1, field.right, field.bottom}, IsLight,
              "only the frame's light bottom edge under the field");
  }
}

TEST_F(PanelPicture, ButtonOutlineStandsRaisedExactlyWhereStated) {
  const Box& b = kButton;
  ExpectBox({b.left, b.top, b.right - 1, b.top}, IsWhite, "button's top highlight");
  ExpectBox({b.left, b.top, b.left, b.bottom - 1}, IsWhite, "button's left highlight");
  ExpectBox({b.left, b.bottom, b.right, b.bottom}, IsDark, "button's bottom dark edge");
  ExpectBox({b.right, b.top, b.right, b.bottom}, IsDark, "button's right dark edge");
  ExpectBox({b.left + 1, b.bottom - 1, b.right - 1, b.bottom - 1}, IsShadow, "inner bottom shadow");
  ExpectBox({b.right - 1, b.top + 1, b.right - 1, b.bottom - 1}, IsShadow, "inner right shadow");
  // Just outside the outline there is only the band.
  ExpectBox({b.left - 1, b.top - 1, b.right + 1, b.top - 1}, IsDialogGrey, "band above the button");
  ExpectBox({b.left - 1, b.bottom + 1, b.right + 1, b.bottom + 1}, IsDialogGrey, "band below");
  ExpectBox({b.left - 1, b.top, b.left - 1, b.bottom}, IsDialogGrey, "band left of the button");
  ExpectBox({b.right + 1, b.top, b.right + 1, b.bottom}, IsDialogGrey, "band right of the button");
}

TEST_F(PanelPicture, ButtonFaceIsPlainGreyWithNoCaption) {
  const Pixel& first = picture().at(kButton.left + 2, kButton.top + 2);
  EXPECT_TRUE(IsDialogGrey(first));
  ExpectBox({kButton.left + 2, kButton.top + 2, kButton.right - 2, kButton.bottom - 2},
            [&](const Pixel& p) { return p == first; }, "one flat face colour");
}

// The caption's box overhangs the face by one pixel at the right and bottom,
// onto the button's inner shadow; everything under it is face or shadow.
TEST_F(PanelPicture, FinishCaptionLiesOnTheButtonFace) {
  ExpectBox(kCaption, [](const Pixel& p) { return IsDialogGrey(p) || IsShadow(p); },
            "face or inner shadow under the caption");
}

TEST_F(PanelPicture, BottomBandIsDialogGreyDownToTheEdge) {
  for (int y = kButton.top - 10; y < picture().height; ++y) {
    EXPECT_TRUE(IsDialogGrey(picture().at(10, y))) << "left of the band, row " << y;
    EXPECT_TRUE(IsDialogGrey(picture().at(picture().width - 5, y))) << "right, row " << y;
  }
  EXPECT_GT(picture().height, ui::kClientHeight) << "the last rows fall below the window";
}

TEST_F(PanelPicture, LabelsCarryARedRequiredMarkAboveEachFrame) {
  for (const Box& frame : {kNameFrame, kEmailFrame}) {
    int red = 0;
    int dark = 0;
    for (int y = frame.top - 20; y < frame.top - 1; ++y)
      for (int x = frame.left; x < frame.left + 80; ++x) {
        red += IsRed(picture().at(x, y));
        dark += IsDark(picture().at(x, y));
      }
    EXPECT_GT(red, 3) << "asterisk above the frame at y " << frame.top;
    EXPECT_GT(dark, 30) << "label text above the frame at y " << frame.top;
  }
}

TEST_F(PanelPicture, InvitationTextAndDecorativeStripAreDrawn) {
  int text_pixels = 0;
  for (int y = 10; y < kNameFrame.top - 25; ++y)
    for (int x = kNameFrame.left; x <= kButton.right; ++x) text_pixels += IsDark(picture().at(x, y));
  EXPECT_GT(text_pixels, 500) << "a few lines of invitation above the fields";

  int white_in_strip = 0;
  for (int y = 0; y < 300; y += 3)
    for (int x = 0; x < 150; x += 3) white_in_strip += IsWhite(picture().at(x, y));
  EXPECT_LT(white_in_strip, 100) << "the left strip is coloured, not page white";
}

}  // namespace
}  // namespace brevolt::test
