#pragma once
// Where sign-ups are kept: one row per e-mail address, compared without
// regard to letter case. The SQLite file and the PostgreSQL database both
// stand behind this; every implementation may be called from several
// threads at once.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "server/store/daily_counts.h"

namespace brevolt::signup {

class FormTokenStore;
class MailingList;

// The store cannot be used at all (thrown at opening only).
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The store as a whole failed (locked, full, unreachable), not one request's
// data: every other write would meet the same, so none is tried again one
// by one.
class StoreUnavailable : public StoreError {
 public:
  using StoreError::StoreError;
};

enum class SignupOutcome {
  Added,
  AlreadyKnown,  // the first row for the address is kept as it was
};

// One request could not be served; the store may answer the next one.
struct StoreFailure {
  std::string message;
  friend bool operator==(const StoreFailure&, const StoreFailure&) = default;
};

using AddResult = std::variant<SignupOutcome, StoreFailure>;

struct ListSignup {
  std::string name;
  std::string email;
  // The consent record: who asked, from where, with which form.
  std::string consent_address;
  std::string user_agent;
  std::string form_version;
  // Off: the sign-up counts as confirmed at once and nothing is mailed.
  bool confirm_by_mail = false;
  // The link secret and Message-ID for the mail this sign-up may queue.
  std::string token;
  std::string token_hash;
  std::string message_id;
  // The form token's nonce, spent in the sign-up's own write so that the
  // token serves no second sign-up on any instance, and costs no write of
  // its own. Kept until `keep_until`; those kept until before `now` may be
  // forgotten (Unix seconds). Empty: nothing to spend.
  std::string form_nonce;
  std::int64_t nonce_keep_until = 0;
  std::int64_t nonce_now = 0;
};

enum class ListSignupOutcome {
  Confirmed,   // new, and confirmed at once (no mail)
  MailQueued,  // new: a confirmation mail waits in the outbox
  MailQueuedAgain,  // still pending: its mail is sent once more
  NoMail,      // known already (confirmed, or mailed too recently): nothing changed
  Replayed,    // refused, nothing written: its form nonce had served a sign-up already
};
using ListSignupResult = std::variant<ListSignupOutcome, StoreFailure>;

inline constexpr std::string_view kPastDeadline =
    "recording a sign-up: it waited past its deadline";

class SignupStore {
 public:
  virtual ~SignupStore() = default;

  // Nothing while the store answers, taking what a write would take (the
  // write lock, a connection); otherwise why it does not. Never throws.
  virtual std::optional<StoreFailure> check() = 0;

  // A sign-up with its consent record (the mailing list's pending,
  // confirmed and suppressed people) and the mail it asks for, in one
  // transaction. Never throws.
  virtual ListSignupResult sign_up(const ListSignup& signup) = 0;
  // The same, handing the result to `done`, which may run on another
  // thread and after this returns: a sign-up may wait to be written with
  // others, and no thread need wait with it. One not begun by `deadline` is
  // never written and fails; one begun gets its write's result, which each
  // statement's own time limit bounds. `done` is called exactly once.
  virtual void sign_up(ListSignup signup, std::chrono::steady_clock::time_point deadline,
                       std::function<void(ListSignupResult)> done) {
    if (std::chrono::steady_clock::now() > deadline) {
      return done(StoreFailure{std::string(kPastDeadline)});
    }
    done(sign_up(signup));
  }

  // Form views added to today's (UTC) count. Throws StoreError.
  virtual void add_views(std::int64_t views) = 0;
  // The days with counts from `first_day` (YYYY-MM-DD) on, oldest first;
  // a day without any is left out. Throws StoreError.
  virtual std::vector<DayCounts> daily_counts(const std::string& first_day) = 0;
  // The outbox as a whole, whoever queued its mail. Throws StoreError.
  virtual OutboxSummary outbox_summary() = 0;

  // The list kept beside the sign-ups (server/store/mailing_list.h).
  virtual MailingList& list() = 0;
  // The form tokens' secret and used nonces (server/store/form_token_store.h).
  virtual FormTokenStore& form_tokens() = 0;

 protected:
  SignupStore() = default;
  SignupStore(const SignupStore&) = delete;
  SignupStore& operator=(const SignupStore&) = delete;
};

}  // namespace brevolt::signup
