// Sign-ups in the SQLite file, with confirmation mail and without, side by
// side: both go through one group commit, since the file has one writer.
#include <exception>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/sqlite/sqlite_query.h"
#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {
namespace {

// A pending address may be mailed again once its last mail is older than
// the interval, which grows once it has had its first few.
constexpr std::string_view kFindSignup =
    "SELECT status, coalesce(last_mail_at <= strftime('%Y-%m-%dT%H:%M:%fZ', 'now',"
    " CASE WHEN mails_sent >= ?3 THEN ?4 ELSE ?2 END), 1)"
    " FROM signups WHERE lower(email) = ?1";

std::string seconds_ago(std::chrono::seconds interval) {
  return "-" + std::to_string(interval.count()) + " seconds";
}

std::int64_t lifetime_seconds() { return std::chrono::seconds(kConfirmationLifetime).count(); }

// Signing up again after leaving starts over.
void add_person(sqlite3* db, const ListSignup& signup, std::string_view key) {
  Query(db, "DELETE FROM suppressions WHERE email_key = ?1").bind(1, key).run();
  Query(db,
        "INSERT INTO signups(name, email, signed_up_at, status, confirmed_at,"
        " consent_address, consent_user_agent, consent_form_version)"
        " VALUES (?1, ?2, " BREVOLT_NOW ", ?3, CASE WHEN ?3 = 'confirmed' THEN " BREVOLT_NOW
        " END, ?4, ?5, ?6)")
      .bind(1, signup.name)
      .bind(2, signup.email)
      .bind(3, signup.confirm_by_mail ? "pending" : "confirmed")
      .bind(4, signup.consent_address)
      .bind(5, signup.user_agent)
      .bind(6, signup.form_version)
      .run();
}

// The form token's nonce is spent in its sign-up's transaction: one rolled
// back leaves it unspent, one written has spent it, and it costs no sync of
// its own. False when it had served a sign-up already.
bool spend_nonce(sqlite3* db, const ListSignup& signup) {
  if (signup.form_nonce.empty()) return true;
  Query(db, "DELETE FROM form_nonces WHERE keep_until < ?1").bind(1, signup.nonce_now).run();
  return Query(db, "INSERT OR IGNORE INTO form_nonces(nonce, keep_until) VALUES (?1, ?2)")
             .bind(1, signup.form_nonce)
             .bind(2, signup.nonce_keep_until)
             .run() == 1;
}

}  // namespace

ListSignupResult SqliteStore::sign_up(const ListSignup& signup) { return signups_.submit(signup); }

void SqliteStore::sign_up(ListSignup signup, std::chrono::steady_clock::time_point deadline,
                          std::function<void(ListSignupResult)> done) {
  signups_.submit(std::move(signup), deadline, std::move(done));
}

std::vector<ListSignupResult> SqliteStore::sign_up(const std::vector<const ListSignup*>& batch) {
  std::vector<ListSignupResult> results;
  if (batch.size() > 1) {
    try {
      in_transaction([&] {
        for (const auto* signup : batch) {
          results.emplace_back(std::in_place_type<ListSignupOutcome>, record(*signup));
        }
        return true;
      });
      return results;
    } catch (const StoreUnavailable&) {
      throw;  // one by one, each would wait out the same lock
    } catch (const std::exception&) {
      // One bad sign-up must not cost the others theirs.
      results.clear();
    }
  }
  for (const auto* signup : batch) {
    try {
      results.emplace_back(std::in_place_type<ListSignupOutcome>,
                           in_transaction([&] { return record(*signup); }));
    } catch (const StoreUnavailable& error) {
      // Those written already keep their results; the rest fail at once.
      results.resize(batch.size(),
                     StoreFailure{std::string("recording a sign-up: ") + error.what()});
      break;
    } catch (const std::exception& error) {
      results.emplace_back(StoreFailure{std::string("recording a sign-up: ") + error.what()});
    }
  }
  return results;
}

ListSignupOutcome SqliteStore::record(const ListSignup& signup) {
  if (!spend_nonce(db_.get(), signup)) return ListSignupOutcome::Replayed;
  return signup.confirm_by_mail ? record_pending(signup) : record_confirmed(signup);
}

// A confirmed address learns nothing and gets nothing.
ListSignupOutcome SqliteStore::record_confirmed(const ListSignup& signup) {
  const auto key = email_key(signup.email);
  if (Query(db_.get(), "SELECT 1 FROM signups WHERE lower(email) = ?1").bind(1, key).step()) {
    return ListSignupOutcome::NoMail;
  }
  add_person(db_.get(), signup, key);
  count_today(DailyColumn::Signups);
  count_today(DailyColumn::Confirmed);
  return ListSignupOutcome::Confirmed;
}

// A pending address gets its mail again, but not more often than the
// interval; a confirmed one nothing.
ListSignupOutcome SqliteStore::record_pending(const ListSignup& signup) {
  const auto key = email_key(signup.email);
  auto* db = db_.get();
  Query found(db, kFindSignup);
  found.bind(1, key)
      .bind(2, seconds_ago(kResendInterval))
      .bind(3, std::int64_t{kEagerMails})
      .bind(4, seconds_ago(kLaterResendInterval));
  const bool known = found.step();
  if (known) {
    if (*found.text(0) != "pending" || found.integer(1) == 0) return ListSignupOutcome::NoMail;
  } else {
    add_person(db, signup, key);
    count_today(DailyColumn::Signups);
  }
  Query(db, "UPDATE signups SET token_hash = ?2, last_mail_at = " BREVOLT_NOW
            ", mails_sent = mails_sent + 1, token_expires_at = " BREVOLT_NOW_PLUS("?3") " WHERE lower(email) = ?1")
      .bind(1, key)
      .bind(2, signup.token_hash)
      .bind(3, lifetime_seconds())
      .run();
  // A mail not yet sent carries a link that no longer works: it goes.
  Query(db, "DELETE FROM outbox WHERE email_key = ?1").bind(1, key).run();
  Query(db,
        "INSERT INTO outbox(email_key, recipient, token, message_id, queued_at, due_at)"
        " VALUES (?1, ?2, ?3, ?4, " BREVOLT_NOW ", " BREVOLT_NOW ")")
      .bind(1, key)
      .bind(2, signup.email)
      .bind(3, signup.token)
      .bind(4, signup.message_id)
      .run();
  return known ? ListSignupOutcome::MailQueuedAgain : ListSignupOutcome::MailQueued;
}

}  // namespace brevolt::signup
