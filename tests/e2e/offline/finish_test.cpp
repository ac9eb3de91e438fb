// The offline panel's Finish, driven as a user would: real key presses and
// mouse clicks, with and without a window manager.
#include <gtest/gtest.h>

#include <memory>

#include "tests/e2e/offline/program_run.h"
#include "tests/e2e/offline/x_messages.h"

namespace brevolt::test {
namespace {

using ui::ControlId;

class FinishTest : public OfflinePanelTest {};

TEST_P(FinishTest, FocusStartsInTheNameFieldAndTabGoesBetweenTheTwoFields) {
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, false)) << "typing did not reach the name field";

  PressKey("Tab");
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, true)) << "Tab did not move to the e-mail field";

  // From the last field Tab comes round to the first again; nothing else
  // on the panel takes the focus. Entering a field by Tab may select what it
  // holds, so what is typed there may replace it: a longer text shows either
  // way. The name was drawn in full before the e-mail's first letter.
  const int name_width = run().InkColumns(ControlId::txtName);
  PressKey("Tab");
  TypeText("mmmmmm");
  EXPECT_TRUE(run().WaitForTextWiderThan(ControlId::txtName, name_width));

  run().ClickFinish();
  ExpectEndedLeavingHostHidden(run());
}

TEST_P(FinishTest, AsksForEachEmptyFieldInTurnAndPutsTheFocusThere) {
  XQuery& x = run().x();
  // The focus leaves the name field first, so that finding it there later
  // is the message's doing.
  PressKey("Tab");

  run().ClickFinish();
  const XWindow name_box = run().WaitForMessageBox();
  ASSERT_NE(name_box, 0u) << "no message box for the empty name; " << run().DescribeWindows();
  EXPECT_EQ(x.Title(name_box), "Zendrolt");
  EXPECT_EQ(run().MessageBoxes().size(), 1u);
  EXPECT_TRUE(run().program().process().Running());

  // The box is modal: another click on Finish meanwhile opens nothing more,
  // so one Return leaves no box behind.
  run().ClickFinish();
  PressKey("Return");
  ASSERT_TRUE(run().WaitForNoMessageBox()) << run().DescribeWindows();
  EXPECT_TRUE(run().program().process().Running());
  ASSERT_TRUE(run().WaitForFields(false, false)) << "the panel was not drawn again";

  ASSERT_TRUE(run().ReadyForKeys());
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, false))
      << "after the message the focus was not in the name field";

  // The name is filled and holds the focus; now the e-mail is wanted.
  run().ClickFinish();
  const XWindow email_box = run().WaitForMessageBox();
  ASSERT_NE(email_box, 0u) << "no message box for the empty e-mail; " << run().DescribeWindows();
  EXPECT_EQ(x.Title(email_box), "Zendrolt");
  EXPECT_TRUE(run().program().process().Running());

  // Closing the box from its frame dismisses it just as OK does and leaves
  // the program running.
  EXPECT_TRUE(TakesDeleteWindow(x, email_box));
  SendDeleteWindow(x, email_box);
  ASSERT_TRUE(run().WaitForNoMessageBox()) << run().DescribeWindows();
  EXPECT_TRUE(run().program().process().Running());
  ASSERT_TRUE(run().WaitForFields(true, false)) << "the panel was not drawn again";

  ASSERT_TRUE(run().ReadyForKeys());
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, true))
      << "after the message the focus was not in the e-mail field";

  run().ClickFinish();
  ExpectEndedLeavingHostHidden(run());
  EXPECT_TRUE(run().MessageBoxes().empty());
}

TEST_P(FinishTest, ABlankInEachFieldIsEnoughToFinish) {
  PressKey("space");
  PressKey("Tab");
  PressKey("space");
  run().ClickFinish();
  ExpectEndedLeavingHostHidden(run());
}

TEST_P(FinishTest, WhatIsTypedIsNotSentEvenWhenTheSignUpServerComesBack) {
  // The face was chosen with nothing listening; from now on the sign-up
  // address answers, so anything the program sent there would be seen.
  PageServer sign_up(SignUpPort());
  sign_up.AddPage(kSignUpPath, "<html><body>Join</body></html>");

  TypeText("mmm");
  PressKey("Tab");
  TypeText("mmm");
  ASSERT_TRUE(run().WaitForFields(true, true));
  run().ClickFinish();
  ExpectEndedLeavingHostHidden(run());
  EXPECT_TRUE(sign_up.Requests().empty()) << "first request: " << sign_up.Requests().front();
}

BREVOLT_INSTANTIATE_WM_TESTS(FinishTest);

}  // namespace
}  // namespace brevolt::test
