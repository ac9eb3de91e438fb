// Which addresses end the program: "thankyou" reached by a frame inside the
// page, "sorry" reached through a redirect, and none of the other spellings.
#include <gtest/gtest.h>

#include "tests/e2e/online/online_fixture.h"
#include "tests/harness/page_server.h"

namespace brevolt::test {
namespace {

constexpr const char* kSignUpPath = "/posttobrevolt2.asp";
constexpr int kSeeOther = 303;

std::string Page(const std::string& body, const std::string& head = "") {
  return "<!DOCTYPE html><html><head>" + head + "</head><body>" + body + "</body></html>";
}

// Goes on to `next` once loaded, as a page's own script would.
std::string PageGoingTo(const std::string& next) {
  return Page("<p>One moment</p>", "<script>addEventListener('load', () => setTimeout(() => "
                                   "{ location.href = '" + next + "'; }, 100));</script>");
}

// Goes on to the thank-you page once the test lets it (by answering /go),
// so the test can change the desktop while the page waits.
std::string PageWaitingForGo() {
  return Page("<p>Sign up</p>",
              "<script>const poll = setInterval(async () => { try {"
              " const answer = await fetch('/go', {cache: 'no-store'});"
              " if (answer.ok) { clearInterval(poll); location.href = '/thankyou.html'; }"
              " } catch (e) {} }, 100);</script>");
}

class Endings : public OnlineTest {
 protected:
  PageServer& Pages() {
    if (!pages_) pages_ = std::make_unique<PageServer>(SignUpPort());
    return *pages_;
  }
  bool WaitForRequest(const std::string& path) {
    return WaitUntil([&] { return pages_->Saw(path); }, kPageTimeout);
  }
  void TearDown() override {
    OnlineTest::TearDown();
    pages_.reset();
  }

 private:
  std::unique_ptr<PageServer> pages_;
};

TEST_P(Endings, FrameReachingThankyouEndsTheProgramLikeTheTopPage) {
  PageServer& pages = Pages();
  pages.AddPage(kSignUpPath, Page("<p>Sign up</p><iframe src=\"/frame/start.html\"></iframe>"));
  pages.AddPage("/frame/start.html",
                Page("<p>Working</p>",
                     "<meta http-equiv=\"refresh\" content=\"0;url=/frame/thankyou.html\">"));
  pages.AddPage("/frame/thankyou.html", Page("<p>Thank you</p>"));
  StartHost();
  Brevolt& program = StartProgram();
  ASSERT_NE(own_window(), 0u);
  ASSERT_TRUE(WaitForRequest("/frame/start.html"));
  const std::vector<pid_t> engine = program.Descendants();

  ASSERT_TRUE(WaitForRequest("/frame/thankyou.html"));
  ExpectEndedWithHostBack();
  ExpectAllGone(engine);
}

TEST_P(Endings, RedirectToSorryEndsTheProgram) {
  PageServer& pages = Pages();
  pages.AddPage(kSignUpPath, PageGoingTo("/submit"));
  pages.AddRedirect("/submit", "/sorry.html", kSeeOther);
  pages.AddPage("/sorry.html", Page("<p>Sorry</p>"));
  // A product whose toolkit makes its main window transient for a hidden
  // application window is found, hidden and shown again all the same.
  TestHost& host = StartHost({"--owner-title", "Zendrolt application"});
  StartProgram();
  ASSERT_NE(own_window(), 0u);
  EXPECT_FALSE(x().Viewable(host.window())) << "the product window was not hidden";

  ASSERT_TRUE(WaitForRequest("/sorry.html"));
  ExpectEndedWithHostBack();
  EXPECT_TRUE(Pages().Saw("/submit"));
}

TEST_P(Endings, OtherSpellingsOfTheMarkersKeepItRunning) {
  // Each page leads to the next; the one after the look-alikes waits for
  // the test, then goes on to a real marker.
  PageServer& pages = Pages();
  pages.AddPage(kSignUpPath, PageGoingTo("/ThankYou.html"));
  pages.AddPage("/ThankYou.html", PageGoingTo("/THANKYOU.html"));
  pages.AddPage("/THANKYOU.html", PageGoingTo("/thank%20you.html"));
  pages.AddPage("/thank you.html", PageGoingTo("/Sorry.html?status=Thank_You"));
  pages.AddPage("/Sorry.html", PageGoingTo("/settled.html"));
  pages.AddPage("/settled.html", PageWaitingForGo());
  pages.AddPage("/thankyou.html", Page("<p>Thank you</p>"));
  TestHost& host = StartHost();
  Brevolt& program = StartProgram();
  ASSERT_NE(own_window(), 0u);

  ASSERT_TRUE(WaitForRequest("/go")) << "the chain of pages did not run through";
  EXPECT_TRUE(program.process().Running()) << "the program ended on an address without a marker";
  EXPECT_TRUE(x().Viewable(own_window()));
  EXPECT_FALSE(x().Viewable(host.window())) << "the product window came back without a marker";
  for (const char* path : {"/ThankYou.html", "/THANKYOU.html", "/thank you.html",
                           "/Sorry.html?status=Thank_You"}) {
    EXPECT_TRUE(pages.Saw(path)) << path << " was never asked for";
  }
  // A real marker last. The program takes the page's navigations in turn
  // and ends on the first marker it meets, so the thank-you page is asked
  // for, and ends it, only if it went past every look-alike before.
  pages.AddPage("/go", "ok");
  ASSERT_TRUE(WaitForRequest("/thankyou.html")) << "the program did not live to the real marker";
  ExpectEndedWithHostBack();
}

TEST_P(Endings, WithoutAProductWindowTheProgramStillEnds) {
  PageServer& pages = Pages();
  pages.AddPage(kSignUpPath, PageGoingTo("/thankyou.html"));
  pages.AddPage("/thankyou.html", Page("<p>Thank you</p>"));
  Brevolt& program = StartProgram();
  ASSERT_NE(own_window(), 0u);

  ASSERT_TRUE(WaitForRequest("/thankyou.html"));
  EXPECT_EQ(program.process().WaitExit(kExitTimeout), std::optional<int>(0));
}

// The product may close its window while it is hidden; giving back a window
// that no longer exists must not turn the end into a crash.
TEST_P(Endings, ProductWindowClosedMeanwhileStillEndsCleanly) {
  PageServer& pages = Pages();
  pages.AddPage(kSignUpPath, PageWaitingForGo());
  pages.AddPage("/thankyou.html", Page("<p>Thank you</p>"));
  TestHost& host = StartHost();
  Brevolt& program = StartProgram();
  ASSERT_NE(own_window(), 0u);
  ASSERT_TRUE(WaitForRequest("/go")) << "the page's script did not run";
  const std::vector<pid_t> engine = program.Descendants();

  const XWindow closed = host.window();
  host.Close();
  ASSERT_TRUE(WaitUntil([&] { return !x().Exists(closed); }, kHostBackTimeout));
  pages.AddPage("/go", "ok");

  ASSERT_TRUE(WaitForRequest("/thankyou.html"));
  EXPECT_EQ(program.process().WaitExit(kExitTimeout), std::optional<int>(0));
  ExpectAllGone(engine);
}

BREVOLT_INSTANTIATE_WM_TESTS(Endings);

}  // namespace
}  // namespace brevolt::test
