// The Windows program's online face under Wine, driven from the X side
// against the reference sign-up server. Wine's control requests the page but
// has no HTML engine to show it, so what can be seen here is the request
// itself and what the run leaves in the user's profile; the page's
// completion is covered by the sink's tests (brevolt_webbrowser_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/common/journey.h"
#include "tests/e2e/common/wine.h"
#include "tests/e2e/offline/program_run.h"
#include "tests/e2e/offline/x_messages.h"
#include "tests/harness/test_host.h"
#include "tests/harness/x_query.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPageRequest = "GET /posttobrevolt2.asp";
// Long enough for a second request, were there one, to reach the server.
constexpr auto kSettle = std::chrono::milliseconds(3000);

// Every file and folder of the Wine user profiles, with size and time.
using Snapshot = std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>;

Snapshot SnapshotProfiles() {
  Snapshot files;
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr) return files;
  std::error_code error;
  for (const auto& entry :
       fs::recursive_directory_iterator(fs::path(prefix) / "drive_c" / "users", error)) {
    const bool is_file = entry.is_regular_file(error);
    files[entry.path().string()] = {is_file ? entry.file_size(error) : 0,
                                    entry.last_write_time(error)};
  }
  return files;
}

// Paths added or changed from `before` to `after`.
std::vector<std::string> Changes(const Snapshot& before, const Snapshot& after) {
  std::vector<std::string> changed;
  for (const auto& [path, state] : after) {
    const auto was = before.find(path);
    if (was == before.end() || was->second != state) changed.push_back(path);
  }
  return changed;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text;
}

// WinINet makes its cache and cookie stores (folders and an index.dat
// each) the first time anything in the prefix uses them; a real profile has
// them from the start. Any other file would be something kept: a cached
// page or a cookie. (Wine's index keeps the bytes of a deleted entry; that
// the page is no longer listed there is checked from inside, by
// brevolt_webbrowser_control_test.)
bool IsEmptyStoreScaffolding(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error) || path.filename() == "index.dat";
}

// Whether brevolt.exe's keyboard focus is inside the control's windows.
bool FocusInPage() {
  Child check(WineCommand("focus_check.exe"));
  return check.WaitExit(kUiTimeout) == 0;
}

int PageRequests(const SignUpServer& server) {
  int count = 0;
  for (const std::string& line : server.Requests()) count += line.starts_with(kPageRequest);
  return count;
}

// One run of brevolt.exe beside the Windows stand-in product window.
class WineRun {
 public:
  explicit WineRun(XSession& session)
      : x_(session.display()),
        host_(kHostTitle, {}, WineCommand("host_window.exe")),
        program_(scratch_.path(), WindowsBrevolt()),
        window_(program_.WaitForWindow(x_, kWindowTimeout)) {}

  XQuery& x() { return x_; }
  XWindow window() const { return window_; }

  // Gives the focus to another window, then back to the program's.
  void Reactivate() {
    {
      TestHost other("Another window", {}, WineCommand("host_window.exe"));
      ASSERT_TRUE(WaitUntil([] { return !FocusInPage(); }, kUiTimeout)) << "the focus never left";
    }
    x_.Activate(window_);
  }

  // Closes the window as a user would; the program ends with status 0.
  std::optional<int> Close() {
    SendDeleteWindow(x_, window_);
    const std::optional<int> status = program_.process().WaitExit(kUiTimeout);
    host_.Close();
    EndWinePrograms();
    return status;
  }

 private:
  ScratchDir scratch_{"brevolt-e2e-wine-online"};
  XQuery x_;
  TestHost host_;
  Brevolt program_;
  XWindow window_;
};

TEST(WindowsOnline, RequestsThePageOnceAndLeavesNoMoreInTheProfileThanABareRun) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  // A window manager, so the program's window can be activated again.
  XSession session(XSession::Wm::kOpenbox);
  ScratchDir data("brevolt-e2e-wine-server");

  // A bare run first: the offline face, nothing listening.
  const Snapshot start = SnapshotProfiles();
  {
    WineRun bare(session);
    ASSERT_NE(bare.window(), 0u) << "the offline run's window never appeared";
    EXPECT_EQ(bare.Close(), 0);
  }
  const Snapshot after_bare = SnapshotProfiles();
  const std::vector<std::string> bare_changes = Changes(start, after_bare);

  SignUpServer server(data.path());
  {
    WineRun online(session);
    ASSERT_NE(online.window(), 0u) << "the online run's window never appeared";
    ASSERT_TRUE(server.WaitForRequest(kPageRequest, kUiTimeout)) << "the page was never requested";
    // The page has the keyboard once shown, and again when re-activated (as
    // far as Wine's control, which has no HTML engine, can show).
    EXPECT_TRUE(WaitUntil(FocusInPage, kUiTimeout)) << "not in the page after the first showing";
    server.Drain(kSettle);
    online.Reactivate();
    EXPECT_TRUE(WaitUntil(FocusInPage, kUiTimeout)) << "not in the page after re-activation";
    // Counted once the program has handled its close and gone: whatever it
    // was going to ask for, it has.
    EXPECT_EQ(online.Close(), 0);
    server.Drain();
    EXPECT_EQ(PageRequests(server), 1) << Join(server.Requests());
  }

  std::vector<std::string> left;
  for (const std::string& path : Changes(after_bare, SnapshotProfiles())) {
    if (std::find(bare_changes.begin(), bare_changes.end(), path) != bare_changes.end()) continue;
    if (!IsEmptyStoreScaffolding(path)) left.push_back(path);
  }
  EXPECT_TRUE(left.empty()) << "the online run left in the profile:" << Join(left);
}

TEST(WindowsOnline, NeverRequestsThePageWhenTheServerDidNotAnswerTheProbe) {
  SKIP_WITHOUT_WINDOWS_BUILD();
  XSession session;
  ScratchDir data("brevolt-e2e-wine-server");
  WineRun offline(session);
  ASSERT_NE(offline.window(), 0u) << "the offline run's window never appeared";
  // The server comes up once the offline face is chosen; the program must
  // not go looking for it.
  SignUpServer server(data.path());
  server.Drain(kSettle);
  // Counted once the program has handled its close and gone.
  EXPECT_EQ(offline.Close(), 0);
  server.Drain();
  EXPECT_EQ(PageRequests(server), 0) << Join(server.Requests());
}

}  // namespace
}  // namespace brevolt::test
