// The mailing list in the SQLite file: the same connection, lock and
// durability as the sign-ups.
#include <sqlite3.h>

#include <exception>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/sqlite/sqlite_query.h"
#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {
namespace {

constexpr std::string_view kFindToken =
    "SELECT status, token_expires_at <= " BREVOLT_NOW " FROM signups WHERE token_hash = ?1";

// What confirming would find. Confirming twice shows the same page and
// changes nothing.
LinkOutcome link_state(Query& found) {
  if (!found.step()) return LinkOutcome::Unknown;
  if (*found.text(0) != "pending") return LinkOutcome::Done;
  return found.integer(1) != 0 ? LinkOutcome::Expired : LinkOutcome::Done;
}

// Which recipients a held domain's mail goes to; the domain as
// recipient_domain makes it.
#define BREVOLT_NOT_HELD(lines) \
  "instr(" lines ", char(10) || lower(substr(recipient, instr(recipient, '@') + 1)) || char(10))" \
  " = 0"

}  // namespace

LinkResult SqliteStore::peek(std::string_view token_hash) {
  return as_result<LinkOutcome>("looking up a link", [&] {
    const std::lock_guard lock(mutex_);
    Query found(db_.get(), kFindToken);
    found.bind(1, token_hash);
    return link_state(found);
  });
}

LinkResult SqliteStore::confirm(std::string_view token_hash) {
  auto* db = db_.get();
  return as_result<LinkOutcome>("confirming", [&] {
    return in_transaction([&] {
      Query found(db, kFindToken);
      found.bind(1, token_hash);
      const auto state = link_state(found);
      if (state != LinkOutcome::Done) return state;
      // Confirming twice changes nothing.
      if (*found.text(0) != "pending") return LinkOutcome::AlreadyDone;
      Query(db, "UPDATE signups SET status = 'confirmed', confirmed_at = " BREVOLT_NOW
                " WHERE token_hash = ?1")
          .bind(1, token_hash)
          .run();
      count_today(DailyColumn::Confirmed);
      return LinkOutcome::Done;
    });
  });
}

LinkResult SqliteStore::unsubscribe(std::string_view token_hash) {
  auto* db = db_.get();
  return as_result<LinkOutcome>("unsubscribing", [&] {
    return in_transaction([&] {
      Query found(db, "SELECT lower(email) FROM signups WHERE token_hash = ?1");
      found.bind(1, token_hash);
      if (!found.step()) return LinkOutcome::Unknown;
      const auto key = *found.text(0);
      Query(db,
            "INSERT OR REPLACE INTO suppressions(email_key, unsubscribed_at)"
            " VALUES (?1, " BREVOLT_NOW ")")
          .bind(1, key)
          .run();
      Query(db, "DELETE FROM signups WHERE lower(email) = ?1").bind(1, key).run();
      Query(db, "DELETE FROM outbox WHERE email_key = ?1").bind(1, key).run();
      count_today(DailyColumn::Unsubscribed);
      return LinkOutcome::Done;
    });
  });
}

void SqliteStore::export_people(const std::function<void(const PersonRecord&)>& each) {
  const std::lock_guard lock(mutex_);
  Query people(
      db_.get(),
      "SELECT email, name, status, signed_up_at, confirmed_at, NULL, consent_address"
      " FROM signups"
      " UNION ALL SELECT email_key, NULL, 'unsubscribed', NULL, NULL, unsubscribed_at, NULL"
      " FROM suppressions ORDER BY 1");
  while (people.step()) {
    each({*people.text(0), people.text(1), *people.text(2), people.text(3), people.text(4),
          people.text(5), people.text(6)});
  }
}

std::size_t SqliteStore::erase(std::string_view email) {
  const auto key = email_key(email);
  auto* db = db_.get();
  const auto removed = in_transaction([&] {
    const int rows = Query(db, "DELETE FROM signups WHERE lower(email) = ?1").bind(1, key).run() +
                     Query(db, "DELETE FROM suppressions WHERE email_key = ?1").bind(1, key).run();
    Query(db, "DELETE FROM outbox WHERE email_key = ?1").bind(1, key).run();
    return rows > 0 ? std::size_t{1} : std::size_t{0};
  });
  empty_log();
  return removed;
}

// The write-ahead log still holds the pages as they were; folding it back
// and emptying it leaves the person nowhere in the files. A reader (a
// running server's export, a backup tool) keeps the log in use: the
// checkpoint waits for it with the busy handler, a few times over.
void SqliteStore::empty_log() {
  const std::lock_guard lock(mutex_);
  for (int attempt = 0; attempt < kEraseLogAttempts; ++attempt) {
    const int rc = sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE,
                                             nullptr, nullptr);
    if (rc == SQLITE_OK) return;
    if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) throw_sqlite_error(db_.get());
  }
  throw StoreError(
      "the person is gone from the tables, but a copy stays in the write-ahead log ('-wal' "
      "file) while another connection reads the database; stop it (a server, a backup) and run "
      "erase again");
}

std::size_t SqliteStore::forget_unconfirmed(std::chrono::hours after) {
  auto* db = db_.get();
  const auto modifier = "-" + std::to_string(std::chrono::seconds(after).count()) + " seconds";
  return in_transaction([&] {
    // The latest mail counts: a person who signed up again keeps the link
    // they were just sent.
    constexpr std::string_view kStale =
        " FROM signups WHERE status = 'pending' AND coalesce(last_mail_at, signed_up_at)"
        " < strftime('%Y-%m-%dT%H:%M:%fZ', 'now', ?1)";
    Query(db, "DELETE FROM outbox WHERE email_key IN (SELECT lower(email)" + std::string(kStale) +
                  ")")
        .bind(1, modifier)
        .run();
    return static_cast<std::size_t>(
        Query(db, "DELETE" + std::string(kStale)).bind(1, modifier).run());
  });
}

std::optional<QueuedMail> SqliteStore::claim(std::chrono::seconds lease, const HeldDomains& held) {
  auto* db = db_.get();
  return in_transaction([&]() -> std::optional<QueuedMail> {
    // Its age, by which retries give up, counts from the first try: the
    // budget may have held it long before.
    Query due(db, "UPDATE outbox SET leased_until = " BREVOLT_NOW_PLUS(
                      "?1") ", queued_at = CASE WHEN attempts = 0 THEN " BREVOLT_NOW
                            " ELSE queued_at END"
                            " WHERE id = (SELECT id FROM outbox WHERE due_at <= " BREVOLT_NOW
                            " AND (leased_until IS NULL OR leased_until <= " BREVOLT_NOW
                            ") AND " BREVOLT_NOT_HELD("?2")
                            " ORDER BY due_at, id LIMIT 1)"
                            " RETURNING id, recipient, token, message_id, attempts,"
                            " CAST((julianday('now') - julianday(queued_at)) * 86400 AS INTEGER)");
    due.bind(1, static_cast<std::int64_t>(lease.count())).bind(2, held_domain_lines(held));
    if (!due.step()) return std::nullopt;
    QueuedMail mail{due.integer(0),
                    *due.text(1),
                    *due.text(2),
                    *due.text(3),
                    static_cast<int>(due.integer(4)),
                    std::chrono::seconds(due.integer(5))};
    while (due.step()) {
    }
    // Mail held by the budget may have waited long: the link's hours count
    // from when it goes.
    Query(db, "UPDATE signups SET token_expires_at = " BREVOLT_NOW_PLUS("?2")
              " WHERE status = 'pending'"
              " AND lower(email) = (SELECT email_key FROM outbox WHERE id = ?1)")
        .bind(1, mail.id)
        .bind(2, std::chrono::seconds(kConfirmationLifetime).count())
        .run();
    return mail;
  });
}

void SqliteStore::remove(std::int64_t id) {
  in_transaction(
      [&] { return Query(db_.get(), "DELETE FROM outbox WHERE id = ?1").bind(1, id).run(); });
}

void SqliteStore::retry(std::int64_t id, std::chrono::seconds delay) {
  in_transaction([&] {
    return Query(db_.get(),
                 "UPDATE outbox SET attempts = attempts + 1, leased_until = NULL,"
                 " due_at = " BREVOLT_NOW_PLUS("?2") " WHERE id = ?1")
        .bind(1, id)
        .bind(2, static_cast<std::int64_t>(delay.count()))
        .run();
  });
}

void SqliteStore::hurry() {
  in_transaction([&] {
    return Query(db_.get(), "UPDATE outbox SET due_at = " BREVOLT_NOW " WHERE due_at > " BREVOLT_NOW
                            " AND (leased_until IS NULL OR leased_until <= " BREVOLT_NOW ")")
        .run();
  });
}

std::optional<std::chrono::milliseconds> SqliteStore::next_due_in(const HeldDomains& held) {
  const std::lock_guard lock(mutex_);
  Query next(db_.get(),
             "SELECT CAST(max(0, (julianday(min(max(due_at, coalesce(leased_until, due_at))))"
             " - julianday('now')) * 86400000) AS INTEGER) FROM outbox"
             " WHERE " BREVOLT_NOT_HELD("?1"));
  next.bind(1, held_domain_lines(held));
  if (!next.step() || !next.text(0)) return std::nullopt;
  return std::chrono::milliseconds(next.integer(0));
}

std::size_t SqliteStore::due_count(const std::string& domain) {
  const std::lock_guard lock(mutex_);
  Query due(db_.get(), "SELECT count(*) FROM outbox WHERE due_at <= " BREVOLT_NOW
                       " AND (?1 = '' OR NOT " BREVOLT_NOT_HELD("char(10) || ?1 || char(10)") ")");
  due.bind(1, domain);
  due.step();
  return static_cast<std::size_t>(due.integer(0));
}

}  // namespace brevolt::signup
