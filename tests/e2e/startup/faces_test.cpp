// What each face shows on the screen. Offline: the panel picture with the
// two fields inside its drawn frames and the Finish caption on its drawn
// button, and no web engine at all. Online: only the page, shifted so that
// its edges and the strip where a scroll bar would stand are out of sight.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/e2e/common/panel_picture.h"
#include "tests/e2e/common/screen_capture.h"
#include "tests/e2e/startup/startup_fixture.h"
#include "tests/harness/mapped_libraries.h"
#include "ui/panel_picture.h"

namespace brevolt::test {
namespace {

// Inside the drawn button, within its outline and the outline's inner shadow.
constexpr Box kButtonFace = ToBox(Grown(ui::kFinishButton, -2));
// Where the text of an empty field would go inside its frame's white, clear
// of the caret at its left.
constexpr int kTextAreaLeftInset = 8;
constexpr int kTextAreaRightInset = 3;
constexpr int kTextAreaVerticalInset = 2;

const Rgb kWhite{255, 255, 255};

bool FieldTextAreaIsWhite(const Screenshot& shot, const ui::PixelBox& frame) {
  const ui::PixelBox white = Grown(frame, -2);
  return shot.All(white.left + kTextAreaLeftInset, white.top + kTextAreaVerticalInset,
                  white.right - kTextAreaRightInset, white.bottom - kTextAreaVerticalInset,
                  [](Rgb c) { return c == kWhite; });
}

std::string SaveForInspection(const Screenshot& shot, const std::string& name) {
  const std::string path = ::testing::TempDir() + "/" + name + ".ppm";
  shot.SavePpm(path);
  return path;
}

using Faces = StartupTest;

TEST_P(Faces, OfflineShowsThePanelWithFieldsAndCaptionInTheirDrawnPlaces) {
  const PanelPicture picture;
  ASSERT_TRUE(picture.loaded()) << picture.message();
  ASSERT_EQ(picture.width(), kClientWidth);
  ASSERT_GE(picture.height(), kClientHeight);

  Brevolt& program = StartProgram();
  const XWindow own = WaitForOwnWindow();
  ASSERT_NE(own, 0u);

  bool painted = false;
  const auto shot = WaitForPicture(
      x(), own, [&](const Screenshot& s) { return PictureMismatches(s, picture, nullptr) == 0; },
      kPaintTimeout, &painted);
  ASSERT_TRUE(shot.has_value());
  ASSERT_EQ(shot->width(), kClientWidth);
  ASSERT_EQ(shot->height(), kClientHeight);
  std::string first_mismatch;
  const int mismatches = PictureMismatches(*shot, picture, &first_mismatch);
  EXPECT_TRUE(painted) << mismatches << " pixels outside the fields and the caption differ from "
                       << "the panel picture, first " << first_mismatch << "; see "
                       << SaveForInspection(*shot, "offline-face");

  // The empty fields let the frames' white show where their text goes.
  EXPECT_TRUE(FieldTextAreaIsWhite(*shot, ui::kNameFrame));
  EXPECT_TRUE(FieldTextAreaIsWhite(*shot, ui::kEmailFrame));

  // The caption's ink: present, and all of it on the drawn button's face.
  int ink = 0;
  int ink_off_face = 0;
  for (int y = kCaption.y0; y <= kCaption.y1; ++y) {
    for (int x = kCaption.x0; x <= kCaption.x1; ++x) {
      if (shot->At(x, y) == picture.At(x, y)) continue;
      if (shot->At(x, y).IsDark()) ++ink;
      if (!kButtonFace.Holds(x, y)) ++ink_off_face;
    }
  }
  EXPECT_GT(ink, 0) << "no caption text on the drawn button; see "
                    << SaveForInspection(*shot, "offline-caption");
  EXPECT_EQ(ink_off_face, 0) << "the caption draws over the button's outline";

  // The browser was never needed, so the engine was never loaded.
  EXPECT_TRUE(DescendantsOf(program.pid()).empty());
  EXPECT_FALSE(WebEngineLoaded(program.pid()));
}

// The page's own edges, each in a colour of its own, and one-pixel lines
// along the first and last rows and columns that should be in sight. The
// browser is 529 x 377 pixels at (-8,-19) of the 495 x 352 client area.
constexpr int kHiddenLeft = 8;
constexpr int kHiddenTop = 19;
constexpr int kHiddenRight = 26;
constexpr int kHiddenBottom = 6;

const Rgb kHiddenLeftColour{255, 0, 0};
const Rgb kHiddenTopColour{0, 255, 0};
const Rgb kHiddenRightColour{0, 0, 255};
const Rgb kHiddenBottomColour{255, 0, 255};
const Rgb kFirstColumnColour{255, 128, 0};
const Rgb kFirstRowColour{0, 192, 192};
const Rgb kLastColumnColour{128, 128, 0};
const Rgb kLastRowColour{0, 128, 0};

std::string Css(const Rgb& c) {
  return "rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) +
         ")";
}

std::string Px(int n) { return std::to_string(n) + "px"; }

std::string EdgesPage() {
  const std::string inner_rows = "top:" + Px(kHiddenTop + 1) + ";bottom:" + Px(kHiddenBottom + 1);
  const std::string inner_columns =
      "left:" + Px(kHiddenLeft + 1) + ";right:" + Px(kHiddenRight + 1);
  auto strip = [](const std::string& place, const Rgb& colour) {
    return "<div style=\"position:fixed;" + place + ";background:" + Css(colour) + "\"></div>\n";
  };
  std::string html =
      "<!DOCTYPE html><html><head><style>html,body{margin:0;padding:0;overflow:hidden;"
      "background:#fff;width:100%;height:100%}</style></head><body>\n";
  html += strip("left:0;top:0;bottom:0;width:" + Px(kHiddenLeft), kHiddenLeftColour);
  html += strip("left:0;right:0;top:0;height:" + Px(kHiddenTop), kHiddenTopColour);
  html += strip("right:0;top:0;bottom:0;width:" + Px(kHiddenRight), kHiddenRightColour);
  html += strip("left:0;right:0;bottom:0;height:" + Px(kHiddenBottom), kHiddenBottomColour);
  html += strip("left:" + Px(kHiddenLeft) + ";width:1px;" + inner_rows, kFirstColumnColour);
  html += strip("top:" + Px(kHiddenTop) + ";height:1px;" + inner_columns, kFirstRowColour);
  html += strip("right:" + Px(kHiddenRight) + ";width:1px;" + inner_rows, kLastColumnColour);
  html += strip("bottom:" + Px(kHiddenBottom) + ";height:1px;" + inner_columns, kLastRowColour);
  html += "</body></html>\n";
  return html;
}

// Solid fills come back exactly on a 24-bit server; a little slack keeps
// the test about placement rather than colour management.
constexpr int kColourSlack = 8;

bool Near(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) <= kColourSlack && std::abs(a.g - b.g) <= kColourSlack &&
         std::abs(a.b - b.b) <= kColourSlack;
}

struct EdgeReport {
  bool first_column, first_row, last_column, last_row, inside_white;
  bool all() const { return first_column && first_row && last_column && last_row && inside_white; }
};

EdgeReport ReadEdges(const Screenshot& s) {
  const int right = s.width() - 1;
  const int bottom = s.height() - 1;
  auto is = [](Rgb colour) { return [colour](Rgb c) { return Near(c, colour); }; };
  // The corners are where two lines meet; each line is checked between them.
  return {s.All(0, 1, 0, bottom - 1, is(kFirstColumnColour)),
          s.All(1, 0, right - 1, 0, is(kFirstRowColour)),
          s.All(right, 1, right, bottom - 1, is(kLastColumnColour)),
          s.All(1, bottom, right - 1, bottom, is(kLastRowColour)),
          s.All(1, 1, right - 1, bottom - 1, is(kWhite))};
}

TEST_P(Faces, OnlineShowsOnlyThePageWithItsEdgesClipped) {
  PageServer& pages = ServeSignUpPage(EdgesPage());
  Brevolt& program = StartProgram();
  const XWindow own = WaitForOwnWindow();
  ASSERT_NE(own, 0u);

  bool painted = false;
  const auto shot = WaitForPicture(
      x(), own, [](const Screenshot& s) { return ReadEdges(s).all(); }, kPaintTimeout, &painted);
  ASSERT_TRUE(shot.has_value());
  ASSERT_EQ(shot->width(), kClientWidth);
  ASSERT_EQ(shot->height(), kClientHeight);
  const EdgeReport edges = ReadEdges(*shot);
  const std::string saved = painted ? "" : SaveForInspection(*shot, "online-face");
  // Page pixel (8,19) at client (0,0): shifted by (-8,-19).
  EXPECT_TRUE(edges.first_column) << "page column 8 is not the first in sight; see " << saved;
  EXPECT_TRUE(edges.first_row) << "page row 19 is not the first in sight; see " << saved;
  // Page column 502 last: the 26 columns to its right are out of sight.
  EXPECT_TRUE(edges.last_column) << "page column 502 is not the last in sight; see " << saved;
  EXPECT_TRUE(edges.last_row) << "page row 370 is not the last in sight; see " << saved;
  EXPECT_TRUE(edges.inside_white)
      << "something other than the page shows inside the window; see " << saved;
  for (const Rgb& hidden :
       {kHiddenLeftColour, kHiddenTopColour, kHiddenRightColour, kHiddenBottomColour}) {
    EXPECT_FALSE(shot->Any(0, 0, shot->width() - 1, shot->height() - 1,
                           [&](Rgb c) { return Near(c, hidden); }))
        << "a clipped edge of the page, " << hidden << ", is in sight; see " << saved;
  }

  int page_requests = 0;
  for (const std::string& path : pages.Requests()) page_requests += path == "/posttobrevolt2.asp";
  EXPECT_EQ(page_requests, 1);
  EXPECT_FALSE(DescendantsOf(program.pid()).empty()) << "no web engine process runs";
}

BREVOLT_INSTANTIATE_WM_TESTS(Faces);

}  // namespace
}  // namespace brevolt::test
