// The hand cursor as committed: a 32 x 32, 16-colour Windows cursor whose
// hot spot is the fingertip.
#include <gtest/gtest.h>

#include "tests/assets/windows_file_reader.h"
#include "ui/hand_cursor.h"

namespace brevolt::test {
namespace {

constexpr int kSide = ui::kHandCursorSide;
constexpr unsigned kHotX = ui::kHandHotSpotX;
constexpr unsigned kHotY = ui::kHandHotSpotY;

class HandCursorFile : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadAssetFile("hand.cur");
    directory_ = ParseIconDirectory(bytes_);
    ASSERT_EQ(directory_.entries.size(), 1u);
    image_ = ParseIconImage(bytes_, directory_.entries[0]);
  }
  Bytes bytes_;
  IconFile directory_;
  Bitmap image_;
};

TEST_F(HandCursorFile, IsASingle16ColourCursorWithItsHotSpotInTheHeader) {
  EXPECT_EQ(directory_.type, 2u) << "a cursor, not an icon";
  const IconDirEntry& e = directory_.entries[0];
  EXPECT_EQ(e.width, kSide);
  EXPECT_EQ(e.height, kSide);
  EXPECT_EQ(e.colour_count, 16);
  EXPECT_EQ(e.planes_or_hot_x, kHotX);
  EXPECT_EQ(e.bit_count_or_hot_y, kHotY);
  EXPECT_EQ(static_cast<std::size_t>(e.offset) + e.size, bytes_.size());
}

TEST_F(HandCursorFile, ImageIsA4BitBitmapOverTheVgaPaletteWithAMask) {
  EXPECT_EQ(image_.header.width, kSide);
  EXPECT_EQ(image_.header.height, 2 * kSide) << "colour image and mask stacked";
  EXPECT_EQ(image_.header.bit_count, 4u);
  EXPECT_EQ(image_.header.planes, 1u);
  EXPECT_EQ(image_.palette, VgaPalette());
}

TEST_F(HandCursorFile, HotSpotIsTheTopOfTheRaisedFinger) {
  EXPECT_FALSE(image_.IsCut(kHotX, kHotY)) << "the hot spot is on the hand";
  for (int y = 0; y < static_cast<int>(kHotY); ++y)
    EXPECT_TRUE(image_.IsCut(kHotX, y)) << "nothing of the hand above the fingertip, row " << y;
  // The finger goes on downwards from the tip.
  for (int y = kHotY; y < static_cast<int>(kHotY) + 8; ++y)
    EXPECT_FALSE(image_.IsCut(kHotX, y)) << "finger at row " << y;
  for (int y = 0; y <= static_cast<int>(kHotY); ++y)
    for (int x = 0; x < kSide; ++x)
      if (!image_.IsCut(x, y)) {
        EXPECT_EQ(y, static_cast<int>(kHotY)) << "pixel above the tip at " << x;
      }
}

// A pixel both masked and non-black would invert the screen under it.
TEST_F(HandCursorFile, CutOutPixelsAreBlackSoTheScreenShowsThroughUnchanged) {
  int opaque = 0;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      if (image_.IsCut(x, y))
        EXPECT_EQ(image_.at(x, y), (Pixel{0, 0, 0, 255})) << "at (" << x << ", " << y << ")";
      else
        ++opaque;
    }
  EXPECT_TRUE(image_.IsCut(0, 0));
  EXPECT_TRUE(image_.IsCut(kSide - 1, kSide - 1));
  EXPECT_GT(opaque, 150) << "a whole hand, not a few dots";
}

// For screens at twice the scale: the same hand, each pixel a 2 x 2 square,
// so it stays as crisp, with the hot spot on the same fingertip.
TEST_F(HandCursorFile, DoubleSizeCursorIsTheSameHandPixelForPixelDoubled) {
  const Bytes bytes = ReadAssetFile("hand@2x.cur");
  const IconFile directory = ParseIconDirectory(bytes);
  ASSERT_EQ(directory.entries.size(), 1u);
  const IconDirEntry& e = directory.entries[0];
  EXPECT_EQ(e.width, 2 * kSide);
  EXPECT_EQ(e.height, 2 * kSide);
  EXPECT_EQ(e.planes_or_hot_x, 2 * kHotX);
  EXPECT_EQ(e.bit_count_or_hot_y, 2 * kHotY);
  const Bitmap doubled = ParseIconImage(bytes, e);
  ASSERT_EQ(doubled.width, 2 * kSide);
  for (int y = 0; y < 2 * kSide; ++y)
    for (int x = 0; x < 2 * kSide; ++x) {
      ASSERT_EQ(doubled.IsCut(x, y), image_.IsCut(x / 2, y / 2)) << x << ", " << y;
      ASSERT_TRUE(doubled.at(x, y) == image_.at(x / 2, y / 2)) << x << ", " << y;
    }
}

}  // namespace
}  // namespace brevolt::test
