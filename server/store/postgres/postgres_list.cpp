// The mailing list in PostgreSQL: every change in one transaction, the row
// locked while it is decided, so that servers sharing the database agree.
#include <libpq-fe.h>

#include <algorithm>
#include <exception>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/postgres/postgres_counts.h"
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

// Which recipients a held domain's mail goes to; the domain as
// recipient_domain makes it (ASCII letters lower-cased).
#define BREVOLT_PG_NOT_HELD(lines) \
  "position(E'\\n' || lower(split_part(recipient, '@', 2) COLLATE \"C\") || E'\\n' IN " lines \
  ") = 0"

// What confirming would find; confirming twice changes nothing.
LinkOutcome link_state(const PqResult& found) {
  if (PQntuples(found.get()) == 0) return LinkOutcome::Unknown;
  if (*text(found, 0, 0) != "pending") return LinkOutcome::Done;
  return *text(found, 0, 1) == "t" ? LinkOutcome::Expired : LinkOutcome::Done;
}

constexpr std::string_view kFindToken =
    "SELECT status, token_expires_at <= clock_timestamp() FROM signups WHERE token_hash = $1";

}  // namespace

LinkResult PostgresStore::peek(std::string_view token_hash) {
  return as_result<LinkOutcome>("looking up a link", [&] {
    return retried(lease_deadline(), [&](PqConnection& connection) {
      return link_state(connection.query(kFindToken, {std::string(token_hash)}));
    });
  });
}

LinkResult PostgresStore::confirm(std::string_view token_hash) {
  LinkOutcome outcome = LinkOutcome::Unknown;
  return as_result<LinkOutcome>("confirming", [&] {
    in_transaction([&](PqConnection& connection) {
      const std::string hash(token_hash);
      const auto found = connection.query(std::string(kFindToken) + " FOR UPDATE", {hash});
      outcome = link_state(found);
      if (outcome != LinkOutcome::Done) return;
      // Confirming twice changes nothing.
      if (*text(found, 0, 0) != "pending") {
        outcome = LinkOutcome::AlreadyDone;
        return;
      }
      connection.query(
          "UPDATE signups SET status = 'confirmed', confirmed_at = clock_timestamp()"
          " WHERE token_hash = $1",
          {hash});
      count_today(connection, DailyColumn::Confirmed);
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
      count_today(connection, DailyColumn::Unsubscribed);
      outcome = LinkOutcome::Done;
    });
    return outcome;
  });
}

void PostgresStore::export_people(const std::function<void(const PersonRecord&)>& each) {
  PqResult people;
  const auto read = [&](PqConnection& connection) {
    people = connection.query(
        "SELECT email, name, status, " BREVOLT_PG_TIME("signed_up_at") ", "
        BREVOLT_PG_TIME("confirmed_at") ", NULL, consent_address FROM signups"
        " UNION ALL SELECT email_key, NULL, 'unsubscribed', NULL, NULL, "
        BREVOLT_PG_TIME("unsubscribed_at") ", NULL FROM suppressions ORDER BY 1",
        {});
  };
  in_transaction(read, lease_deadline(), true);
  for (int row = 0; row < PQntuples(people.get()); ++row) {
    each({*text(people, row, 0), text(people, row, 1), *text(people, row, 2), text(people, row, 3),
          text(people, row, 4), text(people, row, 5), text(people, row, 6)});
  }
}

std::size_t PostgresStore::erase(std::string_view email) {
  const auto key = email_key(email);
  std::size_t removed = 0;
  const auto remove = [&](PqConnection& connection) {
    // VACUUM skips, with a mere warning, a table its role does not own: the
    // rows would stay on disk while erase reported success.
    const auto foreign = connection.query(
        "SELECT count(*) FROM pg_class WHERE oid IN ('signups'::regclass,"
        " 'suppressions'::regclass, 'outbox'::regclass) AND NOT pg_has_role(relowner, 'USAGE')",
        {});
    if (*text(foreign, 0, 0) != "0") {
      throw StoreError("erase must run as the role that owns the tables, which alone may "
                       "vacuum them; nothing was removed");
    }
    const auto signups = connection.query("DELETE FROM signups WHERE email_key = $1", {key});
    const auto suppressed =
        connection.query("DELETE FROM suppressions WHERE email_key = $1", {key});
    connection.query("DELETE FROM outbox WHERE email_key = $1", {key});
    const auto rows =
        std::stoul(PQcmdTuples(signups.get())) + std::stoul(PQcmdTuples(suppressed.get()));
    removed = rows > 0 ? 1 : 0;
  };
  in_transaction(remove, lease_deadline(), true);
  // Deleted rows stay in the tables' files as dead tuples until vacuumed;
  // rewritten, the files hold only the living. VACUUM runs outside any
  // transaction, so on a connection of its own.
  try {
    PqConnection vacuum(uri_, timeout_);
    vacuum.lift_limits(true);
    vacuum.execute("VACUUM FULL signups, suppressions, outbox");
  } catch (const StoreError& error) {
    throw StoreError(std::string("the person is gone from the tables, but vacuuming them "
                                 "failed, so their rows may stay on disk until the next "
                                 "vacuum: ") +
                     error.what());
  }
  return removed;
}

std::size_t PostgresStore::forget_unconfirmed(std::chrono::hours after) {
  std::size_t removed = 0;
  in_transaction([&](PqConnection& connection) {
    // The latest mail counts: a person who signed up again keeps the link
    // they were just sent.
    const auto gone = connection.query(
        "WITH gone AS (DELETE FROM signups WHERE status = 'pending'"
        " AND coalesce(last_mail_at, signed_up_at)"
        " < clock_timestamp() - make_interval(secs => $1::bigint) RETURNING email_key),"
        " mail AS (DELETE FROM outbox WHERE email_key IN (SELECT email_key FROM gone))"
        " SELECT count(*) FROM gone",
        {seconds_text(after)});
    removed = std::stoul(*text(gone, 0, 0));
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
        {*text(due, 0, 6), seconds_text(kConfirmationLifetime)});
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
