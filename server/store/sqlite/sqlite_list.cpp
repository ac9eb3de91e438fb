// The mailing list in the SQLite file: the same connection, lock and
// durability as the sign-ups.
#include <sqlite3.h>

#include <exception>

#include "server/constants.h"
#include "server/store/email_key.h"
#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {
namespace {

// Times as every row has them: UTC with milliseconds, by SQLite's clock.
#define BREVOLT_NOW "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')"
#define BREVOLT_NOW_PLUS(seconds) "strftime('%Y-%m-%dT%H:%M:%fZ', 'now', " seconds " || ' seconds')"

// One statement, prepared where it is used: list operations are rare next
// to sign-ups, and their cost is the transaction's sync, not the parse.
class Query {
 public:
  Query(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK) {
      fail();
    }
  }
  ~Query() { sqlite3_finalize(statement_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& bind(int index, std::string_view text) {
    if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
      fail();
    }
    return *this;
  }
  Query& bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) fail();
    return *this;
  }
  // True while there is a row to read.
  bool step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) fail();
    return false;
  }
  // Runs a statement that returns no rows; how many rows it changed.
  int run() {
    step();
    return sqlite3_changes(db_);
  }
  std::optional<std::string> text(int column) const {
    const auto* value = sqlite3_column_text(statement_, column);
    if (!value) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(value));
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }

 private:
  [[noreturn]] void fail() const {
    throw StoreError(std::string(sqlite3_errmsg(db_)) + " (SQLite code " +
                     std::to_string(sqlite3_extended_errcode(db_)) + ")");
  }
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

// A pending address may be mailed again once its last mail is older than
// the interval, which grows once it has had its first few.
constexpr std::string_view kFindSignup =
    "SELECT status, coalesce(last_mail_at <= strftime('%Y-%m-%dT%H:%M:%fZ', 'now',"
    " CASE WHEN mails_sent >= ?3 THEN ?4 ELSE ?2 END), 1)"
    " FROM signups WHERE lower(email) = ?1";

std::string seconds_ago(std::chrono::seconds interval) {
  return "-" + std::to_string(interval.count()) + " seconds";
}

// Which recipients a held domain's mail goes to; the domain as
// recipient_domain makes it.
#define BREVOLT_NOT_HELD(lines) \
  "instr(" lines ", char(10) || lower(substr(recipient, instr(recipient, '@') + 1)) || char(10))" \
  " = 0"

std::int64_t lifetime_seconds() { return std::chrono::seconds(kConfirmationLifetime).count(); }

}  // namespace

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

ListSignupResult SqliteStore::sign_up(const ListSignup& signup) { return signups_.submit(signup); }

void SqliteStore::sign_up(ListSignup signup, const std::function<void(ListSignupResult)>& done) {
  signups_.submit(std::move(signup), done);
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
    } catch (const std::exception&) {
      // One bad sign-up must not cost the others theirs.
      results.clear();
    }
  }
  for (const auto* signup : batch) {
    results.push_back(as_result<ListSignupOutcome>(
        "recording a sign-up", [&] { return in_transaction([&] { return record(*signup); }); }));
  }
  return results;
}

ListSignupOutcome SqliteStore::record(const ListSignup& signup) {
  const auto key = email_key(signup.email);
  auto* db = db_.get();
  const auto queue_mail = [&] {
    Query(db, "UPDATE signups SET token_hash = ?2, last_mail_at = " BREVOLT_NOW
              ", mails_sent = mails_sent + 1,"
              " token_expires_at = " BREVOLT_NOW_PLUS("?3") " WHERE lower(email) = ?1")
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
    return ListSignupOutcome::MailQueued;
  };
  Query found(db, kFindSignup);
  found.bind(1, key)
      .bind(2, seconds_ago(kResendInterval))
      .bind(3, std::int64_t{kEagerMails})
      .bind(4, seconds_ago(kLaterResendInterval));
  if (found.step()) {
    // A confirmed address learns nothing and gets nothing; a pending
    // one gets its mail again, but not more often than the interval.
    const bool may_mail = *found.text(0) == "pending" && found.integer(1) != 0;
    return may_mail && signup.confirm_by_mail ? queue_mail() : ListSignupOutcome::NoMail;
  }
  // Signing up again after leaving starts over.
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
  return signup.confirm_by_mail ? queue_mail() : ListSignupOutcome::Confirmed;
}

LinkResult SqliteStore::confirm(std::string_view token_hash) {
  auto* db = db_.get();
  return as_result<LinkOutcome>("confirming", [&] {
    return in_transaction([&] {
      Query found(db, "SELECT status, token_expires_at <= " BREVOLT_NOW
                      " FROM signups WHERE token_hash = ?1");
      found.bind(1, token_hash);
      if (!found.step()) return LinkOutcome::Unknown;
      // Confirming twice shows the same page and changes nothing.
      if (*found.text(0) != "pending") return LinkOutcome::Done;
      if (found.integer(1) != 0) return LinkOutcome::Expired;
      Query(db, "UPDATE signups SET status = 'confirmed', confirmed_at = " BREVOLT_NOW
                " WHERE token_hash = ?1")
          .bind(1, token_hash)
          .run();
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
  // The write-ahead log still holds the pages as they were; folding it
  // back and emptying it leaves the person nowhere in the files.
  const std::lock_guard lock(mutex_);
  execute("PRAGMA wal_checkpoint(TRUNCATE)");
  return removed;
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
        .bind(2, lifetime_seconds())
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
