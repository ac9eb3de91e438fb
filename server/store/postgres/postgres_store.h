#pragma once
// Sign-ups in a PostgreSQL database, for several servers sharing one list.
// A few connections, opened as they are needed and opened again after the
// database server has gone away; a sign-up that meets a lost connection is
// tried once more on a new one, which its insert makes harmless.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "server/store/form_token_store.h"
#include "server/store/group_commit.h"
#include "server/store/mailing_list.h"
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
  ListSignupResult sign_up(const ListSignup& signup) override;
  void sign_up(ListSignup signup, const std::function<void(ListSignupResult)>& done) override;
  MailingList& list() override { return *this; }
  FormTokenStore& form_tokens() override { return *this; }

  // The mailing list (postgres_list.cpp).
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
  using Outbox::claim;
  using Outbox::next_due_in;

  // The form's tokens (postgres_form_tokens.cpp).
  std::string form_secret(std::string_view fresh) override;
  bool use_form_nonce(std::string_view nonce, std::int64_t keep_until, std::int64_t now) override;

 private:
  class Lease;

  std::unique_ptr<PqConnection> connect() const;
  // Waits for an idle connection, or makes one while fewer than the most
  // are open. Throws StoreError when a new one cannot be made.
  Lease lease();
  void give_back(std::unique_ptr<PqConnection> connection);
  AddResult record_confirmed(PqConnection& connection, const ListSignup& signup);
  // A sign-up that needs no confirmation mail, in one statement.
  ListSignupResult sign_up_confirmed(const ListSignup& signup);
  // Several of them in one statement; each on its own if that fails.
  std::vector<ListSignupResult> sign_up_confirmed(const std::vector<const ListSignup*>& batch);
  using BatchResult = std::variant<std::vector<ListSignupResult>, StoreFailure>;
  BatchResult record_confirmed(PqConnection& connection, const std::vector<const ListSignup*>& batch);
  // Runs `work` in one transaction on a leased connection, once more on a
  // fresh one if the connection was lost. Throws StoreError.
  void in_transaction(const std::function<void(PqConnection&)>& work);
  template <typename Work>
  auto retried(Work work) -> decltype(work(std::declval<PqConnection&>()));

  const std::string uri_;
  const std::chrono::milliseconds timeout_;
  const std::size_t most_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<PqConnection>> idle_;
  std::size_t open_ = 0;
  GroupCommit<ListSignup, ListSignupResult> confirmed_;
};

}  // namespace brevolt::signup
