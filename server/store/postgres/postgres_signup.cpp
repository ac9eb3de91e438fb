// Sign-ups in PostgreSQL, without confirmation mail and with it, side by
// side. Those without are written in batches of one statement; those with
// read the person's row first, in a transaction of their own. Either way
// the form nonce is spent in the sign-up's own write.
#include <libpq-fe.h>

#include <algorithm>
#include <exception>
#include <set>
#include <string_view>
#include <utility>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/postgres/postgres_counts.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {
namespace {

// Without confirmation mail nothing need be read first, so sign-ups that
// arrive together are one statement: one round trip and one commit for all
// of them, and no transaction held open across the network. Their values go
// as parameters, in the order they arrived, which is the order they are
// inserted in. Each form nonce is spent in the same statement, so that a
// token serves one sign-up at no cost of its own; a sign-up whose nonce is
// taken is written only on a second attempt whose first may have been
// committed unseen, and then only over its own row, where it changes
// nothing. Leaving the suppression list goes with signing up, as signing
// up again after leaving starts over.
constexpr std::size_t kConfirmedColumns = 8;
constexpr std::string_view kConfirmedSignupsName = "insert_confirmed_signups_";

std::string confirmed_batch_sql(std::size_t rows) {
  std::string batch;
  for (std::size_t row = 0; row < rows; ++row) {
    batch += row == 0 ? "(" : ", (";
    for (std::size_t column = 1; column <= kConfirmedColumns; ++column) {
      batch += "$" + std::to_string(row * kConfirmedColumns + column) +
               (column == kConfirmedColumns ? "::bigint, " : "::text, ");
    }
    batch += std::to_string(row) + ")";
  }
  const auto now = "$" + std::to_string(rows * kConfirmedColumns + 1);
  const auto again = "$" + std::to_string(rows * kConfirmedColumns + 2);
  return "WITH batch (name, email, email_key, consent_address, user_agent, form_version,"
         " nonce, keep_until, arrival) AS (VALUES " + batch + "),"
         " forgotten AS (DELETE FROM form_nonces WHERE keep_until < " + now + "::bigint),"
         " spent AS (INSERT INTO form_nonces (nonce, keep_until)"
         " SELECT nonce, keep_until FROM batch WHERE nonce <> ''"
         " ON CONFLICT (nonce) DO NOTHING RETURNING nonce),"
         " accepted AS (SELECT * FROM batch WHERE nonce = '' OR nonce IN (SELECT nonce FROM spent)"
         " OR (" + again + "::boolean AND EXISTS (SELECT 1 FROM signups"
         " WHERE signups.email_key = batch.email_key))),"
         " unsuppressed AS (DELETE FROM suppressions"
         " WHERE email_key IN (SELECT email_key FROM accepted)),"
         " added AS (INSERT INTO signups (name, email, email_key, status, confirmed_at,"
         " consent_address, consent_user_agent, consent_form_version)"
         " SELECT name, email, email_key, 'confirmed', clock_timestamp(), consent_address,"
         " user_agent, form_version FROM accepted ORDER BY arrival"
         " ON CONFLICT (email_key) DO NOTHING RETURNING email_key)," BREVOLT_PG_COUNT_ADDED
         " SELECT 'added', email_key FROM added UNION ALL SELECT 'replayed', arrival::text"
         " FROM batch WHERE arrival NOT IN (SELECT arrival FROM accepted)";
}

std::string seconds_text(std::chrono::seconds value) { return std::to_string(value.count()); }

// Inside the sign-up's transaction; false when the nonce was taken.
bool spend_nonce(PqConnection& connection, const ListSignup& signup) {
  if (signup.form_nonce.empty()) return true;
  const auto spent = connection.query(
      "WITH forgotten AS (DELETE FROM form_nonces WHERE keep_until < $3::bigint)"
      " INSERT INTO form_nonces (nonce, keep_until) VALUES ($1, $2::bigint)"
      " ON CONFLICT (nonce) DO NOTHING",
      {signup.form_nonce, std::to_string(signup.nonce_keep_until),
       std::to_string(signup.nonce_now)});
  return std::string_view(PQcmdTuples(spent.get())) == "1";
}

}  // namespace

std::unique_ptr<PqConnection> PostgresStore::connect() const {
  return std::make_unique<PqConnection>(uri_, timeout_);
}

ListSignupResult PostgresStore::sign_up(const ListSignup& signup) {
  if (!signup.confirm_by_mail) return confirmed_.submit(signup);
  return sign_up_pending(signup, lease_deadline());
}

void PostgresStore::sign_up(ListSignup signup, std::chrono::steady_clock::time_point deadline,
                            std::function<void(ListSignupResult)> done) {
  if (!signup.confirm_by_mail) {
    return confirmed_.submit(std::move(signup), deadline, std::move(done));
  }
  // An idle connection would be taken at once, however late.
  if (Clock::now() > deadline) return done(StoreFailure{std::string(kPastDeadline)});
  done(sign_up_pending(signup, std::min(deadline, lease_deadline())));
}

ListSignupResult PostgresStore::sign_up_confirmed(const ListSignup& signup) {
  return as_result<ListSignupOutcome>("recording a sign-up", [&] {
    return std::get<ListSignupOutcome>(written_confirmed({&signup}).front());
  });
}

std::vector<ListSignupResult> PostgresStore::record_confirmed(
    PqConnection& connection, const std::vector<const ListSignup*>& batch, bool again) {
  // A nonce twice in one batch: the later sign-up replays the earlier.
  std::vector<ListSignupResult> results(batch.size(), ListSignupOutcome::Replayed);
  std::vector<std::size_t> written;
  std::set<std::string_view> nonces;
  std::int64_t now = 0;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    const auto& nonce = batch[i]->form_nonce;
    if (!nonce.empty() && !nonces.insert(nonce).second) continue;
    written.push_back(i);
    now = std::max(now, batch[i]->nonce_now);
  }
  std::vector<std::string> values;
  for (const auto i : written) {
    const auto& signup = *batch[i];
    for (auto value : {signup.name, signup.email, email_key(signup.email), signup.consent_address,
                       signup.user_agent, signup.form_version, signup.form_nonce,
                       std::to_string(signup.nonce_keep_until)}) {
      values.push_back(std::move(value));
    }
  }
  values.push_back(std::to_string(now));
  values.push_back(again ? "true" : "false");
  // Each size of batch is parsed and planned once a connection.
  const auto name = std::string(kConfirmedSignupsName) + std::to_string(written.size());
  if (!connection.prepared(name)) {
    connection.prepare(name, confirmed_batch_sql(written.size()), static_cast<int>(values.size()));
  }
  const auto result = connection.run(name, values);
  if (!succeeded(result)) throw_failure(connection, result, "");
  std::multiset<std::string> added;
  std::set<std::size_t> replayed;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    const std::string_view kind = PQgetvalue(result.get(), row, 0);
    const std::string value = PQgetvalue(result.get(), row, 1);
    if (kind == "added") {
      added.insert(value);
    } else {
      replayed.insert(std::stoul(value));
    }
  }
  // The first sign-up for an address is the one its row holds.
  for (std::size_t row = 0; row < written.size(); ++row) {
    if (replayed.contains(row)) continue;
    const auto found = added.find(email_key(batch[written[row]]->email));
    const bool first = found != added.end();
    if (first) added.erase(found);
    results[written[row]] = first ? ListSignupOutcome::Confirmed : ListSignupOutcome::NoMail;
  }
  return results;
}

std::vector<ListSignupResult> PostgresStore::written_confirmed(
    const std::vector<const ListSignup*>& batch) {
  bool again = false;
  return retried(lease_deadline(), [&](PqConnection& connection) {
    return record_confirmed(connection, batch, std::exchange(again, true));
  });
}

std::vector<ListSignupResult> PostgresStore::sign_up_confirmed(
    const std::vector<const ListSignup*>& batch) {
  if (batch.size() > 1) {
    try {
      return written_confirmed(batch);
    } catch (const StoreUnavailable&) {
      throw;  // one by one, each would meet the same
    } catch (const std::exception&) {
      // One bad sign-up must not cost the others theirs.
    }
  }
  std::vector<ListSignupResult> results;
  for (const auto* signup : batch) results.push_back(sign_up_confirmed(*signup));
  return results;
}

ListSignupResult PostgresStore::sign_up_pending(const ListSignup& signup,
                                                Clock::time_point deadline) {
  const auto key = email_key(signup.email);
  ListSignupOutcome outcome = ListSignupOutcome::NoMail;
  const auto queue_mail = [&](PqConnection& connection) {
    connection.query(
        "UPDATE signups SET token_hash = $2, last_mail_at = clock_timestamp(),"
        " mails_sent = mails_sent + 1,"
        " token_expires_at = clock_timestamp() + make_interval(secs => $3::bigint)"
        " WHERE email_key = $1",
        {key, signup.token_hash, seconds_text(kConfirmationLifetime)});
    // A mail not yet sent carries a link that no longer works: it goes.
    connection.query("DELETE FROM outbox WHERE email_key = $1", {key});
    connection.query(
        "INSERT INTO outbox (email_key, recipient, token, message_id)"
        " VALUES ($1, $2, $3, $4)",
        {key, signup.email, signup.token, signup.message_id});
    return ListSignupOutcome::MailQueued;
  };
  bool again = false;
  return as_result<ListSignupOutcome>("recording a sign-up", [&] {
    in_transaction(
        [&](PqConnection& connection) {
          // As in a batch: a taken nonce may be ours only on a second
          // attempt, and then only if the address's row is there.
          const bool retrying = std::exchange(again, true);
          const bool spent = spend_nonce(connection, signup);
          if (!spent && !retrying) {
            outcome = ListSignupOutcome::Replayed;
            return;
          }
          const auto found = connection.query(
              "SELECT status, last_mail_at IS NULL OR last_mail_at <= clock_timestamp() -"
              " make_interval(secs => CASE WHEN mails_sent >= $3::integer THEN $4::bigint"
              " ELSE $2::bigint END) FROM signups WHERE email_key = $1 FOR UPDATE",
              {key, seconds_text(kResendInterval), std::to_string(kEagerMails),
               seconds_text(kLaterResendInterval)});
          if (PQntuples(found.get()) > 0) {
            // A confirmed address learns nothing and gets nothing; a pending
            // one gets its mail again, but not more often than the interval.
            const bool may_mail = std::string_view(PQgetvalue(found.get(), 0, 0)) == "pending" &&
                                  std::string_view(PQgetvalue(found.get(), 0, 1)) == "t";
            if (may_mail) queue_mail(connection);
            outcome = may_mail ? ListSignupOutcome::MailQueuedAgain : ListSignupOutcome::NoMail;
            return;
          }
          if (!spent) {
            outcome = ListSignupOutcome::Replayed;
            return;
          }
          // Signing up again after leaving starts over.
          connection.query("DELETE FROM suppressions WHERE email_key = $1", {key});
          const auto added = connection.query(
              "INSERT INTO signups (name, email, email_key, status, consent_address,"
              " consent_user_agent, consent_form_version)"
              " VALUES ($1, $2, $3, 'pending', $4, $5, $6) ON CONFLICT (email_key) DO NOTHING",
              {signup.name, signup.email, key, signup.consent_address, signup.user_agent,
               signup.form_version});
          // Another server took the address a moment ago: it mails, not us.
          if (std::string_view(PQcmdTuples(added.get())) != "1") {
            outcome = ListSignupOutcome::NoMail;
            return;
          }
          count_today(connection, DailyColumn::Signups);
          outcome = queue_mail(connection);
        },
        deadline);
    return outcome;
  });
}

}  // namespace brevolt::signup
