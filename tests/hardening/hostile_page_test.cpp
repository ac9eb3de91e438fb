// A sign-up page that tries everything a page can to get out of its window:
// pop-ups with and without a click, new-window links, downloads, binary
// responses, local files, a redirect loop, megabytes of markup and bursts of
// navigations. The program keeps one window, writes nothing, and still
// follows the page to its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/e2e/startup/map_order_log.h"
#include "tests/hardening/traced_run.h"
#include "tests/harness/page_server.h"

namespace brevolt::test::hardening {
namespace {

using namespace std::chrono_literals;
using HostilePageTest = TracedRunTest;

constexpr auto kMarkTimeout = 60s;
constexpr int kBurst = 100;

// The page is laid out in a grid of three columns and two rows filling the
// view. The view sits 8 px left of and 19 px above the window's client
// area, so a cell's centre in client coordinates is:
struct Cell {
  int x;
  int y;
};
constexpr Cell kOpenOnClick{80, 75};
constexpr Cell kBlankTarget{256, 75};
constexpr Cell kDownload{432, 75};
constexpr Cell kBinary{80, 264};
constexpr Cell kFrames{256, 264};
constexpr Cell kThankYou{432, 264};

std::string Cells() {
  const auto cell = [](int column, int row, const std::string& inner) {
    return "<div class=cell style='left:" + std::to_string(column * 100 / 3) +
           "vw;top:" + std::to_string(row * 50) + "vh'>" + inner + "</div>";
  };
  // keepalive: the click's own navigation may otherwise cancel the mark
  // before it is sent.
  const auto mark = [](const std::string& name) {
    return " onclick=\"fetch('/mark/" + name + "', {keepalive: true})\"";
  };
  return cell(0, 0, "<div class=fill id=opener>open</div>") +
         cell(1, 0, "<a class=fill href='/popup-blank' target=_blank" + mark("blank") + ">blank</a>") +
         cell(2, 0, "<a class=fill href='/file.bin' download='saved.bin'" + mark("download") +
                        ">download</a>") +
         cell(0, 1, "<a class=fill href='/binary.bin'" + mark("binary") + ">binary</a>") +
         cell(1, 1, "<div class=fill id=frames>frames</div>") +
         cell(2, 1, "<a class=fill href='/thankyou.html'>done</a>");
}

// Several megabytes that a browser must parse and lay out.
std::string Bulk(std::size_t bytes) {
  std::string bulk;
  bulk.reserve(bytes + 64);
  for (int i = 0; bulk.size() < bytes; ++i) {
    bulk += "<p>paragraph " + std::to_string(i) + " of bulk text to lay out</p>\n";
  }
  return bulk;
}

std::string SignUpPage() {
  return R"(<!DOCTYPE html><html><head><style>
body { margin: 0; }
.cell { position: fixed; width: 33.3vw; height: 50vh; }
.fill { display: block; width: 100%; height: 100%; }
iframe { position: fixed; left: 0; top: 0; width: 10px; height: 10px; opacity: 0; }
#bulk { display: none; }
</style></head><body>)" +
         Cells() + R"(
<script>
const mark = (name) => fetch('/mark/' + name);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const frame = (src) => {
  const f = document.createElement('iframe');
  f.src = src;
  document.body.appendChild(f);
  return f;
};
const click = (attributes) => {
  const a = document.createElement('a');
  for (const [k, v] of Object.entries(attributes)) a.setAttribute(k, v);
  document.body.appendChild(a);
  a.click();
};
document.getElementById('opener').addEventListener('click', () => {
  mark('opener');
  window.open('/popup-clicked');
  window.open('/popup-clicked-2', 'named', 'width=300,height=200');
});
document.getElementById('frames').addEventListener('click', async () => {
  mark('frames-clicked');
  // Frames that navigate a hundred times, as fast as the page can ask.
  const f = frame('/burst?i=start');
  for (let i = 0; i < )" + std::to_string(kBurst) + R"(; ++i) {
    f.src = '/burst?i=' + i;
    location.hash = 'h' + i;
    await sleep(5);
  }
  await mark('frames-done');
  // Then the top page itself, a hundred times over.
  location.href = '/top-burst';
});
async function hostile() {
  // Pop-ups without a click.
  window.open('/popup-auto');
  window.open('/loop/a', '_blank');
  window.open('about:blank');
  click({href: '/popup-scripted', target: '_blank'});
  // A download the page starts on its own, and one the server insists on.
  click({href: '/file.bin', download: 'auto.bin'});
  frame('/attachment');
  // Local files, a redirect loop, a binary file and megabytes of markup.
  frame('file:///etc/passwd');
  frame('file:///');
  frame('/loop/a');
  frame('/binary.bin');
  frame('/big.html');
  mark('ready');
}
if (location.search.includes('n=')) {
  mark('reloaded');
} else {
  hostile();
}
</script>
<div id=bulk>)" + Bulk(3 << 20) +
         "</div></body></html>";
}

// The page finally navigates the top page a hundred times in a row; the one
// that commits lands on the page again, with a query that stops it there.
std::string BurstOfTopNavigations() {
  return "<script>(async () => { for (let i = 0; i < " + std::to_string(kBurst) +
         "; ++i) { location.href = '/posttobrevolt2.asp?n=' + i; "
         "await new Promise((d) => setTimeout(d, 5)); } })();</script>";
}

class Page {
 public:
  Page() : server_(SignUpPort()) {
    server_.AddPage("/posttobrevolt2.asp", SignUpPage());
    server_.AddPage("/burst", "<p>burst</p>");
    server_.AddPage("/top-burst", BurstOfTopNavigations());
    server_.AddPage("/thankyou.html", "<p>thank you</p>");
    server_.AddPage("/big.html", "<!DOCTYPE html><body>" + Bulk(8 << 20) + "</body>");
    server_.Add("/binary.bin", "application/octet-stream", std::string(1 << 20, '\x7f'));
    server_.Add("/file.bin", "application/octet-stream", std::string(4096, '\x01'));
    server_.Add("/attachment", "text/html", "<p>attached</p>",
                {{"Content-Disposition", "attachment; filename=\"attached.html\""}});
    server_.AddRedirect("/loop/a", "/loop/b");
    server_.AddRedirect("/loop/b", "/loop/a");
    for (const char* path : {"/popup-auto", "/popup-clicked", "/popup-clicked-2", "/popup-blank",
                             "/popup-scripted"}) {
      server_.AddPage(path, "<p>pop-up</p>");
    }
  }
  PageServer& server() { return server_; }
  bool WaitForMark(const std::string& name) {
    return WaitUntil([&] { return server_.Saw("/mark/" + name); }, kMarkTimeout);
  }

 private:
  PageServer server_;
};

TEST_F(HostilePageTest, OneWindowNoFilesAndTheJourneyStillEnds) {
  Page page;
  // Every window shown from now on, however briefly.
  MapOrderLog maps(session_->display());
  ASSERT_NO_FATAL_FAILURE(Start());
  const pid_t program = ProgramPid(*program_);
  ASSERT_GT(program, 0);
  std::vector<XWindow> ours = WindowAndFrame(*x_, window_);
  for (XWindow host : WindowAndFrame(*x_, host_->window())) ours.push_back(host);

  const auto only_our_window = [&] {
    EXPECT_TRUE(program_->process().Running()) << "the program ended on the page's doings";
    EXPECT_EQ(ViewableTopLevels(*x_), std::vector<XWindow>{window_});
    EXPECT_EQ(ViewableWindowsOf(*x_, program), std::vector<XWindow>{window_});
  };

  ASSERT_TRUE(page.WaitForMark("ready")) << "the page's own pop-ups and frames were never tried";
  // The hostile parts were really asked for, not skipped.
  for (const char* path : {"/big.html", "/loop/a", "/loop/b", "/binary.bin", "/attachment"}) {
    EXPECT_TRUE(WaitUntil([&] { return page.server().Saw(path); }, kMarkTimeout)) << path;
  }
  only_our_window();

  const auto client = x_->Geometry(window_);
  ASSERT_TRUE(client);
  const auto click = [&](Cell cell, const std::string& mark) {
    ASSERT_NO_FATAL_FAILURE(Focus(window_));
    ClickAt(client->x + cell.x, client->y + cell.y);
    EXPECT_TRUE(page.WaitForMark(mark)) << "the click on " << mark << " did not reach the page";
  };
  click(kOpenOnClick, "opener");
  click(kBlankTarget, "blank");
  click(kDownload, "download");
  // Refused as a download, so the page stays where it is.
  click(kBinary, "binary");
  click(kFrames, "frames-clicked");
  EXPECT_TRUE(page.WaitForMark("frames-done"));
  ASSERT_TRUE(page.WaitForMark("reloaded")) << "the burst of top-page navigations never settled";
  only_our_window();

  // The window still follows the page: its last navigation ends the journey.
  ASSERT_NO_FATAL_FAILURE(Focus(window_));
  ClickAt(client->x + kThankYou.x, client->y + kThankYou.y);
  ExpectEndedCleanly();
  EXPECT_TRUE(WaitUntil([&] { return x_->Viewable(host_->window()); }, kExitTimeout))
      << "the product's window was not given back";

  // The program took the page's doings in turn and ended on the last, so
  // whatever any of them could have opened was opened before it ended.
  for (const char* popup : {"/popup-auto", "/popup-clicked", "/popup-clicked-2", "/popup-blank",
                            "/popup-scripted"}) {
    EXPECT_FALSE(page.server().Saw(popup)) << popup << " was loaded";
  }
  // The product's window is shown in a new frame once given back.
  for (XWindow host : WindowAndFrame(*x_, host_->window())) ours.push_back(host);
  maps.Collect();
  for (const MapEvent& event : maps.events()) {
    if (event.kind != MapEvent::Kind::kMap || event.override_redirect) continue;
    EXPECT_NE(std::find(ours.begin(), ours.end(), event.window), ours.end())
        << "another window, " << event.window << ", was shown";
  }
  ExpectNothingWritten(3);
}

}  // namespace
}  // namespace brevolt::test::hardening
