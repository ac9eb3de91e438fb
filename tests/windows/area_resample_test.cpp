// Shrinking the nearest larger panel picture to a resolution it was not
// drawn for: area averaging, channel by channel.
#include <gtest/gtest.h>

#include "ui/win32/area_resample.h"

namespace brevolt::ui::win32 {
namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080;

TEST(ResampleByArea, AveragesWhatEachNewPixelCovers) {
  const struct {
    const char* what;
    Pixels from;
    int width, height;
    std::vector<std::uint32_t> expected;
  } cases[] = {
      {"same size: unchanged", {2, 1, {kBlack, kWhite}}, 2, 1, {kBlack, kWhite}},
      {"half: pairs averaged", {4, 1, {kBlack, kWhite, kWhite, kWhite}}, 2, 1, {kGrey, kWhite}},
      // Two thirds: the middle old pixel is shared half and half.
      {"150% to 100%", {3, 1, {kBlack, kWhite, kBlack}}, 2, 1, {0x555555, 0x555555}},
      {"down as across", {1, 2, {kBlack, kWhite}}, 1, 1, {kGrey}},
      {"channels apart", {2, 1, {0xFF0000, 0x0000FF}}, 1, 1, {0x800080}},
      {"larger: each old pixel repeated", {2, 1, {kBlack, kWhite}}, 4, 1,
       {kBlack, kBlack, kWhite, kWhite}},
  };
  for (const auto& c : cases) {
    const Pixels to = ResampleByArea(c.from, c.width, c.height);
    EXPECT_EQ(to.width, c.width) << c.what;
    EXPECT_EQ(to.height, c.height) << c.what;
    EXPECT_EQ(to.data, c.expected) << c.what;
  }
}

TEST(ResampleByArea, KeepsAPlainColourPlainAtAnyRatio) {
  const Pixels from{743, 3, std::vector<std::uint32_t>(743 * 3, 0xD4D0C8)};
  const Pixels to = ResampleByArea(from, 619, 2);
  for (std::uint32_t pixel : to.data) ASSERT_EQ(pixel, 0xD4D0C8u);
}

}  // namespace
}  // namespace brevolt::ui::win32
