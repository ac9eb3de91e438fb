#include "server/store/sqlite/sqlite_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "server/constants.h"
#include "server/store/sqlite/sqlite_query.h"

namespace brevolt::signup {
namespace {

// Must run outside a transaction.
constexpr std::string_view kConnectionSetup[] = {
    "PRAGMA journal_mode=WAL",
    // Each accepted sign-up must survive a power cut, not only a crash.
    "PRAGMA synchronous=FULL",
    // What is deleted (an unsubscribed or erased person) is overwritten,
    // not left in free pages.
    "PRAGMA secure_delete=ON",
};

// The schema's history: step N brings a file from user_version N to N + 1.
// A file made before the schema was numbered reads 0, and step 0 leaves its
// table as it is. Every row's time is UTC with milliseconds, written by
// SQLite itself so that all writers share one clock format.
const std::vector<std::vector<std::string_view>> kMigrations = {
    {
        "CREATE TABLE IF NOT EXISTS signups ("
        " id INTEGER PRIMARY KEY,"
        " name TEXT NOT NULL,"
        " email TEXT NOT NULL,"
        " signed_up_at TEXT NOT NULL)",
        "CREATE UNIQUE INDEX IF NOT EXISTS signups_email_nocase ON signups(lower(email))",
    },
    // The mailing list: a sign-up is pending until its address confirms,
    // with the consent it gave; an unsubscribed address leaves only its key
    // and the time; mail waits in the outbox until the relay takes it.
    {
        "ALTER TABLE signups ADD COLUMN status TEXT NOT NULL DEFAULT 'confirmed'",
        "ALTER TABLE signups ADD COLUMN confirmed_at TEXT",
        "ALTER TABLE signups ADD COLUMN consent_address TEXT",
        "ALTER TABLE signups ADD COLUMN consent_user_agent TEXT",
        "ALTER TABLE signups ADD COLUMN consent_form_version TEXT",
        "ALTER TABLE signups ADD COLUMN token_hash TEXT",
        "ALTER TABLE signups ADD COLUMN token_expires_at TEXT",
        "ALTER TABLE signups ADD COLUMN last_mail_at TEXT",
        "UPDATE signups SET confirmed_at = signed_up_at WHERE confirmed_at IS NULL",
        "CREATE UNIQUE INDEX signups_token ON signups(token_hash)",
        "CREATE TABLE suppressions ("
        " email_key TEXT PRIMARY KEY,"
        " unsubscribed_at TEXT NOT NULL)",
        "CREATE TABLE outbox ("
        " id INTEGER PRIMARY KEY,"
        " email_key TEXT NOT NULL,"
        " recipient TEXT NOT NULL,"
        " token TEXT NOT NULL,"
        " message_id TEXT NOT NULL,"
        " queued_at TEXT NOT NULL,"
        " due_at TEXT NOT NULL,"
        " leased_until TEXT,"
        " attempts INTEGER NOT NULL DEFAULT 0)",
        "CREATE INDEX outbox_due ON outbox(due_at)",
        "CREATE INDEX outbox_email_key ON outbox(email_key)",
    },
    // The form's signing secret and the nonces that served a sign-up; how
    // many mails a pending address has been sent.
    {
        "CREATE TABLE form_secret ("
        " id INTEGER PRIMARY KEY CHECK (id = 1),"
        " secret TEXT NOT NULL)",
        "CREATE TABLE form_nonces ("
        " nonce TEXT PRIMARY KEY,"
        " keep_until INTEGER NOT NULL)",
        "CREATE INDEX form_nonces_keep_until ON form_nonces(keep_until)",
        "ALTER TABLE signups ADD COLUMN mails_sent INTEGER NOT NULL DEFAULT 0",
    },
    // What the maker sees per UTC day: counts, never a person.
    {
        "CREATE TABLE daily_counts ("
        " day TEXT PRIMARY KEY,"
        " views INTEGER NOT NULL DEFAULT 0,"
        " signups INTEGER NOT NULL DEFAULT 0,"
        " confirmed INTEGER NOT NULL DEFAULT 0,"
        " unsubscribed INTEGER NOT NULL DEFAULT 0)",
    },
};

// IMMEDIATE takes the write lock at once, so a competing writer makes the
// busy timeout apply here rather than half-way through a write.
constexpr std::string_view kBegin = "BEGIN IMMEDIATE";
constexpr std::string_view kCommit = "COMMIT";
constexpr std::string_view kRollback = "ROLLBACK";

// SQLite gives a new file the umask's mode, and its write-ahead log and
// shared-memory files the mode of the database: names and addresses are
// for the server's user only.
void create_private_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
  } else if (errno != EEXIST) {
    throw StoreError("cannot open database '" + path + "': " + std::strerror(errno));
  }
}

}  // namespace

std::string describe(sqlite3* db) {
  return std::string(sqlite3_errmsg(db)) + " (SQLite code " +
         std::to_string(sqlite3_extended_errcode(db)) + ")";
}

void throw_sqlite_error(sqlite3* db) {
  switch (sqlite3_errcode(db)) {
    case SQLITE_CONSTRAINT:
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
      throw StoreError(describe(db));
    default:
      // Locked, busy, full, unreadable, out of memory: the next write would
      // meet the same.
      throw StoreUnavailable(describe(db));
  }
}

void SqliteStore::StatementDeleter::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

void SqliteStore::DatabaseDeleter::operator()(sqlite3* db) const { sqlite3_close(db); }

SqliteStore::SqliteStore(const std::string& path, std::chrono::milliseconds busy_timeout)
    // One connection: one batch at a time.
    : signups_(
          1, kMostSignupsPerCommit, [this](const auto& batch) { return sign_up(batch); },
          [](const std::string& why) { return StoreFailure{"recording a sign-up: " + why}; }) {
  create_private_file(path);
  sqlite3* raw = nullptr;
  // The mutex below serialises all use of the one connection.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    throw StoreError("cannot open database '" + path + "': " +
                     (raw ? describe(raw) : std::string(sqlite3_errstr(rc))));
  }
  sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout.count()));
  try {
    for (const auto sql : kConnectionSetup) execute(sql);
    begin_ = prepare(kBegin);
    rollback_ = prepare(kRollback);
    migrate();
  } catch (const StoreError& error) {
    throw StoreError("cannot use database '" + path + "': " + error.what());
  }
}

SqliteStore::~SqliteStore() = default;

SqliteStore::Statement SqliteStore::prepare(std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &raw,
                                    nullptr);
  Statement statement(raw);
  if (rc != SQLITE_OK) throw_sqlite_error(db_.get());
  return statement;
}

void SqliteStore::execute(std::string_view sql) {
  const auto statement = prepare(sql);
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) throw_sqlite_error(db_.get());
}

// Under the write lock, so that servers starting together on one file take
// turns and each step runs once.
void SqliteStore::migrate() {
  try {
    execute(kBegin);
    const auto version_query = prepare("PRAGMA user_version");
    if (sqlite3_step(version_query.get()) != SQLITE_ROW) throw StoreError(describe(db_.get()));
    const auto version = static_cast<std::size_t>(sqlite3_column_int(version_query.get(), 0));
    for (std::size_t step = version; step < kMigrations.size(); ++step) {
      for (const auto sql : kMigrations[step]) execute(sql);
    }
    if (version < kMigrations.size()) {
      execute("PRAGMA user_version=" + std::to_string(kMigrations.size()));
    }
    execute(kCommit);
  } catch (const StoreError&) {
    roll_back_if_open();
    throw;
  }
}

std::optional<StoreFailure> SqliteStore::check() {
  const std::lock_guard lock(mutex_);
  // Taking the write lock is what a sign-up would wait for.
  std::optional<StoreFailure> failure;
  if (sqlite3_step(begin_.get()) != SQLITE_DONE) {
    failure = StoreFailure{"taking the write lock: " + describe(db_.get())};
  }
  sqlite3_reset(begin_.get());
  roll_back_if_open();
  return failure;
}

void SqliteStore::roll_back_if_open() {
  if (sqlite3_get_autocommit(db_.get())) return;
  sqlite3_step(rollback_.get());
  sqlite3_reset(rollback_.get());
}

}  // namespace brevolt::signup
