// Only a mouse click on the Finish caption acts: keys typed into the fields
// and clicks elsewhere on the panel end nothing and open nothing.
#include <gtest/gtest.h>

#include <memory>

#include "tests/e2e/offline/pointer.h"
#include "tests/e2e/offline/program_run.h"
#include "ui/panel_picture.h"

namespace brevolt::test {
namespace {

using ui::ControlId;

// One keystroke that draws wider than a caret's blink could make up.
constexpr const char* kWideLetter = "W";

// The drawn button's face just above the caption that lies on it.
const std::pair<int, int> kButtonOutline{ProgramRun::CentreOf(ControlId::lblFinish).first,
                                         ui::kFinishButton.top + 2};

class KeysAndClicksTest : public OfflinePanelTest {
 protected:
  void ExpectStillWaitingForInput() {
    EXPECT_TRUE(run().program().process().Running());
    EXPECT_TRUE(run().MessageBoxes().empty()) << run().DescribeWindows();
  }
};

TEST_P(KeysAndClicksTest, ReturnSpaceAndEscapeInEitherFieldDoNothing) {
  // Each key is tried on its own and followed by one wide letter that must
  // show in the field: had the key opened a message box, the box would have
  // taken the letter; had it ended the program, nothing would have drawn it.
  // The name is tried first with both fields empty, then with the e-mail
  // empty; the e-mail with both filled.
  for (const ControlId field : {ControlId::txtName, ControlId::txtEmail}) {
    if (field == ControlId::txtEmail) PressKey("Tab");
    for (const char* key : {"Return", "space", "Escape"}) {
      const int before = run().InkColumns(field);
      PressKey(key);
      TypeText(kWideLetter);
      ASSERT_TRUE(run().WaitForTextWiderThan(field, before))
          << key << " in the " << ui::LayoutOf(field).name << " field; "
          << run().DescribeWindows();
      ExpectStillWaitingForInput();
    }
  }

  run().ClickFinish();
  ExpectEndedLeavingHostHidden(run());
}

TEST_P(KeysAndClicksTest, OnlyAWholeClickOnTheCaptionCounts) {
  const auto caption = ProgramRun::CentreOf(ControlId::lblFinish);
  run().ClickInClient(kRestingPoint);
  run().ClickInClient(kBottomBand);
  run().ClickInClient(kButtonOutline);
  // A press on the caption released elsewhere, and the other way round.
  const auto [caption_x, caption_y] = run().RootOf(caption);
  const auto [band_x, band_y] = run().RootOf(kBottomBand);
  const auto [rest_x, rest_y] = run().RootOf(kRestingPoint);
  PressAndReleaseAt(caption_x, caption_y, band_x, band_y);
  PressAndReleaseAt(rest_x, rest_y, caption_x, caption_y);

  // Both fields are empty, so a Finish would have asked for the name.
  ASSERT_TRUE(run().ReadyForKeys());
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, false))
      << "a click on the picture took the focus from the name field";
  ExpectStillWaitingForInput();

  // The same caption, clicked whole, does act.
  run().ClickFinish();
  EXPECT_NE(run().WaitForMessageBox(), 0u) << run().DescribeWindows();
  EXPECT_TRUE(run().program().process().Running());
}

BREVOLT_INSTANTIATE_WM_TESTS(KeysAndClicksTest);

}  // namespace
}  // namespace brevolt::test
