// The rules every store keeps, run against each: the SQLite file and a
// PostgreSQL database on the test program's own cluster.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "server/admin/stats_command.h"
#include "server/http/routes.h"
#include "server/store/mailing_list.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"
#include "server/store/postgres/pq_pool.h"
#include "server/token.h"
#include "tests/harness/pg_cluster.h"
#include "tests/harness/x_session.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using brevolt::test::SharedPgCluster;

constexpr std::size_t kConnections = 4;

// A store and the means to take its database away and give it back.
struct StoreUnderTest {
  std::unique_ptr<SignupStore> store;
  std::function<std::vector<std::string>()> emails;  // in the order stored
  std::function<void()> go_away;
  std::function<void()> come_back;
  // Moves a time column of every sign-up this far into the past.
  std::function<void(const std::string& column, std::chrono::seconds)> age;
  std::shared_ptr<void> keep;  // whatever the functions above rely on
  std::string location;        // as --db names it
};

struct SqliteCase {
  ScratchDir dir{"brevolt-server"};
  std::filesystem::path db = dir.path() / "signups.db";
  std::unique_ptr<WriteLock> lock;
};

StoreUnderTest sqlite_store() {
  auto state = std::make_shared<SqliteCase>();
  StoreUnderTest t;
  t.store = std::make_unique<SqliteStore>(state->db.string(), kTestBusyTimeout);
  t.emails = [state] {
    std::vector<std::string> emails;
    for (const auto& row : ReadSignups(state->db)) emails.push_back(row.email);
    return emails;
  };
  // Another writer holding the file past the busy timeout.
  t.go_away = [state] { state->lock = std::make_unique<WriteLock>(state->db); };
  t.come_back = [state] { state->lock.reset(); };
  t.age = [state](const std::string& column, std::chrono::seconds by) {
    sqlite3* db = nullptr;
    sqlite3_open(state->db.c_str(), &db);
    const auto sql = "UPDATE signups SET " + column + " = strftime('%Y-%m-%dT%H:%M:%fZ', " +
                     column + ", '-" + std::to_string(by.count()) + " seconds')";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  };
  t.keep = state;
  t.location = state->db.string();
  return t;
}

StoreUnderTest postgres_store() {
  auto& cluster = SharedPgCluster();
  const auto uri = cluster.create_database();
  StoreUnderTest t;
  t.store = std::make_unique<PostgresStore>(uri, kTestBusyTimeout * 10, kConnections);
  t.emails = [&cluster, uri] { return cluster.query(uri, "SELECT email FROM signups ORDER BY id"); };
  t.go_away = [&cluster] { cluster.stop(); };
  t.location = uri;
  t.come_back = [&cluster] { cluster.start(); };
  t.age = [&cluster, uri](const std::string& column, std::chrono::seconds by) {
    cluster.query(uri, "UPDATE signups SET " + column + " = " + column +
                           " - make_interval(secs => " + std::to_string(by.count()) + ")");
  };
  return t;
}

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// What `stats --format json` prints for the store's database.
std::string stats_json(const StoreUnderTest& t, int days) {
  Options options;
  options.command = Command::Stats;
  options.db_path = t.location;
  options.stats_days = days;
  options.stats_format = StatsFormat::Json;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run_stats(options, out, err), 0) << err.str();
  return out.str();
}

class StoreConformance : public ::testing::TestWithParam<StoreUnderTest (*)()> {};

TEST_P(StoreConformance, AnAddressInAnyLetterCaseIsStoredOnceAsFirstTyped) {
  auto t = GetParam()();
  using O = ListSignupOutcome;
  const auto sign_up = [&](const std::string& email) {
    return t.store->sign_up(list_signup(email, false));
  };
  EXPECT_EQ(sign_up("Ann@Example.com"), ListSignupResult(O::Confirmed));
  EXPECT_EQ(sign_up("ann@EXAMPLE.COM"), ListSignupResult(O::NoMail));
  // Letters outside ASCII are left as they are, in both stores alike.
  EXPECT_EQ(sign_up("ann@exämple.com"), ListSignupResult(O::Confirmed));
  EXPECT_EQ(sign_up("ann@exÄmple.com"), ListSignupResult(O::Confirmed));
  EXPECT_EQ(t.emails(), (std::vector<std::string>{"Ann@Example.com", "ann@exämple.com",
                                                  "ann@exÄmple.com"}));
}

// A header may carry any bytes; PostgreSQL takes only UTF-8, and would
// refuse this visitor for good.
TEST_P(StoreConformance, AConsentRecordFromAnyHeaderBytesIsStored) {
  auto t = GetParam()();
  SignupToRecord typed{"Ann", "ann@example.com", "192.0.2.7", "Br\xff\xfeowser/1 \xc3", "2", {}};
  const auto signup = to_list_signup(typed, ListSettings{});
  EXPECT_EQ(signup.user_agent, "Br\uFFFD\uFFFDowser/1 \uFFFD");
  EXPECT_EQ(t.store->sign_up(signup), ListSignupResult(ListSignupOutcome::Confirmed));
}

TEST_P(StoreConformance, FailsWhileTheDatabaseIsAwayAndServesAgainOnceBack) {
  auto t = GetParam()();
  ASSERT_EQ(t.store->check(), std::nullopt);
  const auto confirmed = ListSignupResult(ListSignupOutcome::Confirmed);
  ASSERT_EQ(t.store->sign_up(list_signup("ann@example.com", false)), confirmed);
  t.go_away();
  EXPECT_TRUE(t.store->check().has_value());
  const auto away = t.store->sign_up(list_signup("bob@example.com", false));
  ASSERT_TRUE(std::holds_alternative<StoreFailure>(away));
  EXPECT_FALSE(std::get<StoreFailure>(away).message.empty());
  t.come_back();
  // Connections lost meanwhile are made again, without a failure to show.
  EXPECT_EQ(t.store->sign_up(list_signup("bob@example.com", false)), confirmed);
  EXPECT_EQ(t.store->check(), std::nullopt);
  EXPECT_EQ(t.emails(), (std::vector<std::string>{"ann@example.com", "bob@example.com"}));
}

std::vector<std::string> statuses(MailingList& list) {
  std::vector<std::string> seen;
  list.export_people([&](const PersonRecord& p) {
    seen.push_back(p.email + " " + p.status + (p.name ? " named" : "") +
                   (p.confirmed_at ? " confirmed_at" : "") +
                   (p.unsubscribed_at ? " unsubscribed_at" : ""));
  });
  return seen;
}

TEST_P(StoreConformance, AListedPersonMovesFromPendingToConfirmedToSuppressedAndBack) {
  auto t = GetParam()();
  auto& list = t.store->list();
  const auto ann = list_signup("Ann@Example.com", true);
  const auto repeat = list_signup("ANN@example.com", true);
  using O = ListSignupOutcome;
  EXPECT_EQ(t.store->sign_up(ann), ListSignupResult(O::MailQueued));
  EXPECT_EQ(t.store->sign_up(repeat), ListSignupResult(O::NoMail)) << "within the resend interval";
  EXPECT_EQ(list.peek(repeat.token_hash), LinkResult(LinkOutcome::Unknown));
  EXPECT_EQ(list.peek(ann.token_hash), LinkResult(LinkOutcome::Done));
  EXPECT_EQ(statuses(list), std::vector<std::string>{"Ann@Example.com pending named"})
      << "peeking confirms nothing";
  EXPECT_EQ(list.confirm(repeat.token_hash), LinkResult(LinkOutcome::Unknown));
  EXPECT_EQ(list.confirm(ann.token_hash), LinkResult(LinkOutcome::Done));
  EXPECT_EQ(list.confirm(ann.token_hash), LinkResult(LinkOutcome::AlreadyDone))
      << "twice is harmless";
  EXPECT_EQ(t.store->sign_up(repeat), ListSignupResult(O::NoMail)) << "confirmed: nothing to tell";
  EXPECT_EQ(t.store->sign_up(list_signup("bob@example.com", false)),
            ListSignupResult(O::Confirmed));
  EXPECT_EQ(statuses(list),
            (std::vector<std::string>{"Ann@Example.com confirmed named confirmed_at",
                                      "bob@example.com confirmed named confirmed_at"}));
  EXPECT_EQ(list.unsubscribe(ann.token_hash), LinkResult(LinkOutcome::Done));
  EXPECT_EQ(list.unsubscribe(ann.token_hash), LinkResult(LinkOutcome::Unknown));
  EXPECT_EQ(statuses(list),
            (std::vector<std::string>{"ann@example.com unsubscribed unsubscribed_at",
                                      "bob@example.com confirmed named confirmed_at"}));
  // Signing up again after leaving starts a new confirmation.
  EXPECT_EQ(t.store->sign_up(repeat), ListSignupResult(O::MailQueued));
  EXPECT_EQ(statuses(list),
            (std::vector<std::string>{"ANN@example.com pending named",
                                      "bob@example.com confirmed named confirmed_at"}));
  // The day's counts: three sign-ups (a repeat within the interval is not
  // one), two confirmed (Bob at once), one who left; views as added.
  t.store->add_views(3);
  t.store->add_views(4);
  EXPECT_EQ(stats_json(t, 2), "{\"days\":[{\"day\":\"" + last_days(2)[0] +
                                  "\",\"views\":0,\"signups\":0,\"confirmed\":0,"
                                  "\"unsubscribed\":0},{\"day\":\"" + last_days(2)[1] +
                                  "\",\"views\":7,\"signups\":3,\"confirmed\":2,"
                                  "\"unsubscribed\":1}],\"total\":{\"views\":7,\"signups\":3,"
                                  "\"confirmed\":2,\"unsubscribed\":1},\"signups_per_view\":0.4286,"
                                  "\"confirmed_per_signup\":0.6667}\n");
  const auto outbox = t.store->outbox_summary();
  EXPECT_EQ(outbox.waiting, 1);
  EXPECT_TRUE(outbox.oldest.has_value());
  EXPECT_EQ(list.erase("BOB@EXAMPLE.COM"), 1u);
  EXPECT_EQ(list.erase("bob@example.com"), 0u);
  EXPECT_EQ(list.erase("ann@EXAMPLE.com"), 1u);
  EXPECT_TRUE(statuses(list).empty());
  EXPECT_EQ(list.claim(std::chrono::seconds(60)), std::nullopt) << "erased with its mail";
  EXPECT_EQ(t.store->outbox_summary().waiting, 0);
  EXPECT_EQ(t.store->daily_counts(last_days(1)[0]).at(0).signups, 3) << "counts outlive people";
}

TEST_P(StoreConformance, OutboxMailIsLeasedToOneWorkerUntilSentOrDueAgain) {
  auto t = GetParam()();
  auto& list = t.store->list();
  const auto ann = list_signup("ann@example.com", true);
  ASSERT_EQ(t.store->sign_up(ann), ListSignupResult(ListSignupOutcome::MailQueued));
  const auto lease = std::chrono::seconds(60);
  auto mail = list.claim(lease);
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->recipient, "ann@example.com");
  EXPECT_EQ(mail->token, ann.token);
  EXPECT_EQ(mail->message_id, ann.message_id);
  EXPECT_EQ(mail->attempts, 0);
  EXPECT_EQ(list.claim(lease), std::nullopt) << "leased";
  const auto leased_for = list.next_due_in();
  ASSERT_TRUE(leased_for);
  EXPECT_GT(*leased_for, lease / 2);

  list.retry(mail->id, std::chrono::seconds(600));
  EXPECT_EQ(list.claim(lease), std::nullopt) << "not due yet";
  list.hurry();  // the relay is back
  mail = list.claim(lease);
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->attempts, 1);
  list.remove(mail->id);
  EXPECT_EQ(list.next_due_in(), std::nullopt);
}

TEST_P(StoreConformance, APendingAddressIsMailedAgainAfterTenMinutesThenOnceADay) {
  auto t = GetParam()();
  using O = ListSignupOutcome;
  const auto again = [&] { return t.store->sign_up(list_signup("ann@example.com", true)); };
  const auto past = [&](auto by) {
    t.age("last_mail_at", std::chrono::seconds(by) + std::chrono::seconds(1));
  };
  EXPECT_EQ(again(), ListSignupResult(O::MailQueued));
  past(kResendInterval);
  EXPECT_EQ(again(), ListSignupResult(O::MailQueuedAgain)) << "the second, ten minutes on";
  past(kResendInterval);
  EXPECT_EQ(again(), ListSignupResult(O::NoMail)) << "a third waits a day";
  past(kLaterResendInterval - kResendInterval);
  EXPECT_EQ(again(), ListSignupResult(O::MailQueuedAgain));
  EXPECT_EQ(again(), ListSignupResult(O::NoMail));
}

TEST_P(StoreConformance, HeldDomainsMailWaitsAndEachFormNonceServesOnce) {
  auto t = GetParam()();
  auto& list = t.store->list();
  const auto ann = list_signup("ann@Held.example", true);
  for (const auto& signup :
       {ann, list_signup("bob@free.example", true), list_signup("cy@held.example", true)}) {
    ASSERT_EQ(t.store->sign_up(signup), ListSignupResult(ListSignupOutcome::MailQueued));
  }
  const HeldDomains held{"held.example"};
  EXPECT_EQ(list.due_count("held.example"), 2u);
  EXPECT_EQ(list.due_count(""), 3u);
  const auto lease = std::chrono::seconds(60);
  const auto bob = list.claim(lease, held);
  ASSERT_TRUE(bob);
  EXPECT_EQ(bob->recipient, "bob@free.example");
  EXPECT_EQ(list.claim(lease, held), std::nullopt);
  const auto next = list.next_due_in(held);
  ASSERT_TRUE(next) << "bob's lease";
  EXPECT_GT(*next, lease / 2);
  // Held past the link's lifetime: its hours count from when it goes.
  t.age("token_expires_at", kConfirmationLifetime + std::chrono::hours(1));
  const auto first = list.claim(lease);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->recipient, "ann@Held.example") << "in the order queued";
  EXPECT_EQ(list.confirm(ann.token_hash), LinkResult(LinkOutcome::Done));

  auto& tokens = t.store->form_tokens();
  EXPECT_EQ(tokens.form_secret("first"), "first");
  EXPECT_EQ(tokens.form_secret("second"), "first") << "kept from the first start";
  // A nonce serves one sign-up, on either path, until its token expires.
  const auto people = t.emails().size();
  int n = 0;
  const auto spending = [&](bool by_mail, const std::string& nonce, std::int64_t keep_until,
                            std::int64_t now) {
    auto signup = list_signup("nonce" + std::to_string(++n) + "@example.com", by_mail);
    signup.form_nonce = nonce + (by_mail ? "-mail" : "");
    signup.nonce_keep_until = keep_until;
    signup.nonce_now = now;
    return t.store->sign_up(signup);
  };
  const ListSignupResult replayed(ListSignupOutcome::Replayed);
  for (const bool by_mail : {false, true}) {
    SCOPED_TRACE(by_mail ? "mailed" : "confirmed at once");
    const ListSignupResult added(by_mail ? ListSignupOutcome::MailQueued
                                         : ListSignupOutcome::Confirmed);
    EXPECT_EQ(spending(by_mail, "n1", 100, 0), added);
    EXPECT_EQ(spending(by_mail, "n1", 100, 50), replayed);
    EXPECT_EQ(spending(by_mail, "n2", 300, 101), added) << "forgets n1, expired";
    EXPECT_EQ(spending(by_mail, "n1", 300, 101), added);
    EXPECT_EQ(spending(by_mail, "n2", 300, 101), replayed);
  }
  EXPECT_EQ(t.emails().size(), people + 6) << "a replayed sign-up writes nothing";
}

// Sign-ups that arrive together are written together: each address is
// stored once, as the sign-up told it was the new one typed it.
TEST_P(StoreConformance, SimultaneousSignUpsOfOnePersonConfirmOnlyTheOneStored) {
  constexpr int kPeople = 24;
  auto t = GetParam()();
  std::vector<std::string> typed(2 * kPeople);
  std::vector<ListSignupResult> results(typed.size());
  for (int i = 0; i < kPeople; ++i) {
    typed[2 * i] = "person" + std::to_string(i) + "@example.com";
    typed[2 * i + 1] = upper(typed[2 * i]);
  }
  std::vector<std::thread> threads;
  for (std::size_t n = 0; n < typed.size(); ++n) {
    threads.emplace_back([&, n] { results[n] = t.store->sign_up(list_signup(typed[n], false)); });
  }
  for (auto& thread : threads) thread.join();

  std::set<std::string> confirmed;
  for (std::size_t n = 0; n < typed.size(); ++n) {
    ASSERT_FALSE(std::holds_alternative<StoreFailure>(results[n])) << typed[n];
    if (results[n] == ListSignupResult(ListSignupOutcome::Confirmed)) confirmed.insert(typed[n]);
  }
  const auto stored = t.emails();
  EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), confirmed);
  EXPECT_EQ(stored.size(), static_cast<std::size_t>(kPeople));
  EXPECT_EQ(total_of(t.store->daily_counts(last_days(1)[0])).signups, kPeople)
      << "sign-ups written together are counted together";

  // One form token posted by many at once, into the same batches: one
  // of them is written.
  std::vector<ListSignupResult> shared(kPeople);
  threads.clear();
  for (std::size_t n = 0; n < shared.size(); ++n) {
    threads.emplace_back([&, n] {
      auto signup = list_signup("shared" + std::to_string(n) + "@example.com", false);
      signup.form_nonce = "shared";
      signup.nonce_keep_until = 100;
      shared[n] = t.store->sign_up(signup);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(std::count(shared.begin(), shared.end(), ListSignupResult(ListSignupOutcome::Confirmed)),
            1);
  EXPECT_EQ(std::count(shared.begin(), shared.end(), ListSignupResult(ListSignupOutcome::Replayed)),
            kPeople - 1);
  EXPECT_EQ(t.emails().size(), static_cast<std::size_t>(kPeople) + 1);
}

// While the database is away, sign-ups that waited together fail together,
// each after one wait rather than one wait apiece; one whose deadline has
// passed before it is written never is, whichever path it takes.
TEST_P(StoreConformance, SignUpsFailTogetherWhileAwayAndALateOneIsNeverWritten) {
  constexpr std::size_t kPeople = 12;
  auto t = GetParam()();
  t.go_away();
  std::vector<ListSignupResult> results(kPeople);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (std::size_t n = 0; n < kPeople; ++n) {
    threads.emplace_back([&, n] {
      t.store->sign_up(list_signup("p" + std::to_string(n) + "@example.com", false),
                       start + std::chrono::hours(1),
                       [&, n](ListSignupResult result) { results[n] = std::move(result); });
    });
  }
  for (auto& thread : threads) thread.join();
  const auto took = std::chrono::steady_clock::now() - start;
  for (const auto& result : results) EXPECT_TRUE(std::holds_alternative<StoreFailure>(result));
  EXPECT_LT(took, kTestBusyTimeout * kPeople / 2) << "written again one by one";
  t.come_back();

  for (const bool by_mail : {false, true}) {
    SCOPED_TRACE(by_mail ? "with mail" : "without mail");
    const auto late = list_signup(by_mail ? "late@example.com" : "later@example.com", by_mail);
    std::optional<ListSignupResult> result;
    t.store->sign_up(late, std::chrono::steady_clock::now() - std::chrono::milliseconds(1),
                     [&](ListSignupResult r) { result = std::move(r); });
    ASSERT_TRUE(result) << "answered at once";
    EXPECT_TRUE(std::holds_alternative<StoreFailure>(*result));
  }
  EXPECT_TRUE(t.emails().empty());
}

TEST_P(StoreConformance, PendingPeopleAreForgottenWithTheirMailOnceTheirTimeIsUp) {
  auto t = GetParam()();
  auto& list = t.store->list();
  ASSERT_EQ(t.store->sign_up(list_signup("ann@example.com", true)),
            ListSignupResult(ListSignupOutcome::MailQueued));
  ASSERT_EQ(t.store->sign_up(list_signup("bob@example.com", false)),
            ListSignupResult(ListSignupOutcome::Confirmed));
  EXPECT_EQ(list.forget_unconfirmed(std::chrono::hours(1)), 0u) << "mailed a moment ago";
  EXPECT_TRUE(brevolt::test::WaitUntil(
      [&] { return list.forget_unconfirmed(std::chrono::hours(0)) == 1; },
      std::chrono::seconds(5)));
  EXPECT_EQ(statuses(list),
            std::vector<std::string>{"bob@example.com confirmed named confirmed_at"});
  EXPECT_EQ(list.claim(std::chrono::seconds(60)), std::nullopt) << "its mail went with it";
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreConformance,
                         ::testing::Values(&sqlite_store, &postgres_store),
                         [](const auto& info) {
                           return info.index == 0 ? std::string("Sqlite")
                                                  : std::string("Postgres");
                         });

// Whatever its holder threw, a connection comes back without its
// transaction; while every one is out, a lease waits only until its
// deadline.
TEST(PqPool, ALeaseLeftInATransactionIsRolledBackAndAFullPoolFailsInTime) {
  const auto uri = SharedPgCluster().create_database();
  PqPool pool([&] { return std::make_unique<PqConnection>(uri, kTestBusyTimeout * 10); }, 1);
  const auto never = PqPool::Clock::time_point::max();
  try {
    const PqPool::Lease lease(pool, never);
    lease->execute("BEGIN");
    lease->execute("CREATE TABLE half_done (x int)");
    throw std::runtime_error("not the store's own failure");
  } catch (const std::runtime_error&) {
  }
  const PqPool::Lease next(pool, never);
  EXPECT_FALSE(next->in_transaction());
  EXPECT_NO_THROW(next->execute("CREATE TABLE half_done (x int)")) << "the first one stayed";
  EXPECT_THROW(PqPool::Lease(pool, PqPool::Clock::now() + kTestBusyTimeout), StoreUnavailable);
}

// A reader holding the write-ahead log keeps an erased person's old pages
// there: erase waits a while, then says so instead of reporting success.
TEST(SqliteErase, FailsWhileAReaderHoldsTheLogAndSucceedsOnceItLetsGo) {
  auto t = sqlite_store();
  const auto& db = std::static_pointer_cast<SqliteCase>(t.keep)->db;
  ASSERT_EQ(t.store->sign_up(list_signup("ann@example.com", false)),
            ListSignupResult(ListSignupOutcome::Confirmed));
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
  const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> reader(raw, &sqlite3_close);
  ASSERT_EQ(sqlite3_exec(raw, "BEGIN; SELECT count(*) FROM signups", nullptr, nullptr, nullptr),
            SQLITE_OK);
  try {
    t.store->list().erase("ann@example.com");
    ADD_FAILURE() << "erase claimed success with the log held";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("write-ahead log"), std::string::npos) << error.what();
  }
  ASSERT_EQ(sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(t.store->list().erase("ann@example.com"), 0u) << "gone from the tables already";
  EXPECT_EQ(std::filesystem::file_size(db.string() + "-wal"), 0u);
}

}  // namespace
}  // namespace brevolt::signup::test
