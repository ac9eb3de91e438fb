#include "app/frm_brevolt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "tests/unit/recorder.h"

namespace brevolt::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr HWND kOwnWindow = 0x3a00007;
constexpr HWND kHostWindow = 0x1e00004;

struct Form {
  Log log;
  RecordedControl imgFinish{log, "imgFinish"};
  RecordedTextBox txtName{log, "txtName"};
  RecordedTextBox txtEmail{log, "txtEmail"};
  RecordedTextBox Text1{log, "Text1", "Text1"};
  RecordedControl lblFinish{log, "lblFinish"};
  RecordedBrowser WebBrowser1{log};
  RecordedPlatform platform{log};
  FrmBrevolt frm{FormControls{kOwnWindow, imgFinish, txtName, txtEmail, Text1, lblFinish,
                              WebBrowser1},
                 platform, platform, platform};

  void Navigate(const std::string& url, bool top_page = true) {
    frm.WebBrowser1_NavigateComplete2(std::make_shared<WebFrame>(WebFrame{top_page}), url);
  }
};

std::vector<std::string> StartUpCalls(HWND host) {
  const std::string url(kSignUpUrl);
  return {"SetWindowTextA " + std::to_string(kOwnWindow) + " [Zendrolt ]",
          "FindWindowA null [Zendrolt]",
          "SetWindowPos " + std::to_string(host) + " 0 0 0 0 0 128",
          "InternetCheckConnectionA " + url + " 1 0"};
}

TEST(FormLoad, OnlineHidesTheOfflineFaceThenShowsAndNavigatesTheBrowser) {
  Form f;
  f.platform.host = kHostWindow;
  f.platform.reachable = 1;
  f.frm.Form_Load();

  auto expected = StartUpCalls(kHostWindow);
  for (const char* step : {"imgFinish.hide", "txtName.hide", "txtEmail.hide", "lblFinish.hide",
                           "WebBrowser1.show"})
    expected.push_back(step);
  expected.push_back("WebBrowser1.Navigate " + std::string(kSignUpUrl));
  EXPECT_THAT(f.log, ElementsAreArray(expected));
  EXPECT_EQ(f.frm.hwndHost, kHostWindow);
}

TEST(FormLoad, OfflineShowsThePanelAndNeverNavigates) {
  Form f;
  f.platform.host = kHostWindow;
  f.frm.Form_Load();

  auto expected = StartUpCalls(kHostWindow);
  for (const char* step : {"imgFinish.show", "txtName.show", "txtEmail.show", "lblFinish.show",
                           "WebBrowser1.hide"})
    expected.push_back(step);
  EXPECT_THAT(f.log, ElementsAreArray(expected));
}

TEST(FormLoad, WithoutAHostWindowStillChoosesAFace) {
  for (BOOL reachable : {0, 1}) {
    Form f;
    f.platform.reachable = reachable;
    f.frm.Form_Load();
    EXPECT_EQ(f.frm.hwndHost, 0u);
    EXPECT_EQ(f.log[2], "SetWindowPos 0 0 0 0 0 0 128");
    EXPECT_EQ(f.log.back(), reachable ? "WebBrowser1.Navigate " + std::string(kSignUpUrl)
                                      : "WebBrowser1.hide");
  }
}

// Which addresses end the journey: the markers are case-sensitive and found
// anywhere in the address.
struct MarkerCase {
  const char* address;
  bool ends;
};

class CompletionWatcher : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(CompletionWatcher, EndsOnlyOnAMarker) {
  Form f;
  f.frm.hwndHost = kHostWindow;
  f.Navigate(GetParam().address);

  std::vector<std::string> expected{std::string("Text1.text=") + GetParam().address};
  if (GetParam().ends) {
    expected.push_back("SetWindowPos " + std::to_string(kHostWindow) + " 0 0 0 0 0 64");
    expected.push_back("End");
  }
  EXPECT_THAT(f.log, ElementsAreArray(expected));
  EXPECT_EQ(f.Text1.text_, GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, CompletionWatcher,
    ::testing::Values(
        MarkerCase{"http://127.0.0.1:8917/thankyou.html", true},
        MarkerCase{"http://127.0.0.1/done?result=thankyou", true},
        MarkerCase{"http://thankyou.example/", true},
        MarkerCase{"http://127.0.0.1/thankyounote.asp#x", true},
        MarkerCase{"http://127.0.0.1/page#thankyou", true},
        MarkerCase{"http://127.0.0.1:8917/sorry.html", true},
        MarkerCase{"http://127.0.0.1/done?result=sorry", true},
        MarkerCase{"http://sorry.example/", true},
        MarkerCase{"http://127.0.0.1/notsorryatall", true},
        MarkerCase{"http://127.0.0.1/thankyou-and-sorry", true},
        MarkerCase{"http://127.0.0.1/ThankYou.html", false},
        MarkerCase{"http://127.0.0.1/THANKYOU.html", false},
        MarkerCase{"http://127.0.0.1/thank you.html", false},
        MarkerCase{"http://127.0.0.1/thank%20you.html", false},
        MarkerCase{"http://127.0.0.1/Sorry.html", false},
        MarkerCase{"http://127.0.0.1/sorr", false},
        MarkerCase{"", false},
        MarkerCase{"http://signup.zendrolt.example/posttobrevolt2.asp", false}));

TEST(CompletionWatcherJourney, MirrorsEveryAddressUntilTheMarker) {
  Form f;
  f.frm.hwndHost = kHostWindow;
  f.Navigate("http://127.0.0.1/posttobrevolt2.asp");
  f.Navigate("http://127.0.0.1/ad-frame.html", /*top_page=*/false);
  f.Navigate("http://127.0.0.1/posttobrevolt2.asp");
  EXPECT_EQ(f.log.size(), 3u);
  f.Navigate("http://127.0.0.1/frame/thankyou.html", /*top_page=*/false);
  EXPECT_THAT(f.log, ElementsAre("Text1.text=http://127.0.0.1/posttobrevolt2.asp",
                                 "Text1.text=http://127.0.0.1/ad-frame.html",
                                 "Text1.text=http://127.0.0.1/posttobrevolt2.asp",
                                 "Text1.text=http://127.0.0.1/frame/thankyou.html",
                                 "SetWindowPos " + std::to_string(kHostWindow) + " 0 0 0 0 0 64",
                                 "End"));
}

TEST(CompletionWatcherJourney, EndsEvenWithoutAHostWindow) {
  Form f;
  f.Navigate("http://127.0.0.1/sorry.html");
  EXPECT_THAT(f.log, ElementsAre("Text1.text=http://127.0.0.1/sorry.html",
                                 "SetWindowPos 0 0 0 0 0 0 64", "End"));
}

struct FinishCase {
  const char* name;
  const char* email;
  std::vector<std::string> calls;
};

class Finish : public ::testing::TestWithParam<FinishCase> {};

TEST_P(Finish, AsksForTheFirstEmptyFieldOrEnds) {
  Form f;
  f.frm.hwndHost = kHostWindow;
  f.txtName.text_ = GetParam().name;
  f.txtEmail.text_ = GetParam().email;
  f.frm.lblFinish_Click();
  // The product's window stays hidden whatever happens here.
  EXPECT_THAT(f.log, ElementsAreArray(GetParam().calls));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Finish,
    ::testing::Values(
        FinishCase{"", "", {"MsgBox [Please enter Name.] 0 [Zendrolt]", "txtName.focus"}},
        FinishCase{"", "a@b.example", {"MsgBox [Please enter Name.] 0 [Zendrolt]", "txtName.focus"}},
        FinishCase{"Ann", "", {"MsgBox [Please enter Email.] 0 [Zendrolt]", "txtEmail.focus"}},
        FinishCase{" ", " ", {"End"}},
        FinishCase{"Ann", "x", {"End"}},
        FinishCase{"Ann", "not an address", {"End"}}));

TEST(Finish, TwoMessagesThenTheEnd) {
  Form f;
  f.frm.lblFinish_Click();
  f.txtName.text_ = "Ann";
  f.frm.lblFinish_Click();
  f.txtEmail.text_ = "ann@example.org";
  f.frm.lblFinish_Click();
  EXPECT_THAT(f.log, ElementsAre("MsgBox [Please enter Name.] 0 [Zendrolt]", "txtName.focus",
                                 "MsgBox [Please enter Email.] 0 [Zendrolt]", "txtEmail.focus",
                                 "End"));
}

TEST(FormUnload, NeverCancelsAndTouchesNothing) {
  Form f;
  f.frm.hwndHost = kHostWindow;
  int cancel = 0;
  f.frm.Form_Unload(cancel);
  EXPECT_EQ(cancel, 0);
  EXPECT_TRUE(f.log.empty());
}

}  // namespace
}  // namespace brevolt::test
