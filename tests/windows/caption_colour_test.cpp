// The Finish caption stays readable whatever colour scheme the user runs.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/win32/caption_colour.h"

namespace brevolt::ui::win32 {
namespace {

constexpr COLORREF kLightFace = RGB(0xD4, 0xD0, 0xC8);

TEST(CaptionColour, KeepsTheSystemTextColourOnlyWhereItIsReadable) {
  EXPECT_EQ(CaptionColour(RGB(0, 0, 0), kLightFace), RGB(0, 0, 0));
  EXPECT_EQ(CaptionColour(RGB(0, 0, 0x80), kLightFace), RGB(0, 0, 0x80));
  // A high-contrast scheme's white or yellow text would vanish on the
  // picture's light button.
  EXPECT_EQ(CaptionColour(RGB(0xFF, 0xFF, 0xFF), kLightFace), kPanelTextColour);
  EXPECT_EQ(CaptionColour(RGB(0xFF, 0xFF, 0x00), kLightFace), kPanelTextColour);
  EXPECT_GE(ContrastRatio(kPanelTextColour, kLightFace), kLeastContrast);
}

// Text and background are one scheme's pair, never one colour from each:
// a dark scheme's black window under the picture's black text was invisible.
TEST(FieldColours, AreTheSystemsPairWhereItReadsElseBlackOnWhite) {
  const struct {
    COLORREF text, window;
    FieldColours expected;
  } cases[] = {
      {RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), {RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), true}},
      {RGB(0xFF, 0xFF, 0xFF), RGB(0, 0, 0), {RGB(0xFF, 0xFF, 0xFF), RGB(0, 0, 0), true}},
      {RGB(0xFF, 0xFF, 0), RGB(0, 0, 0x80), {RGB(0xFF, 0xFF, 0), RGB(0, 0, 0x80), true}},
      // A scheme whose own pair does not read: the picture's pair.
      {RGB(0x80, 0x80, 0x80), RGB(0x60, 0x60, 0x60), kPictureFieldColours},
      {RGB(0, 0, 0), RGB(0, 0, 0), kPictureFieldColours},
  };
  for (const auto& c : cases) {
    const FieldColours got = FieldColoursFor(c.text, c.window);
    EXPECT_EQ(got, c.expected) << std::hex << c.text << " on " << c.window;
    EXPECT_GE(ContrastRatio(got.text, got.background), kLeastContrast);
  }
}

}  // namespace
}  // namespace brevolt::ui::win32
