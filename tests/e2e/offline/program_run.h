#pragma once
// One run of the real program on a private X server of its own, beside a
// stand-in product window titled "Zendrolt", in the face the test asks for:
// offline with nothing listening on the sign-up port, or online with a
// plain page there. Positions are the window's own layout, so the test
// clicks and reads where a user would see the controls.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/harness/page_server.h"
#include "tests/harness/test_host.h"
#include "tests/harness/x_query.h"
#include "tests/harness/wm_param.h"
#include "tests/harness/x_session.h"
#include "ui/layout.h"

namespace brevolt::test {

enum class Face { kOffline, kOnline };
// Which build runs: the Linux program, or the Windows one under Wine beside
// the Windows stand-in (the prefix is the test process's, see wine.h).
enum class Program { kLinux, kWindows };

// Generous bounds for things that normally take well under a second; the
// machine is shared, so they only keep a broken run from hanging.
inline constexpr auto kUiTimeout = std::chrono::milliseconds(15000);
inline constexpr auto kWindowTimeout = std::chrono::milliseconds(60000);

inline constexpr const char* kHostTitle = "Zendrolt";
inline constexpr const char* kMessageBoxTitle = "Zendrolt";
inline constexpr const char* kSignUpPath = "/posttobrevolt2.asp";

// A point of the picture that nothing lies over: the decorative strip.
inline constexpr std::pair<int, int> kRestingPoint{80, 250};
// The grey bottom band, left of the drawn button.
inline constexpr std::pair<int, int> kBottomBand{300, 335};

class ProgramRun {
 public:
  // Starts everything and waits for the program's window; throws if any
  // piece does not come up.
  ProgramRun(XSession::Wm wm, Face face, Program program = Program::kLinux);
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  XQuery& x() { return *x_; }
  XWindow window() const { return window_; }
  TestHost& host() { return *host_; }
  Brevolt& program() { return *program_; }
  PageServer* pages() { return pages_.get(); }
  bool under_wm() const { return session_->has_wm(); }

  // Root position of a point given in the window's client area.
  std::pair<int, int> RootOf(std::pair<int, int> client);
  void ClickInClient(std::pair<int, int> client);
  // Centre of a control's box, client-relative.
  static std::pair<int, int> CentreOf(ui::ControlId control);
  // A click on the Finish caption. Two clicks at one spot in quick
  // succession make a double click, whose second press is no click of its
  // own; so each click lands on the next of a few spots along the caption,
  // further apart than a double click may stray.
  void ClickFinish();

  // Waits until real key presses reach the program's window: the window
  // manager has given it the focus, or, with none, the pointer rests on it
  // (the X server then sends keys to the window under the pointer).
  bool ReadyForKeys();

  // How wide the text a field shows is, read from the screen: the pixel
  // columns that hold ink. A caret alone is one or two.
  int InkColumns(ui::ControlId field);
  // Waits until the screen shows text (more than a caret) in exactly the
  // fields asked for, with no message box of ours over the panel. Until the
  // program has drawn over it, the screen may still hold a message box just
  // closed, so a test first waits for the state it starts from.
  bool WaitForFields(bool name_shows_text, bool email_shows_text);
  // Waits until a field shows text wider than `columns`, by more than a
  // caret, with no message box of ours over the panel.
  bool WaitForTextWiderThan(ui::ControlId field, int columns);

  // Viewable windows titled exactly "Zendrolt" that belong to ours
  // (transient for it): the program's message boxes.
  std::vector<XWindow> MessageBoxes();
  // The one message box once it is shown; 0 if none came.
  XWindow WaitForMessageBox();
  bool WaitForNoMessageBox();

  std::optional<int> WaitForEnd();

  // Titles of the viewable top-level windows, for failure messages.
  std::string DescribeWindows();

 private:
  std::unique_ptr<XSession> session_;
  std::unique_ptr<XQuery> x_;
  std::unique_ptr<ScratchDir> scratch_;
  std::unique_ptr<PageServer> pages_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<Brevolt> program_;
  XWindow window_ = 0;
  int finish_clicks_ = 0;
  Program which_ = Program::kLinux;
};

// The program ended with status 0, its window went, and the product window
// it hid is still there and still hidden.
void ExpectEndedLeavingHostHidden(ProgramRun& run);

inline void PrintTo(Face face, std::ostream* out) {
  *out << (face == Face::kOnline ? "online face" : "offline face");
}


// The offline panel up with both fields empty and the keyboard on the window,
// once per window-manager setting.
class OfflinePanelTest : public ::testing::TestWithParam<XSession::Wm> {
 protected:
  void SetUp() override {
    run_ = std::make_unique<ProgramRun>(GetParam(), Face::kOffline);
    ASSERT_TRUE(run_->WaitForFields(false, false)) << "no panel with two empty fields";
    ASSERT_TRUE(run_->ReadyForKeys()) << "the program's window never got the keyboard";
  }
  void TearDown() override { run_.reset(); }

  ProgramRun& run() { return *run_; }

 private:
  std::unique_ptr<ProgramRun> run_;
};

}  // namespace brevolt::test
