// Sign-ups in PostgreSQL, without confirmation mail and with it, side by
// side. Those without are written in batches of one statement; those with
// read the person's row first, in a transaction of their own.
#include <libpq-fe.h>

#include <exception>
#include <set>
#include <string_view>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/postgres/postgres_counts.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {
namespace {

// Without confirmation mail nothing need be read first, so the sign-up is
// one statement: one round trip and no transaction held open across the
// network. Leaving the suppression list goes
// with it, as signing up again after leaving starts over.
constexpr std::string_view kConfirmedSignupName = "insert_confirmed_signup";
constexpr std::string_view kConfirmedSignup =
    "WITH unsuppressed AS (DELETE FROM suppressions WHERE email_key = $3),"
    " added AS (INSERT INTO signups (name, email, email_key, status, confirmed_at, consent_address,"
    " consent_user_agent, consent_form_version)"
    " VALUES ($1, $2, $3, 'confirmed', clock_timestamp(), $4, $5, $6)"
    " ON CONFLICT (email_key) DO NOTHING RETURNING email_key)," BREVOLT_PG_COUNT_ADDED
    " SELECT email_key FROM added";

// The same for several sign-ups in one statement, so that they share one
// round trip and one commit. Their values go as parameters, in the order
// they arrived, which is the order they are inserted in.
std::string confirmed_batch_sql(std::size_t rows) {
  constexpr std::size_t kColumns = 6;
  std::string batch;
  for (std::size_t row = 0; row < rows; ++row) {
    batch += row == 0 ? "(" : ", (";
    for (std::size_t column = 1; column <= kColumns; ++column) {
      batch += "$" + std::to_string(row * kColumns + column) + "::text, ";
    }
    batch += std::to_string(row) + ")";
  }
  return "WITH batch (name, email, email_key, consent_address, user_agent, form_version, arrival)"
         " AS (VALUES " + batch + "),"
         " unsuppressed AS (DELETE FROM suppressions"
         " WHERE email_key IN (SELECT email_key FROM batch)),"
         " added AS (INSERT INTO signups (name, email, email_key, status, confirmed_at,"
         " consent_address, consent_user_agent, consent_form_version)"
         " SELECT name, email, email_key, 'confirmed', clock_timestamp(), consent_address,"
         " user_agent, form_version FROM batch ORDER BY arrival"
         " ON CONFLICT (email_key) DO NOTHING RETURNING email_key)," BREVOLT_PG_COUNT_ADDED
         " SELECT email_key FROM added";
}


constexpr int kConfirmedColumns = 6;

std::string seconds_text(std::chrono::seconds value) { return std::to_string(value.count()); }

}  // namespace

std::unique_ptr<PqConnection> PostgresStore::connect() const {
  auto connection = std::make_unique<PqConnection>(uri_, timeout_);
  connection->prepare(std::string(kConfirmedSignupName), std::string(kConfirmedSignup),
                      kConfirmedColumns);
  return connection;
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
    return retried(lease_deadline(), [&](PqConnection& connection) {
      const auto result =
          connection.run(std::string(kConfirmedSignupName),
                         {signup.name, signup.email, email_key(signup.email),
                          signup.consent_address, signup.user_agent, signup.form_version});
      if (!succeeded(result)) throw_failure(connection, result, "");
      // An address already on the list learns nothing and gets nothing.
      return std::string_view(PQcmdTuples(result.get())) == "1" ? ListSignupOutcome::Confirmed
                                                               : ListSignupOutcome::NoMail;
    });
  });
}

std::vector<ListSignupResult> PostgresStore::record_confirmed(
    PqConnection& connection, const std::vector<const ListSignup*>& batch) {
  std::vector<std::string> values;
  for (const auto* signup : batch) {
    for (auto value : {signup->name, signup->email, email_key(signup->email),
                       signup->consent_address, signup->user_agent, signup->form_version}) {
      values.push_back(std::move(value));
    }
  }
  // Each size of batch is parsed and planned once a connection.
  const auto name = std::string(kConfirmedSignupName) + "_" + std::to_string(batch.size());
  if (!connection.prepared(name)) {
    connection.prepare(name, confirmed_batch_sql(batch.size()), static_cast<int>(values.size()));
  }
  const auto result = connection.run(name, values);
  if (!succeeded(result)) throw_failure(connection, result, "");
  std::multiset<std::string> added;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    added.insert(PQgetvalue(result.get(), row, 0));
  }
  // The first sign-up for an address is the one its row holds.
  std::vector<ListSignupResult> results;
  for (const auto* signup : batch) {
    const auto found = added.find(email_key(signup->email));
    const bool first = found != added.end();
    if (first) added.erase(found);
    results.emplace_back(first ? ListSignupOutcome::Confirmed : ListSignupOutcome::NoMail);
  }
  return results;
}

std::vector<ListSignupResult> PostgresStore::sign_up_confirmed(
    const std::vector<const ListSignup*>& batch) {
  if (batch.size() > 1) {
    try {
      return retried(lease_deadline(),
                     [&](PqConnection& connection) { return record_confirmed(connection, batch); });
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
  return as_result<ListSignupOutcome>("recording a sign-up", [&] {
    in_transaction(
        [&](PqConnection& connection) {
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
