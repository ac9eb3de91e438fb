#pragma once
// The layout table at a screen's resolution: twips and points become pixels
// at `dpi` dots per inch, and the panel picture's pixel boxes grow with it.
// At 96 dpi every figure is the one the form was designed with.
#include "ui/layout.h"
#include "ui/panel_picture.h"

namespace brevolt::ui {

inline constexpr int kDesignDpi = 96;
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// numerator / denominator to the nearest whole number, halves away from
// zero, as TwipsToPixels rounds; the denominator is positive.
constexpr int RoundedQuotient(long long numerator, long long denominator) {
  const long long half = denominator / 2;
  return static_cast<int>(numerator >= 0 ? (numerator + half) / denominator
                                         : -((-numerator + half) / denominator));
}

constexpr int TwipsToPixelsAt(int twips, int dpi) {
  return RoundedQuotient(static_cast<long long>(twips) * dpi, kTwipsPerInch);
}

// A design pixel (one at 96 dpi) at `dpi`, from its leading edge: the
// picture's boxes scale edge by edge, so neighbouring boxes still meet.
constexpr int DesignPixelsAt(int pixels, int dpi) {
  return RoundedQuotient(static_cast<long long>(pixels) * dpi, kDesignDpi);
}

// Hundredths of a point (8.25 pt is 825) as a font height in pixels.
constexpr int PointsToPixelsAt(int hundredths, int dpi) {
  return RoundedQuotient(static_cast<long long>(hundredths) * dpi, kPointsPerInch * 100);
}

// Half-open pixel rectangle at a resolution.
struct ScaledRect {
  int left, top, right, bottom;
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  friend constexpr bool operator==(const ScaledRect&, const ScaledRect&) = default;
};

constexpr ScaledRect PlaceAt(const ControlLayout& c, int dpi) {
  const int left = TwipsToPixelsAt(c.left, dpi), top = TwipsToPixelsAt(c.top, dpi);
  return {left, top, left + TwipsToPixelsAt(c.width, dpi), top + TwipsToPixelsAt(c.height, dpi)};
}

// An inclusive box of the picture, as the picture drawn for `dpi` shows it.
constexpr ScaledRect BoxAt(const PixelBox& box, int dpi) {
  return {DesignPixelsAt(box.left, dpi), DesignPixelsAt(box.top, dpi),
          DesignPixelsAt(box.right + 1, dpi), DesignPixelsAt(box.bottom + 1, dpi)};
}

// The white inside of a sunken field frame: two edge lines in from its
// outer edge on every side.
inline constexpr int kFrameEdgeLines = 2;
constexpr PixelBox WhiteInside(const PixelBox& frame) {
  return {frame.left + kFrameEdgeLines, frame.top + kFrameEdgeLines,
          frame.right - kFrameEdgeLines, frame.bottom - kFrameEdgeLines};
}

constexpr ScaledRect Intersection(const ScaledRect& a, const ScaledRect& b) {
  const int left = a.left > b.left ? a.left : b.left;
  const int top = a.top > b.top ? a.top : b.top;
  const int right = a.right < b.right ? a.right : b.right;
  const int bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
  return {left, top, right > left ? right : left, bottom > top ? bottom : top};
}

// Where an entry field goes at `dpi`: its place from the table, kept inside
// the white of the frame drawn for it, so the frame's four edges show.
constexpr ScaledRect FieldPlaceAt(ControlId field, int dpi) {
  const PixelBox& frame = field == ControlId::txtEmail ? kEmailFrame : kNameFrame;
  return Intersection(PlaceAt(LayoutOf(field), dpi), BoxAt(WhiteInside(frame), dpi));
}

}  // namespace brevolt::ui
