// The mailing list in PostgreSQL: every change in one transaction, the row
// locked while it is decided, so that servers sharing the database agree.
#include <libpq-fe.h>

#include <algorithm>
#include <exception>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {
namespace {

// Times as the SQLite store writes them, so an export reads the same.
#define BREVOLT_PG_TIME(column) \
  "to_char(" column " AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"

std::optional<std::string> text(const PqResult& result, int row, int column) {
  if (PQgetisnull(result.get(), row, column)) return std::nullopt;
  return std::string(PQgetvalue(result.get(), row, column));
}

std::string seconds_text(std::chrono::seconds value) { return std::to_string(value.count()); }

std::string lifetime() { return seconds_text(kConfirmationLifetime); }
std::string resend_interval() { return seconds_text(kResendInterval); }
std::string later_resend_interval() { return seconds_text(kLaterResendInterval); }

// Which recipients a held domain's mail goes to; the domain as
// recipient_domain makes it (ASCII letters lower-cased).
#define BREVOLT_PG_NOT_HELD(lines) \
  "position(E'\\n' || lower(split_part(recipient, '@', 2) COLLATE \"C\") || E'\\n' IN " lines \
  ") = 0"

}  // namespace

void PostgresStore::sign_up(ListSignup signup,
                            const std::function<void(ListSignupResult)>& done) {
  if (!signup.confirm_by_mail) return confirmed_.submit(std::move(signup), done);
  done(sign_up(signup));
}

ListSignupResult PostgresStore::sign_up(const ListSignup& signup) {
  if (!signup.confirm_by_mail) return confirmed_.submit(signup);
  const auto key = email_key(signup.email);
  ListSignupOutcome outcome = ListSignupOutcome::NoMail;
  const auto queue_mail = [&](PqConnection& connection) {
    connection.query(
        "UPDATE signups SET token_hash = $2, last_mail_at = clock_timestamp(),"
        " mails_sent = mails_sent + 1,"
        " token_expires_at = clock_timestamp() + make_interval(secs => $3::bigint)"
        " WHERE email_key = $1",
        {key, signup.token_hash, lifetime()});
    // A mail not yet sent carries a link that no longer works: it goes.
    connection.query("DELETE FROM outbox WHERE email_key = $1", {key});
    connection.query(
        "INSERT INTO outbox (email_key, recipient, token, message_id)"
        " VALUES ($1, $2, $3, $4)",
        {key, signup.email, signup.token, signup.message_id});
    return ListSignupOutcome::MailQueued;
  };
  return as_result<ListSignupOutcome>("recording a sign-up", [&] {
    in_transaction([&](PqConnection& connection) {
      const auto found = connection.query(
          "SELECT status, last_mail_at IS NULL OR last_mail_at <= clock_timestamp() -"
          " make_interval(secs => CASE WHEN mails_sent >= $3::integer THEN $4::bigint"
          " ELSE $2::bigint END) FROM signups WHERE email_key = $1 FOR UPDATE",
          {key, resend_interval(), std::to_string(kEagerMails), later_resend_interval()});
      if (PQntuples(found.get()) > 0) {
        // A confirmed address learns nothing and gets nothing; a pending
        // one gets its mail again, but not more often than the interval.
        const bool may_mail = *text(found, 0, 0) == "pending" && *text(found, 0, 1) == "t";
        outcome = may_mail ? queue_mail(connection) : ListSignupOutcome::NoMail;
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
      outcome = queue_mail(connection);
    });
    return outcome;
  });
}

LinkResult PostgresStore::confirm(std::string_view token_hash) {
  LinkOutcome outcome = LinkOutcome::Unknown;
  return as_result<LinkOutcome>("confirming", [&] {
    in_transaction([&](PqConnection& connection) {
      const std::string hash(token_hash);
      const auto found = connection.query(
          "SELECT status, token_expires_at <= clock_timestamp() FROM signups"
          " WHERE token_hash = $1 FOR UPDATE",
          {hash});
      if (PQntuples(found.get()) == 0) {
        outcome = LinkOutcome::Unknown;
      } else if (*text(found, 0, 0) != "pending") {
        outcome = LinkOutcome::Done;  // confirming twice changes nothing
      } else if (*text(found, 0, 1) == "t") {
        outcome = LinkOutcome::Expired;
      } else {
        connection.query(
            "UPDATE signups SET status = 'confirmed', confirmed_at = clock_timestamp()"
            " WHERE token_hash = $1",
            {hash});
        outcome = LinkOutcome::Done;
      }
    });
    return outcome;
  });
}

LinkResult PostgresStore::unsubscribe(std::string_view token_hash) {
  LinkOutcome outcome = LinkOutcome::Unknown;
  return as_result<LinkOutcome>("unsubscribing", [&] {
    in_transaction([&](PqConnection& connection) {
      const auto gone =
          connection.query("DELETE FROM signups WHERE token_hash = $1 RETURNING email_key",
                           {std::string(token_hash)});
      if (PQntuples(gone.get()) == 0) {
        outcome = LinkOutcome::Unknown;
        return;
      }
      const std::string key = *text(gone, 0, 0);
      connection.query(
          "INSERT INTO suppressions (email_key) VALUES ($1) ON CONFLICT (email_key)"
          " DO UPDATE SET unsubscribed_at = clock_timestamp()",
          {key});
      connection.query("DELETE FROM outbox WHERE email_key = $1", {key});
      outcome = LinkOutcome::Done;
    });
    return outcome;
  });
}

void PostgresStore::export_people(const std::function<void(const PersonRecord&)>& each) {
  PqResult people;
  in_transaction([&](PqConnection& connection) {
    people = connection.query(
        "SELECT email, name, status, " BREVOLT_PG_TIME("signed_up_at") ", "
        BREVOLT_PG_TIME("confirmed_at") ", NULL, consent_address FROM signups"
        " UNION ALL SELECT email_key, NULL, 'unsubscribed', NULL, NULL, "
        BREVOLT_PG_TIME("unsubscribed_at") ", NULL FROM suppressions ORDER BY 1",
        {});
  });
  for (int row = 0; row < PQntuples(people.get()); ++row) {
    each({*text(people, row, 0), text(people, row, 1), *text(people, row, 2), text(people, row, 3),
          text(people, row, 4), text(people, row, 5), text(people, row, 6)});
  }
}

std::size_t PostgresStore::erase(std::string_view email) {
  const auto key = email_key(email);
  std::size_t removed = 0;
  in_transaction([&](PqConnection& connection) {
    const auto signups = connection.query("DELETE FROM signups WHERE email_key = $1", {key});
    const auto suppressed =
        connection.query("DELETE FROM suppressions WHERE email_key = $1", {key});
    connection.query("DELETE FROM outbox WHERE email_key = $1", {key});
    const auto rows =
        std::stoul(PQcmdTuples(signups.get())) + std::stoul(PQcmdTuples(suppressed.get()));
    removed = rows > 0 ? 1 : 0;
  });
  return removed;
}

std::optional<QueuedMail> PostgresStore::claim(std::chrono::seconds lease,
                                               const HeldDomains& held) {
  std::optional<QueuedMail> mail;
  in_transaction([&](PqConnection& connection) {
    const auto due = connection.query(
        // Its age, by which retries give up, counts from the first try: the
        // budget may have held it long before.
        "UPDATE outbox SET leased_until = clock_timestamp() + make_interval(secs => $1::bigint),"
        " queued_at = CASE WHEN attempts = 0 THEN clock_timestamp() ELSE queued_at END"
        " WHERE id = (SELECT id FROM outbox WHERE due_at <= clock_timestamp()"
        " AND (leased_until IS NULL OR leased_until <= clock_timestamp())"
        " AND " BREVOLT_PG_NOT_HELD("$2")
        " ORDER BY due_at, id LIMIT 1 FOR UPDATE SKIP LOCKED)"
        " RETURNING id, recipient, token, message_id, attempts,"
        " extract(epoch FROM clock_timestamp() - queued_at)::bigint, email_key",
        {seconds_text(lease), held_domain_lines(held)});
    if (PQntuples(due.get()) == 0) return;
    mail = QueuedMail{std::stoll(*text(due, 0, 0)),
                      *text(due, 0, 1),
                      *text(due, 0, 2),
                      *text(due, 0, 3),
                      std::stoi(*text(due, 0, 4)),
                      std::chrono::seconds(std::stoll(*text(due, 0, 5)))};
    // Mail held by the budget may have waited long: the link's hours count
    // from when it goes.
    connection.query(
        "UPDATE signups SET token_expires_at = clock_timestamp() +"
        " make_interval(secs => $2::bigint) WHERE email_key = $1 AND status = 'pending'",
        {*text(due, 0, 6), lifetime()});
  });
  return mail;
}

void PostgresStore::remove(std::int64_t id) {
  in_transaction([&](PqConnection& connection) {
    connection.query("DELETE FROM outbox WHERE id = $1", {std::to_string(id)});
  });
}

void PostgresStore::retry(std::int64_t id, std::chrono::seconds delay) {
  in_transaction([&](PqConnection& connection) {
    connection.query(
        "UPDATE outbox SET attempts = attempts + 1, leased_until = NULL,"
        " due_at = clock_timestamp() + make_interval(secs => $2::bigint)"
        " WHERE id = $1",
        {std::to_string(id), seconds_text(delay)});
  });
}

void PostgresStore::hurry() {
  in_transaction([&](PqConnection& connection) {
    connection.query(
        "UPDATE outbox SET due_at = clock_timestamp() WHERE due_at > clock_timestamp()"
        " AND (leased_until IS NULL OR leased_until <= clock_timestamp())",
        {});
  });
}

std::optional<std::chrono::milliseconds> PostgresStore::next_due_in(const HeldDomains& held) {
  std::optional<std::chrono::milliseconds> next;
  in_transaction([&](PqConnection& connection) {
    const auto found = connection.query(
        "SELECT (extract(epoch FROM min(greatest(due_at, leased_until)) - clock_timestamp())"
        " * 1000)::bigint FROM outbox WHERE " BREVOLT_PG_NOT_HELD("$1"),
        {held_domain_lines(held)});
    // Null when the outbox is empty; below zero when something is overdue.
    if (const auto value = text(found, 0, 0)) {
      next = std::chrono::milliseconds(std::max<long long>(0, std::stoll(*value)));
    }
  });
  return next;
}

}  // namespace brevolt::signup

namespace brevolt::signup {

std::size_t PostgresStore::due_count(const std::string& domain) {
  std::size_t count = 0;
  in_transaction([&](PqConnection& connection) {
    const auto found = connection.query(
        "SELECT count(*) FROM outbox WHERE due_at <= clock_timestamp() AND ($1 = '' OR NOT "
        BREVOLT_PG_NOT_HELD("E'\\n' || $1 || E'\\n'") ")",
        {domain});
    count = std::stoul(*text(found, 0, 0));
  });
  return count;
}

}  // namespace brevolt::signup
