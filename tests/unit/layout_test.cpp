#include "ui/layout.h"
#include "ui/scaling.h"

#include <gtest/gtest.h>

namespace brevolt::ui {
namespace {

TEST(Layout, PixelsAtNinetySixDotsPerInch) {
  struct Expected {
    ControlId id;
    int x, y, cx, cy;
  };
  // Rounded to whole pixels from the twips of the form's design.
  for (const Expected& e : {Expected{ControlId::txtEmail, 207, 217, 209, 18},
                            Expected{ControlId::txtName, 207, 168, 209, 18},
                            Expected{ControlId::Text1, 608, 184, 585, 25},
                            Expected{ControlId::WebBrowser1, -8, -19, 529, 377},
                            Expected{ControlId::lblFinish, 406, 328, 71, 17},
                            Expected{ControlId::imgFinish, 0, 0, 495, 356}}) {
    const ControlLayout& c = LayoutOf(e.id);
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.x(), e.x);
    EXPECT_EQ(c.y(), e.y);
    EXPECT_EQ(c.cx(), e.cx);
    EXPECT_EQ(c.cy(), e.cy);
  }
  EXPECT_EQ(kClientWidth, 495);
  EXPECT_EQ(kClientHeight, 352);
}

TEST(Layout, BrowserIsClippedOnEverySide) {
  const ControlLayout& b = LayoutOf(ControlId::WebBrowser1);
  EXPECT_LT(b.x(), 0);
  EXPECT_LT(b.y(), 0);
  EXPECT_GT(b.x() + b.cx(), kClientWidth);
  EXPECT_GT(b.y() + b.cy(), kClientHeight);
}

TEST(Layout, Text1LiesOutsideTheClientArea) {
  const ControlLayout& t = LayoutOf(ControlId::Text1);
  EXPECT_GE(t.x(), kClientWidth);
  EXPECT_FALSE(t.starts_visible);
}

TEST(Layout, TabIndicesAreDistinctAndThePictureTakesNoFocus) {
  std::vector<int> seen;
  for (const ControlLayout& c : kLayout) {
    if (c.tab_index) seen.push_back(*c.tab_index);
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(LayoutOf(ControlId::imgFinish).tab_index.has_value());
}

TEST(Layout, RoundingIsSymmetricAroundZero) {
  EXPECT_EQ(TwipsToPixels(7), 0);
  EXPECT_EQ(TwipsToPixels(8), 1);
  EXPECT_EQ(TwipsToPixels(-7), 0);
  EXPECT_EQ(TwipsToPixels(-8), -1);
  EXPECT_EQ(TwipsToPixels(-280), -19);
}

// At 96 dpi the scaled layout is the designed one, pixel for pixel; at other
// resolutions it grows with the twips, halves rounding away from zero.
TEST(Scaling, KeepsTheDesignAt96AndGrowsWithTheResolution) {
  for (const ControlLayout& c : kLayout) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PlaceAt(c, kDesignDpi), (ScaledRect{c.x(), c.y(), c.x() + c.cx(), c.y() + c.cy()}));
  }
  const struct {
    int dpi, width, height, font;
  } sizes[] = {{96, 495, 352, 11}, {120, 619, 440, 14}, {144, 743, 528, 17}, {192, 990, 704, 22}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(s.dpi);
    EXPECT_EQ(TwipsToPixelsAt(kClientWidthTwips, s.dpi), s.width);
    EXPECT_EQ(TwipsToPixelsAt(kClientHeightTwips, s.dpi), s.height);
    EXPECT_EQ(PointsToPixelsAt(825, s.dpi), s.font);  // 8.25 points
  }
  EXPECT_EQ(TwipsToPixelsAt(-120, 144), -12);
  EXPECT_EQ(TwipsToPixelsAt(-290, 144), -29);
}

// A field must leave its frame's edges showing: it lies in the frame's white,
// with room for a line of text.
TEST(Scaling, FieldsLieInTheirFramesWhiteAtEveryResolution) {
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    for (auto [field, frame] : {std::pair{ControlId::txtName, kNameFrame},
                                {ControlId::txtEmail, kEmailFrame}}) {
      SCOPED_TRACE(::testing::Message() << LayoutOf(field).name << " at " << dpi << " dpi");
      const ScaledRect place = FieldPlaceAt(field, dpi);
      const ScaledRect white = BoxAt(WhiteInside(frame), dpi);
      EXPECT_EQ(Intersection(place, white), place);
      EXPECT_GE(place.height(), PointsToPixelsAt(825, dpi) + 2) << "room for a line of text";
    }
  }
  EXPECT_EQ(FieldPlaceAt(ControlId::txtName, 96), (ScaledRect{207, 168, 416, 184}));
}

}  // namespace
}  // namespace brevolt::ui
