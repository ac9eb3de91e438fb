// The loaders decode the compiled-in resource bundle with the image library
// the program uses; no display is needed for any of this.
#include <gtest/gtest.h>

#include "tests/assets/windows_file_reader.h"
#include "ui/gtk/assets.h"
#include "ui/hand_cursor.h"

namespace brevolt::test {
namespace {

Pixel PixbufPixel(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, int x, int y) {
  const guint8* p = pixbuf->get_pixels() + y * pixbuf->get_rowstride() + x * pixbuf->get_n_channels();
  return {p[0], p[1], p[2], pixbuf->get_has_alpha() ? p[3] : static_cast<guint8>(255)};
}

TEST(AssetLoaders, PanelPictureDecodesToTheCommittedPixels) {
  const auto panel = ui::LoadPanelPicture();
  const Bitmap file = ParseBmpFile(ReadAssetFile("panel.bmp")).bitmap;
  ASSERT_EQ(panel->get_width(), file.width);
  ASSERT_EQ(panel->get_height(), file.height);
  for (int y = 0; y < file.height; ++y)
    for (int x = 0; x < file.width; ++x)
      ASSERT_EQ(PixbufPixel(panel, x, y), file.at(x, y)) << "at " << x << ", " << y;
}

TEST(AssetLoaders, HandCursorKeepsItsHotSpotOnTheFingertip) {
  const ui::CursorImage hand = ui::LoadHandCursorImage();
  ASSERT_TRUE(hand.pixbuf);
  EXPECT_EQ(hand.pixbuf->get_width(), ui::kHandCursorSide);
  EXPECT_EQ(hand.pixbuf->get_height(), ui::kHandCursorSide);
  EXPECT_EQ(hand.hot_x, ui::kHandHotSpotX);
  EXPECT_EQ(hand.hot_y, ui::kHandHotSpotY);
  ASSERT_TRUE(hand.pixbuf->get_has_alpha());
  EXPECT_EQ(PixbufPixel(hand.pixbuf, hand.hot_x, hand.hot_y).a, 255);
  EXPECT_EQ(PixbufPixel(hand.pixbuf, hand.hot_x, hand.hot_y - 1).a, 0);
  EXPECT_EQ(PixbufPixel(hand.pixbuf, 0, 0).a, 0);
}

// One image per size, smallest first, each the 32-bit image of the file:
// a loader that settled for the 16-colour or 24-bit one would lose the alpha.
TEST(AssetLoaders, IconImagesAreTheDeepestOfEachSize) {
  const auto images = ui::LoadIconImages();
  const Bytes bytes = ReadAssetFile("brevolt.ico");
  const IconFile directory = ParseIconDirectory(bytes);
  ASSERT_EQ(images.size(), 4u);
  const int sides[] = {16, 32, 48, 64};
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int side = sides[i];
    SCOPED_TRACE(std::to_string(side) + "px");
    ASSERT_EQ(images[i]->get_width(), side);
    ASSERT_EQ(images[i]->get_height(), side);
    ASSERT_TRUE(images[i]->get_has_alpha());
    const IconDirEntry* deepest = nullptr;
    for (const IconDirEntry& e : directory.entries)
      if (e.width == side && e.bit_count_or_hot_y == 32) deepest = &e;
    ASSERT_NE(deepest, nullptr);
    const Bitmap file = ParseIconImage(bytes, *deepest);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const Pixel got = PixbufPixel(images[i], x, y);
        const Pixel& want = file.at(x, y);
        ASSERT_EQ(got.a, want.a) << "at " << x << ", " << y;
        if (want.a == 255) {
          ASSERT_EQ(got, want) << "at " << x << ", " << y;
        }
      }
  }
}

}  // namespace
}  // namespace brevolt::test
