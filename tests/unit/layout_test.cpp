#include "ui/layout.h"

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

}  // namespace
}  // namespace brevolt::ui
