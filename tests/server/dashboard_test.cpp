// The admin dashboard in a real browser (headless Chromium, driven by
// tests/server/dashboard_probe.py): it loads with nothing to complain of,
// shows what stats prints, and draws one mark per day.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "server/constants.h"
#include "server/store/sqlite/sqlite_store.h"
#include "tests/harness/server_process.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

constexpr auto kProbeTimeout = std::chrono::seconds(60);
constexpr const char* kToken = "dashboard-token-for-the-tests";
constexpr int kDays = kDefaultDashboardDays;

std::vector<std::string> output_of(std::vector<std::string> args) {
  brevolt::test::Child child(std::move(args));
  std::vector<std::string> lines;
  while (auto line = child.ReadLine(kProbeTimeout)) {
    if (line->ends_with('\r')) line->pop_back();
    lines.push_back(*line);
  }
  EXPECT_EQ(child.WaitExit(kProbeTimeout), 0);
  return lines;
}

// Today through the store, as the server records it; the days before as
// the table holds them, so that the chart has something to show.
void seed(const std::filesystem::path& db) {
  {
    SqliteStore store(db.string(), kTestBusyTimeout);
    for (const auto* email : {"a@example.com", "b@example.com", "c@example.com"}) {
      const auto signup = list_signup(email, true);
      ASSERT_EQ(store.sign_up(signup), ListSignupResult(ListSignupOutcome::MailQueued));
      if (signup.email != "c@example.com") store.list().confirm(signup.token_hash);
      if (signup.email == "a@example.com") store.list().unsubscribe(signup.token_hash);
    }
    store.add_views(17);
  }
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.string().c_str(), &raw), SQLITE_OK);
  const std::unique_ptr<sqlite3, int (*)(sqlite3*)> conn(raw, &sqlite3_close);
  const auto sql =
      "WITH RECURSIVE back(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM back WHERE n < " +
      std::to_string(kDays - 3) +
      ") INSERT INTO daily_counts (day, views, signups, confirmed, unsubscribed)"
      " SELECT date('now', '-' || n || ' days'), 40 + (n * 37) % 60, 6 + (n * 7) % 9,"
      " 3 + (n * 5) % 6, (n * 2) % 3 FROM back WHERE n % 9 != 4";  // some days stay empty
  ASSERT_EQ(sqlite3_exec(conn.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
}

TEST(Dashboard, ShowsWhatStatsPrintsInARealBrowserWithoutAComplaint) {
  ScratchDir dir{"brevolt-dashboard"};
  const auto db = dir.path() / "list.db";
  seed(db);
  std::ofstream(dir.path() / "token") << kToken << '\n';
  brevolt::test::ServerProcess server({"--db", db.string(), "--admin-listen", "127.0.0.1:0",
                                       "--admin-token-file", (dir.path() / "token").string()});
  server.port();
  const std::string admin = "admin on http://127.0.0.1:";
  const auto line = server.process().WaitForLine(admin, kProbeTimeout);
  ASSERT_TRUE(line);
  const auto url = "http://127.0.0.1:" + std::to_string(std::stoi(line->substr(admin.size()))) +
                   "/?" + std::string(kDaysField) + "=" + std::to_string(kDays);

  std::filesystem::create_directories(BREVOLT_SCREENSHOT_DIR);
  std::filesystem::create_directories(dir.path() / "profile");
  const auto seen = output_of({BREVOLT_TEST_PYTHON, BREVOLT_DASHBOARD_PROBE_SCRIPT, url, kToken,
                               std::string(BREVOLT_SCREENSHOT_DIR) + "/dashboard.png",
                               (dir.path() / "profile").string()});
  const auto stats = output_of({BREVOLT_SIGNUP_SERVER_PATH, "stats", "--db", db.string(),
                                "--days", std::to_string(kDays), "--format", "csv"});
  ASSERT_EQ(stats.size(), static_cast<std::size_t>(kDays + 4));
  // The per-day rows and the total, as the table under the chart has them;
  // two mails wait (the one who left took theirs along).
  std::vector<std::string> expected;
  for (int i = 1; i <= kDays + 1; ++i) {
    auto row = stats[static_cast<std::size_t>(i)];
    if (row.starts_with("total,")) row.replace(0, 5, "Total");
    expected.push_back(row);
  }
  EXPECT_EQ(expected.back(), "Total," + stats[stats.size() - 3].substr(6));
  for (const std::string view : {"desktop", "phone-dark"}) {
    std::vector<std::string> rows;
    std::set<std::string> facts;
    for (const auto& said : seen) {
      if (!said.starts_with(view + " ")) continue;
      const auto fact = said.substr(view.size() + 1);
      if (fact.starts_with("rows ")) {
        rows.push_back(fact.substr(5));
      } else {
        facts.insert(fact);
      }
    }
    EXPECT_EQ(rows, expected) << view;
    EXPECT_TRUE(facts.contains("marks " + std::to_string(kDays))) << view;
    EXPECT_TRUE(facts.contains("scripts 0") && facts.contains("resources 0")) << view;
    EXPECT_TRUE(facts.contains("overflow false")) << view << ": wider than the screen";
    EXPECT_TRUE(facts.contains("cards outbox-waiting=2")) << view;
  }
  for (const auto& said : seen) EXPECT_FALSE(said.starts_with("problem ")) << said;
  // Dark is not light.
  std::set<std::string> backgrounds;
  for (const auto& said : seen) {
    if (const auto at = said.find(" background "); at != std::string::npos) {
      backgrounds.insert(said.substr(at));
    }
  }
  EXPECT_EQ(backgrounds.size(), 2u);
}

}  // namespace
}  // namespace brevolt::signup::test
