// What the view refuses: new windows, downloads, and loading the engine
// before it is asked for.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/browser/browser_environment.h"
#include "tests/browser/browser_host.h"
#include "tests/harness/page_server.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kTimeout = std::chrono::seconds(30);
constexpr auto kToolTimeout = std::chrono::seconds(10);
// Inside the view, which sits at the screen's corner with no window manager.
constexpr const char* kClickX = "200";
constexpr const char* kClickY = "200";

std::string MarkOnLoad(const std::string& name) {
  return "<script>addEventListener('load', () => fetch('/mark/" + name + "'));</script>";
}

// Marks a click on the page itself, before any link or handler sees it.
std::string MarkOnClick(const std::string& name) {
  return "<script>addEventListener('click', () => fetch('/mark/" + name + "'), true);</script>";
}

void Click() {
  Child xdotool({"xdotool", "mousemove", kClickX, kClickY, "click", "1"});
  ASSERT_EQ(xdotool.WaitExit(kToolTimeout), 0);
}

// Makes a script the desktop's default browser for http(s) addresses; it
// tells the test server which address it was given.
void InstallDefaultBrowser(const PageServer& server) {
  const auto script = Tree().root() / "default-browser.sh";
  std::ofstream(script) << "#!/bin/sh\nexec curl -s -o /dev/null -G --data-urlencode \"u=$1\" "
                        << server.Url("/launched") << "\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  std::filesystem::create_directories(Tree().data() / "applications");
  std::ofstream(Tree().data() / "applications" / "brevolt-test-browser.desktop")
      << "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" << script.string()
      << " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n";
  std::ofstream(Tree().config() / "mimeapps.list")
      << "[Default Applications]\n"
         "x-scheme-handler/http=brevolt-test-browser.desktop\n"
         "x-scheme-handler/https=brevolt-test-browser.desktop\n";
}

std::vector<std::string> Launches(const PageServer& server) {
  std::vector<std::string> launches;
  for (const auto& request : server.Requests()) {
    if (request.starts_with("/launched?u=")) launches.push_back(request.substr(12));
  }
  return launches;
}

constexpr const char* kWholePage = "style='display:block;width:100vw;height:100vh'";

class NewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallDefaultBrowser(server_); }
  void LoadAndClick(const std::string& path, const std::string& html) {
    const std::string mark = "loaded" + path;
    const std::string clicked = "clicked" + path;
    server_.AddPage(path, "<body style='margin:0'>" + html + MarkOnLoad(mark) + MarkOnClick(clicked));
    host_.Navigate(server_.Url(path));
    ASSERT_TRUE(host_.RunUntil([&] { return server_.Saw("/mark/" + mark); }, kTimeout));
    // Loaded as far as the view is concerned, so a later load cannot cut
    // its report short.
    ASSERT_TRUE(host_.RunUntil([&] { return !host_.Loading(); }, kTimeout));
    Click();
    // The view takes the click in its own time; until this page has seen
    // it, the next navigation could put another page under it.
    ASSERT_TRUE(host_.RunUntil([&] { return server_.Saw("/mark/" + clicked); }, kTimeout))
        << "the click never reached " << path;
  }
  // A later click on a new-window link of another page, which goes to the
  // default browser: the view takes new windows in the order asked for, so
  // once this one is launched, whatever the click before could still have
  // opened has been opened too.
  void FollowWithSentinel() {
    ASSERT_NO_FATAL_FAILURE(LoadAndClick(
        "/sentinel-opener",
        std::string("<a href='/sentinel' target=_blank ") + kWholePage + ">x</a>"));
    ASSERT_TRUE(host_.RunUntil(
        [&] { return !Launches(server_).empty() && Launches(server_).back() == Sentinel(); },
        kTimeout))
        << "the sentinel link was never handed to the default browser";
  }
  std::string Sentinel() const { return server_.Url("/sentinel"); }

  PageServer server_;
  BrowserHost host_;
};

TEST_F(NewWindowTest, ClickedBlankTargetGoesToTheDefaultBrowserOnce) {
  LoadAndClick("/opener", std::string("<a href='/popup' target=_blank ") + kWholePage + ">x</a>");
  ASSERT_TRUE(host_.RunUntil([&] { return !Launches(server_).empty(); }, kTimeout));
  ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  EXPECT_EQ(Launches(server_), (std::vector{server_.Url("/popup"), Sentinel()}));
  EXPECT_FALSE(server_.Saw("/popup")) << "the new window's page was loaded here";
  EXPECT_EQ(CountToplevelWindows(), 1);
  EXPECT_EQ(host_.notifications(), (std::vector<Notification>{
                                       {true, server_.Url("/opener")},
                                       {true, server_.Url("/sentinel-opener")}}));
}

TEST_F(NewWindowTest, ScriptOpenedWindowsNeverOpenHere) {
  // One window asked for by a click handler, one without any user action.
  LoadAndClick("/scripted", std::string("<div onclick=\"window.open('/clicked')\" ") + kWholePage +
                                "></div><script>window.open('/unasked');</script>");
  ASSERT_TRUE(host_.RunUntil([&] { return !Launches(server_).empty(); }, kTimeout));
  ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  EXPECT_EQ(Launches(server_), (std::vector{server_.Url("/clicked"), Sentinel()}));
  EXPECT_FALSE(server_.Saw("/clicked"));
  EXPECT_FALSE(server_.Saw("/unasked"));
  EXPECT_EQ(CountToplevelWindows(), 1);
}

TEST_F(NewWindowTest, NonWebAddressesAreDropped) {
  LoadAndClick("/data", std::string("<a href='data:text/html,hello' target=_blank ") + kWholePage +
                            ">x</a>");
  ASSERT_NO_FATAL_FAILURE(FollowWithSentinel());
  EXPECT_EQ(Launches(server_), std::vector{Sentinel()});
  EXPECT_EQ(CountToplevelWindows(), 1);
}

TEST(NewWindowWithoutBrowserTest, ClickIsDroppedQuietly) {
  std::filesystem::remove(Tree().config() / "mimeapps.list");
  std::filesystem::remove_all(Tree().data() / "applications");
  PageServer server;
  BrowserHost host;
  server.AddPage("/opener", std::string("<body style='margin:0'><a href='/popup' target=_blank ") +
                                "onclick=\"fetch('/mark/clicked')\" " + kWholePage + ">x</a>" +
                                MarkOnLoad("loaded"));
  server.AddPage("/sentinel", "<p>sentinel</p>");
  host.Navigate(server.Url("/opener"));
  ASSERT_TRUE(host.RunUntil([&] { return server.Saw("/mark/loaded"); }, kTimeout));
  Click();
  ASSERT_TRUE(host.RunUntil([&] { return server.Saw("/mark/clicked"); }, kTimeout))
      << "the click never reached the link";
  // Still alive and answering: a later navigation, reported after whatever
  // the click could have started.
  ASSERT_TRUE(host.RunUntil([&] { return !host.Loading(); }, kTimeout));
  host.Navigate(server.Url("/sentinel"));
  ASSERT_TRUE(host.RunUntil([&] { return host.notifications().size() == 2; }, kTimeout));
  EXPECT_EQ(host.notifications().back(), (Notification{true, server.Url("/sentinel")}));
  EXPECT_FALSE(server.Saw("/popup"));
  EXPECT_EQ(CountToplevelWindows(), 1);
}

TEST(DownloadTest, DownloadsAreCancelledAndNothingIsWritten) {
  PageServer server;
  BrowserHost host;
  const std::string body(100000, 'x');
  server.Add("/binary", "application/octet-stream", body);
  server.Add("/attachment", "text/plain", body,
             {{"Content-Disposition", "attachment; filename=\"saved.txt\""}});
  server.Add("/linked.txt", "text/plain", body);
  server.AddPage("/downloads",
                 "<iframe src='/binary'></iframe><iframe src='/attachment'></iframe>"
                 "<a id=link href='/linked.txt' download='linked.txt'>x</a>"
                 "<script>addEventListener('load', () => { link.click();"
                 "  setTimeout(() => fetch('/mark/downloads'), 1000); });</script>");
  const auto before = Tree().Snapshot();

  host.Navigate(server.Url("/downloads"));
  ASSERT_TRUE(host.RunUntil([&] { return server.Saw("/mark/downloads"); }, kTimeout));
  EXPECT_TRUE(server.Saw("/binary"));
  EXPECT_TRUE(server.Saw("/attachment"));
  // The top page itself asked to become a download.
  host.Navigate(server.Url("/attachment"));
  ASSERT_TRUE(host.RunUntil([&] { return !host.Loading(); }, kTimeout));
  // A later navigation of the view's own, reported after whatever the
  // refused one could have started.
  server.AddPage("/sentinel", "<p>sentinel</p>");
  host.Navigate(server.Url("/sentinel"));
  ASSERT_TRUE(host.RunUntil([&] { return host.notifications().size() == 2; }, kTimeout));

  EXPECT_EQ(Tree().Snapshot(), before);
  EXPECT_EQ(host.notifications(), (std::vector<Notification>{{true, server.Url("/downloads")},
                                                             {true, server.Url("/sentinel")}}));
}

}  // namespace
}  // namespace brevolt::test
