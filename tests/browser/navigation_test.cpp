// What the view reports: one notification per committed navigation of the
// top page or of a frame, with the address finally reached.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/browser/browser_host.h"
#include "tests/harness/page_server.h"

namespace brevolt::test {
namespace {

constexpr auto kTimeout = std::chrono::seconds(30);
constexpr const char* kSentinel = "/sentinel";

// A script that tells the server once the page (or frame) has loaded.
std::string MarkOnLoad(const std::string& name) {
  return "<script>addEventListener('load', () => fetch('/mark/" + name + "'));</script>";
}

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override { server_.AddPage(kSentinel, "<p>sentinel</p>"); }
  void LoadAndSettle(const std::string& path, const std::string& mark) {
    host_.Navigate(server_.Url(path));
    ASSERT_TRUE(host_.RunUntil([&] { return server_.Saw("/mark/" + mark); }, kTimeout));
    ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  }
  // Once the view has finished loading (a new load would cut short one in
  // progress, and its report with it), sends the top page on to a page of
  // its own and runs until that is reported: the view reports navigations
  // in the order they happen, so anything late or repeated from what came
  // before has arrived by then.
  void FollowWithSentinel() {
    ASSERT_TRUE(host_.RunUntil([&] { return !host_.Loading(); }, kTimeout));
    const int before = host_.CountOf(Sentinel());
    host_.Navigate(server_.Url(kSentinel));
    ASSERT_TRUE(host_.RunUntil([&] { return host_.CountOf(Sentinel()) > before; }, kTimeout))
        << "the sentinel page was never reported";
  }
  Notification Top(const std::string& path) const { return {true, server_.Url(path)}; }
  Notification Frame(const std::string& path) const { return {false, server_.Url(path)}; }
  Notification Sentinel() const { return Top(kSentinel); }

  PageServer server_;
  BrowserHost host_;
};

TEST_F(NavigationTest, TopPageIsReportedOnceAtItsAddress) {
  server_.AddPage("/page", "<p>page</p>" + MarkOnLoad("page"));
  LoadAndSettle("/page", "page");
  EXPECT_EQ(host_.notifications(), (std::vector{Top("/page"), Sentinel()}));
}

TEST_F(NavigationTest, ServerRedirectsReportOnlyTheFinalAddress) {
  server_.AddRedirect("/start", "/hop");
  server_.AddRedirect("/hop", "/final");
  server_.AddPage("/final", "<p>final</p>" + MarkOnLoad("final"));
  LoadAndSettle("/start", "final");
  EXPECT_EQ(host_.notifications(), (std::vector{Top("/final"), Sentinel()}));
}

TEST_F(NavigationTest, UnreachableAddressIsStillReportedOnce) {
  const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/nowhere";
  host_.Navigate(url);
  ASSERT_TRUE(host_.RunUntil([&] { return !host_.notifications().empty(); }, kTimeout));
  ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  EXPECT_EQ(host_.notifications(), (std::vector<Notification>{{true, url}, Sentinel()}));
}

TEST_F(NavigationTest, EveryFrameNavigationIsReportedOnce) {
  server_.AddPage("/frames",
                  "<iframe id=a src='/frame/a'></iframe>"
                  "<iframe src='/frame/thankyou.html'></iframe>"
                  "<iframe src='/frame/redirect'></iframe>"
                  // No document arrives, so this frame never navigates.
                  "<iframe src='/frame/no-content'></iframe>"
                  "<iframe src='/frame/reset-content'></iframe>"
                  // A frame that moves on later, by script.
                  "<script>addEventListener('load', () => { a.src = '/frame/b'; });</script>");
  server_.AddPage("/frame/a", "<p>a</p>");
  server_.AddPage("/frame/thankyou.html", "<p>thanks</p>");
  server_.AddRedirect("/frame/redirect", "/frame/landed");
  server_.AddPage("/frame/landed", "<p>landed</p>");
  server_.AddBodiless("/frame/no-content", 204);
  server_.AddBodiless("/frame/reset-content", 205);
  server_.AddPage("/frame/b", "<p>b</p>" + MarkOnLoad("b"));
  LoadAndSettle("/frames", "b");
  EXPECT_TRUE(server_.Saw("/frame/no-content"));
  EXPECT_TRUE(server_.Saw("/frame/reset-content"));

  const auto& seen = host_.notifications();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), Top("/frames"));
  for (const char* path : {"/frame/a", "/frame/thankyou.html", "/frame/landed", "/frame/b"}) {
    EXPECT_EQ(host_.CountOf(Frame(path)), 1) << path;
  }
  EXPECT_EQ(seen.back(), Sentinel());
  EXPECT_EQ(seen.size(), 6u) << ::testing::PrintToString(seen);
}

TEST_F(NavigationTest, SubresourcesAreNotReported) {
  server_.AddPage("/subresources",
                  "<link rel=stylesheet href='/style.css'>"
                  "<img src='/picture.png'>"
                  "<script src='/script.js'></script>"
                  "<script>addEventListener('load', async () => {"
                  "  await fetch('/data.json'); fetch('/mark/subresources'); });</script>");
  server_.Add("/style.css", "text/css", "body{background:url(/bg.png)}");
  server_.Add("/picture.png", "image/png", "not really a picture");
  server_.Add("/bg.png", "image/png", "not really a picture");
  server_.Add("/script.js", "text/javascript", "var loaded = 1;");
  server_.Add("/data.json", "application/json", "{}");
  LoadAndSettle("/subresources", "subresources");

  for (const char* path : {"/style.css", "/picture.png", "/script.js", "/data.json"}) {
    EXPECT_TRUE(server_.Saw(path)) << path << " was never asked for";
  }
  EXPECT_EQ(host_.notifications(), (std::vector{Top("/subresources"), Sentinel()}));
}

TEST_F(NavigationTest, PageScriptsCannotForgeANotification) {
  server_.AddPage(
      "/forge",
      "<script>addEventListener('load', () => {"
      "  const forged = location.origin + '/thankyou';"
      "  const handlers = (window.webkit && window.webkit.messageHandlers) || {};"
      "  for (const name of ['navigateComplete', 'navigation', 'brevolt', ...Object.keys(handlers)])"
      "    try { handlers[name].postMessage(forged); } catch (e) {}"
      "  window.postMessage(forged, '*');"
      "  window.dispatchEvent(new CustomEvent('navigatecomplete', {detail: forged}));"
      "  document.title = forged;"
      // Changes the shown address without a navigation.
      "  history.pushState({}, '', '/thankyou');"
      "  fetch('/mark/forge');"
      "});</script>");
  LoadAndSettle("/forge", "forge");
  EXPECT_EQ(host_.notifications(), (std::vector{Top("/forge"), Sentinel()}));
}

TEST_F(NavigationTest, LocalFilesAreRefusedInThePageAndItsFrames) {
  host_.Navigate("file:///etc/hostname");
  ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  EXPECT_EQ(host_.notifications(), std::vector{Sentinel()});

  server_.AddPage("/stay",
                  "<iframe src='file:///etc/hostname'></iframe>"
                  "<script>addEventListener('load', () => {"
                  "  location.href = 'file:///etc/hostname';"
                  // Still running a while later only if the page stayed.
                  "  setTimeout(() => fetch('/mark/stayed'), 1000); });</script>");
  LoadAndSettle("/stay", "stayed");
  EXPECT_EQ(host_.notifications(), (std::vector{Sentinel(), Top("/stay"), Sentinel()}));
}

}  // namespace
}  // namespace brevolt::test
