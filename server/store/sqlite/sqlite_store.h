#pragma once
// Sign-ups in one SQLite file: the embedded store, with nothing to set up.
// One connection, taken in turn by the calling threads.
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/store/form_token_store.h"
#include "server/store/group_commit.h"
#include "server/store/mailing_list.h"
#include "server/store/signup_store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace brevolt::signup {

class SqliteStore final : public SignupStore, public MailingList, public FormTokenStore {
 public:
  // Opens the file, creating it (readable by its owner only) and bringing
  // its schema up to date. Throws StoreError when the file cannot be used.
  // A call waits about `busy_timeout` for another writer's lock.
  SqliteStore(const std::string& path, std::chrono::milliseconds busy_timeout);
  ~SqliteStore() override;

  std::optional<StoreFailure> check() override;
  ListSignupResult sign_up(const ListSignup& signup) override;
  void sign_up(ListSignup signup, std::chrono::steady_clock::time_point deadline,
               std::function<void(ListSignupResult)> done) override;
  MailingList& list() override { return *this; }
  // The daily counts (sqlite_counts.cpp).
  void add_views(std::int64_t views) override;
  std::vector<DayCounts> daily_counts(const std::string& first_day) override;
  OutboxSummary outbox_summary() override;
  FormTokenStore& form_tokens() override { return *this; }

  // The mailing list (sqlite_list.cpp).
  LinkResult peek(std::string_view token_hash) override;
  LinkResult confirm(std::string_view token_hash) override;
  LinkResult unsubscribe(std::string_view token_hash) override;
  void export_people(const std::function<void(const PersonRecord&)>& each) override;
  std::size_t erase(std::string_view email) override;
  std::optional<QueuedMail> claim(std::chrono::seconds lease, const HeldDomains& held) override;
  void remove(std::int64_t id) override;
  void retry(std::int64_t id, std::chrono::seconds delay) override;
  void hurry() override;
  std::optional<std::chrono::milliseconds> next_due_in(const HeldDomains& held) override;
  std::size_t due_count(const std::string& domain) override;
  std::size_t forget_unconfirmed(std::chrono::hours after) override;
  using Outbox::claim;
  using Outbox::next_due_in;

  // The form's secret (sqlite_form_tokens.cpp).
  std::string form_secret(std::string_view fresh) override;

 private:
  struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const;
  };
  using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;
  struct DatabaseDeleter {
    void operator()(sqlite3* db) const;
  };

  Statement prepare(std::string_view sql);
  void execute(std::string_view sql);
  void migrate();
  // Sign-ups that waited together, in one transaction; each on its own if
  // that fails for one of them (sqlite_signup.cpp). Throws StoreUnavailable
  // when the file itself failed.
  std::vector<ListSignupResult> sign_up(const std::vector<const ListSignup*>& batch);
  // One sign-up inside an open transaction. Throws StoreError.
  ListSignupOutcome record(const ListSignup& signup);
  // Adds to today's count inside the open transaction. Throws StoreError.
  void count_today(DailyColumn column, std::int64_t by = 1);
  ListSignupOutcome record_confirmed(const ListSignup& signup);
  ListSignupOutcome record_pending(const ListSignup& signup);
  void roll_back_if_open();
  // Folds the write-ahead log back and empties it, waiting a bounded time
  // for readers. Throws StoreError when a reader still holds it.
  void empty_log();
  // Runs `work` under the connection's lock in one write transaction,
  // rolled back if it throws.
  template <typename Work>
  auto in_transaction(Work work) -> decltype(work());

  std::mutex mutex_;
  std::unique_ptr<sqlite3, DatabaseDeleter> db_;
  Statement begin_;
  Statement rollback_;
  GroupCommit<ListSignup, ListSignupResult> signups_;
};

template <typename Work>
auto SqliteStore::in_transaction(Work work) -> decltype(work()) {
  const std::lock_guard lock(mutex_);
  try {
    execute("BEGIN IMMEDIATE");
    auto result = work();
    execute("COMMIT");
    return result;
  } catch (...) {
    roll_back_if_open();
    throw;
  }
}

}  // namespace brevolt::signup
