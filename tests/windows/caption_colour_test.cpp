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

}  // namespace
}  // namespace brevolt::ui::win32
