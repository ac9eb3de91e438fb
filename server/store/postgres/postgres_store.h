#pragma once
// Sign-ups in a PostgreSQL database, for several servers sharing one list.
// A few pooled connections (pq_pool.h); a statement that meets a lost
// connection is tried once more on a new one, which its insert makes
// harmless.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/store/form_token_store.h"
#include "server/store/group_commit.h"
#include "server/store/mailing_list.h"
#include "server/store/postgres/pq_connection.h"
#include "server/store/postgres/pq_pool.h"
#include "server/store/signup_store.h"

namespace brevolt::signup {

class PqConnection;

class PostgresStore final : public SignupStore, public MailingList, public FormTokenStore {
 public:
  // Connects once and creates or migrates the schema under an advisory
  // lock, so that servers starting together take turns. Throws StoreError.
  PostgresStore(std::string uri, std::chrono::milliseconds timeout, std::size_t connections);
  ~PostgresStore() override;

  std::optional<StoreFailure> check() override;
  // Both paths are in postgres_signup.cpp.
  ListSignupResult sign_up(const ListSignup& signup) override;
  void sign_up(ListSignup signup, std::chrono::steady_clock::time_point deadline,
               std::function<void(ListSignupResult)> done) override;
  MailingList& list() override { return *this; }
  // The daily counts (postgres_counts.cpp).
  void add_views(std::int64_t views) override;
  std::vector<DayCounts> daily_counts(const std::string& first_day) override;
  OutboxSummary outbox_summary() override;
  FormTokenStore& form_tokens() override { return *this; }

  // The mailing list (postgres_list.cpp).
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

  // The form's secret (postgres_form_tokens.cpp).
  std::string form_secret(std::string_view fresh) override;

 private:
  using Clock = std::chrono::steady_clock;

  std::unique_ptr<PqConnection> connect() const;
  // The longest a request waits for a connection.
  Clock::time_point lease_deadline() const { return Clock::now() + timeout_; }

  // A sign-up that needs no confirmation mail, in one statement; several
  // in one statement, each on its own if that fails for one of them.
  ListSignupResult sign_up_confirmed(const ListSignup& signup);
  std::vector<ListSignupResult> sign_up_confirmed(const std::vector<const ListSignup*>& batch);
  // `again`: a second attempt, after the first one's connection was lost.
  std::vector<ListSignupResult> record_confirmed(PqConnection& connection,
                                                 const std::vector<const ListSignup*>& batch,
                                                 bool again);
  // Once, or once more on a fresh connection. Throws StoreError.
  std::vector<ListSignupResult> written_confirmed(const std::vector<const ListSignup*>& batch);
  // One with its mail, in one transaction, on a connection leased by
  // `deadline`.
  ListSignupResult sign_up_pending(const ListSignup& signup, Clock::time_point deadline);

  // Runs `work` in one transaction on a connection leased by `deadline`,
  // once more on a fresh one if the connection was lost; `long_running`
  // lifts the request limits for maintenance. Throws StoreError.
  void in_transaction(const std::function<void(PqConnection&)>& work,
                      Clock::time_point deadline, bool long_running = false);
  void in_transaction(const std::function<void(PqConnection&)>& work) {
    in_transaction(work, lease_deadline());
  }
  // Runs `work` on a leased connection, once more on a fresh one if the
  // connection was lost. Throws StoreError.
  template <typename Work>
  auto retried(Clock::time_point deadline, Work work)
      -> decltype(work(std::declval<PqConnection&>()));

  const std::string uri_;
  const std::chrono::milliseconds timeout_;
  PqPool pool_;
  GroupCommit<ListSignup, ListSignupResult> confirmed_;
};

// A connection idle while the database restarted fails at its first use:
// the second attempt runs on a fresh one.
template <typename Work>
auto PostgresStore::retried(Clock::time_point deadline, Work work)
    -> decltype(work(std::declval<PqConnection&>())) {
  for (int attempt = 0;; ++attempt) {
    const PqPool::Lease connection(pool_, deadline);
    try {
      return work(*connection);
    } catch (const StoreError&) {
      if (!connection->broken() || attempt > 0) throw;
    }
  }
}

}  // namespace brevolt::signup
