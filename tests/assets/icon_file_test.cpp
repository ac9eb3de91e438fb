// The application icon as committed: twelve images, 16 to 64 pixels, each in
// 16 colours, 24-bit and 32-bit with alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "tests/assets/windows_file_reader.h"

namespace brevolt::test {
namespace {

constexpr int kMaskAlphaThreshold = 128;

class IconFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadAssetFile("brevolt.ico");
    directory_ = ParseIconDirectory(bytes_);
  }
  const IconDirEntry* Find(int side, unsigned bits) const {
    for (const IconDirEntry& e : directory_.entries)
      if (e.width == side && e.bit_count_or_hot_y == bits) return &e;
    return nullptr;
  }
  Bytes bytes_;
  IconFile directory_;
};

TEST_F(IconFileTest, HoldsExactlyTheTwelveSizeAndDepthCombinations) {
  EXPECT_EQ(directory_.type, 1u);
  std::set<std::pair<int, unsigned>> found;
  for (const IconDirEntry& e : directory_.entries) {
    EXPECT_EQ(e.width, e.height);
    EXPECT_EQ(e.planes_or_hot_x, 1u);
    EXPECT_EQ(e.colour_count, e.bit_count_or_hot_y == 4 ? 16 : 0);
    found.insert({e.width, e.bit_count_or_hot_y});
  }
  std::set<std::pair<int, unsigned>> expected;
  for (int side : {16, 32, 48, 64})
    for (unsigned bits : {4u, 24u, 32u}) expected.insert({side, bits});
  EXPECT_EQ(directory_.entries.size(), 12u);
  EXPECT_EQ(found, expected);
}

TEST_F(IconFileTest, ImagesAreDisjointAndMatchTheirDirectoryEntries) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
  for (const IconDirEntry& e : directory_.entries) {
    ASSERT_LE(static_cast<std::size_t>(e.offset) + e.size, bytes_.size());
    spans.push_back({e.offset, e.offset + e.size});
    const Bitmap image = ParseIconImage(bytes_, e);
    EXPECT_EQ(image.header.width, e.width);
    EXPECT_EQ(image.header.height, 2 * e.height);
    EXPECT_EQ(image.header.bit_count, e.bit_count_or_hot_y);
    EXPECT_EQ(image.header.compression, 0u);
    if (e.bit_count_or_hot_y == 4) {
      EXPECT_EQ(image.palette, VgaPalette());
    }
  }
  std::sort(spans.begin(), spans.end());
  EXPECT_GE(spans.front().first, 6u + 16u * directory_.entries.size());
  for (std::size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].second, spans[i].first);
}

TEST_F(IconFileTest, EveryImageIsShapedTransparentAroundAndOpaqueInTheMiddle) {
  for (const IconDirEntry& e : directory_.entries) {
    SCOPED_TRACE(std::to_string(e.width) + "px " + std::to_string(e.bit_count_or_hot_y) + "-bit");
    const Bitmap image = ParseIconImage(bytes_, e);
    const int last = e.width - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
      EXPECT_TRUE(image.IsCut(x, y));
      if (e.bit_count_or_hot_y == 32) {
        EXPECT_EQ(image.at(x, y).a, 0);
      }
    }
    EXPECT_FALSE(image.IsCut(e.width / 2, e.height / 2));
  }
}

// Old systems draw the AND mask, new ones the alpha channel: both must show
// the same shape, and masked pixels of the colour image must be black.
TEST_F(IconFileTest, MaskAgreesWithAlphaAndCutPixelsAreBlack) {
  for (const IconDirEntry& e : directory_.entries) {
    SCOPED_TRACE(std::to_string(e.width) + "px " + std::to_string(e.bit_count_or_hot_y) + "-bit");
    const Bitmap image = ParseIconImage(bytes_, e);
    for (int y = 0; y < e.height; ++y)
      for (int x = 0; x < e.width; ++x) {
        const Pixel& p = image.at(x, y);
        if (e.bit_count_or_hot_y == 32) {
          ASSERT_EQ(image.IsCut(x, y), p.a < kMaskAlphaThreshold) << "at " << x << ", " << y;
        } else if (image.IsCut(x, y)) {
          ASSERT_EQ(p, (Pixel{0, 0, 0, 255})) << "at " << x << ", " << y;
        }
      }
  }
}

TEST_F(IconFileTest, TrueColourImagesOfOneSizeShowTheSamePicture) {
  for (int side : {16, 32, 48, 64}) {
    SCOPED_TRACE(std::to_string(side) + "px");
    const IconDirEntry* rgb = Find(side, 24);
    const IconDirEntry* argb = Find(side, 32);
    ASSERT_TRUE(rgb && argb);
    const Bitmap a = ParseIconImage(bytes_, *rgb);
    const Bitmap b = ParseIconImage(bytes_, *argb);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        ASSERT_EQ(a.IsCut(x, y), b.IsCut(x, y));
        if (a.IsCut(x, y)) continue;
        const Pixel& p = a.at(x, y);
        const Pixel& q = b.at(x, y);
        ASSERT_TRUE(p.r == q.r && p.g == q.g && p.b == q.b) << "at " << x << ", " << y;
      }
  }
}

// The 16-colour images use several palette entries (not a silhouette), and
// the 32-bit ones have a real alpha channel, not a mask in disguise.
TEST_F(IconFileTest, ImagesHaveColourAndAlphaWorthTheirDepth) {
  for (const IconDirEntry& e : directory_.entries) {
    SCOPED_TRACE(std::to_string(e.width) + "px " + std::to_string(e.bit_count_or_hot_y) + "-bit");
    const Bitmap image = ParseIconImage(bytes_, e);
    std::set<std::uint32_t> colours;
    std::set<int> alphas;
    for (int y = 0; y < e.height; ++y)
      for (int x = 0; x < e.width; ++x) {
        const Pixel& p = image.at(x, y);
        if (!image.IsCut(x, y)) colours.insert(p.r << 16 | p.g << 8 | p.b);
        alphas.insert(p.a);
      }
    EXPECT_GE(colours.size(), 3u);
    if (e.bit_count_or_hot_y == 32) {
      EXPECT_TRUE(alphas.count(0) && alphas.count(255));
      EXPECT_GE(alphas.size(), 3u) << "partly transparent pixels, not just a cut-out";
    }
  }
}

}  // namespace
}  // namespace brevolt::test
