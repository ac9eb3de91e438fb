// The product's window on Wayland desktops: put aside before our window
// shows, left aside by a close, given back focused on a marker address; and
// on a desktop that allows none of it, everything else as usual.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/texts.h"
#include "platform/sway/sway_tree.h"
#include "tests/e2e/common/journey.h"
#include "tests/e2e/offline/x_messages.h"
#include "tests/harness/page_server.h"
#include "tests/harness/test_host.h"
#include "tests/harness/wayland_session.h"

namespace brevolt::test {
namespace {
namespace fs = std::filesystem;

constexpr auto kWindowTimeout = std::chrono::seconds(20);
constexpr auto kExitTimeout = std::chrono::seconds(30);

class WaylandJourney : public ::testing::Test {
 protected:
  void StartDesktop(WaylandSession::Compositor compositor) {
    session_ = std::make_unique<WaylandSession>(compositor);
  }
  WaylandSession& session() { return *session_; }

  // A GTK window titled `title` on GDK's `backend` ("wayland" or "x11").
  std::unique_ptr<TestHost> StartWindow(const std::string& title, const std::string& backend) {
    std::vector<std::string> env = session().ClientEnv();
    env.insert(env.end(), {"GDK_BACKEND=" + backend, "HOME=" + session().dir().string(),
                           "XDG_RUNTIME_DIR=" + session().runtime().string(),
                           "DBUS_SESSION_BUS_ADDRESS=disabled:", "NO_AT_BRIDGE=1"});
    return std::make_unique<TestHost>(
        title, std::vector<std::string>{},
        session().AsUser({session().Program("brevolt-test-gtk-host")}, env));
  }

  // The program as the session's user, its stderr kept in `name`.log.
  std::unique_ptr<Brevolt> StartProgram(const std::string& name,
                                        const std::vector<std::string>& env = {}) {
    const fs::path root = session().dir() / name;
    for (const fs::path& folder : PrivateFolders(root)) fs::create_directories(folder);
    session().HandOver(root);
    BrevoltOptions options;
    options.stderr_path = root / "stderr.log";
    options.env = session().ClientEnv();
    options.wrapper = session().AsUser({}, env);
    options.program = session().Program("brevolt");
    return std::make_unique<Brevolt>(root, options);
  }
  std::string StandardError(const std::string& name) {
    std::stringstream text;
    text << std::ifstream(session().dir() / name / "stderr.log").rdbuf();
    return text.str();
  }

  std::optional<platform::SwayView> View(const std::string& title) {
    return platform::FindSwayViewByTitle(session().SwayMsg({"-t", "get_tree"}), title);
  }
  // The product's window as sway had it when ours first appeared.
  std::optional<platform::SwayView> ProductWhenOursMaps(Brevolt& program) {
    std::optional<platform::SwayView> product;
    WaitUntil(
        [&] {
          const std::string tree = session().SwayMsg({"-t", "get_tree"});
          product = platform::FindSwayViewByTitle(tree, kProductTitle);
          return platform::FindSwayViewByTitle(tree, kOwnWindowTitle) ||
                 !program.process().Running();
        },
        kWindowTimeout);
    return product;
  }

  // The sign-up page, going on to a thank-you page once loaded.
  void ServeSignUpPage() {
    pages_ = std::make_unique<PageServer>(SignUpPort());
    pages_->AddPage("/posttobrevolt2.asp",
                    "<script>addEventListener('load', () => setTimeout(() => "
                    "{ location.href = '/thankyou.html'; }, 300));</script>");
    pages_->AddPage("/thankyou.html", "<p>Thank you</p>");
  }
  void StopServing() { pages_.reset(); }

 private:
  std::unique_ptr<WaylandSession> session_;
  std::unique_ptr<PageServer> pages_;
};

// sway, through its IPC: the product drawn natively (left tiled) and on
// XWayland (made floating), each back as it was.
class SwayJourney : public WaylandJourney, public ::testing::WithParamInterface<const char*> {
 protected:
  bool floating() const { return std::string(GetParam()) == "x11"; }
};

TEST_P(SwayJourney, ParkedInTheScratchpadAndBackAsItWasFocused) {
  StartDesktop(WaylandSession::Compositor::kSway);
  auto product = StartWindow(kProductTitle, GetParam());
  std::optional<platform::SwayView> before;
  ASSERT_TRUE(WaitUntil([&] { return (before = View(kProductTitle)).has_value(); },
                        kWindowTimeout));
  if (floating()) session().SwayMsg({"[con_id=" + std::to_string(before->id) + "]", "floating",
                                     "enable"});
  // Would take the focus back when our window goes, if the product's
  // return did not.
  auto elsewhere = StartWindow("Elsewhere", "wayland");

  ServeSignUpPage();
  auto online = StartProgram("online");
  auto hidden = ProductWhenOursMaps(*online);
  ASSERT_TRUE(hidden);
  EXPECT_TRUE(hidden->in_scratchpad) << "the product was still out when our window mapped";
  EXPECT_EQ(online->process().WaitExit(kExitTimeout), 0);
  auto back = View(kProductTitle);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->in_scratchpad);
  EXPECT_EQ(back->floating, floating());
  EXPECT_TRUE(back->focused);

  StopServing();
  auto offline = StartProgram("offline");
  hidden = ProductWhenOursMaps(*offline);
  ASSERT_TRUE(hidden);
  EXPECT_TRUE(hidden->in_scratchpad);
  session().SwayMsg({"[title=\"^" + std::string(kOwnWindowTitle) + "$\"]", "kill"});
  EXPECT_EQ(offline->process().WaitExit(kExitTimeout), 0);
  back = View(kProductTitle);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->in_scratchpad) << "a close gave the product back";
  EXPECT_EQ(StandardError("online") + StandardError("offline"), "");
}

INSTANTIATE_TEST_SUITE_P(Product, SwayJourney, ::testing::Values("wayland", "x11"),
                         [](const auto& info) { return std::string(info.param); });

// Without its IPC, sway still offers the wlroots protocol: the product is
// found and activated through it. sway ignores the minimise, so the request
// is read off the wire instead.
TEST_F(WaylandJourney, WlrootsProtocolFindsMinimisesAndActivates) {
  StartDesktop(WaylandSession::Compositor::kSway);
  auto product = StartWindow(kProductTitle, "wayland");
  auto elsewhere = StartWindow("Elsewhere", "wayland");
  ServeSignUpPage();
  auto program = StartProgram("wlr", {"SWAYSOCK=", "WAYLAND_DEBUG=1"});
  const auto shown = ProductWhenOursMaps(*program);
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->in_scratchpad);
  EXPECT_EQ(program->process().WaitExit(kExitTimeout), 0);
  const auto back = View(kProductTitle);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->focused);

  const std::string wire = StandardError("wlr");
  std::smatch handle;
  ASSERT_TRUE(std::regex_search(
      wire, handle, std::regex(R"((zwlr_foreign_toplevel_handle_v1@\d+)\.title\(")" +
                                   std::string(kProductTitle) + R"("\))")));
  // Where each request to the product's window went out; npos, never.
  const std::string to_product = "-> " + handle[1].str();
  const auto sent = [&](const char* request) { return wire.find(to_product + request); };
  EXPECT_LT(sent(".set_minimized()"), sent(".unset_minimized()"));
  EXPECT_LT(sent(".unset_minimized()"), sent(".activate(wl_seat@"));
  EXPECT_NE(sent(".activate(wl_seat@"), std::string::npos);
}

// KWin honours the minimise: a product on XWayland is unmapped before our
// window shows and comes back mapped and active on a marker.
TEST_F(WaylandJourney, KdeWindowManagementMinimisesAndGivesBack) {
  StartDesktop(WaylandSession::Compositor::kKwin);
  auto product = StartWindow(kProductTitle, "x11");
  XQuery x(session().x_display());
  const auto product_on_x = x.FindByTitle(kProductTitle);
  ASSERT_EQ(product_on_x.size(), 1u);
  ServeSignUpPage();
  auto program = StartProgram("kde");
  ASSERT_NE(program->WaitForWindow(x), 0u);
  EXPECT_FALSE(x.Viewable(product_on_x[0])) << "the product was still out when our window mapped";
  EXPECT_EQ(program->process().WaitExit(kExitTimeout), 0);
  EXPECT_TRUE(WaitUntil([&] { return x.Viewable(product_on_x[0]); }, kWindowTimeout));
  EXPECT_TRUE(WaitUntil([&] { return x.ActiveWindow() == product_on_x[0]; }, kWindowTimeout));
  EXPECT_EQ(StandardError("kde"), "");
}

// weston lets no client touch another's window: a product drawn natively
// stays as it is and one line says why; one on XWayland is still reached
// through X11. The program's window works as anywhere.
class WestonJourney : public WaylandJourney, public ::testing::WithParamInterface<const char*> {};

TEST_P(WestonJourney, OnlyAnXWaylandProductIsPutAsideAndOneLineSaysWhy) {
  const bool on_x = std::string(GetParam()) == "x11";
  StartDesktop(WaylandSession::Compositor::kWeston);
  auto product = StartWindow(kProductTitle, GetParam());
  auto program = StartProgram("weston");
  XQuery x(session().x_display());
  const XWindow own = program->WaitForWindow(x);
  ASSERT_NE(own, 0u);
  const auto product_on_x = x.FindByTitle(kProductTitle);
  EXPECT_EQ(product_on_x.size(), on_x ? 1u : 0u);
  for (XWindow w : product_on_x) EXPECT_FALSE(x.Viewable(w)) << "left on screen";
  SendDeleteWindow(x, own);
  EXPECT_EQ(program->process().WaitExit(kExitTimeout), 0);
  EXPECT_TRUE(product->process().Running());
  const std::string said = StandardError("weston");
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("lets no other program hide or show its windows"), std::string::npos);
  if (on_x) return;

  // A session without XWayland leaves our window nowhere to go.
  auto no_x = StartProgram("no-x", {"DISPLAY="});
  EXPECT_EQ(no_x->process().WaitExit(kExitTimeout), 1);
  EXPECT_NE(StandardError("no-x").find("no XWayland"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Product, WestonJourney, ::testing::Values("wayland", "x11"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace brevolt::test
