#include "server/signup_store.h"

#include <sqlite3.h>

namespace brevolt::signup {
namespace {

// Every row's time is UTC with milliseconds, written by SQLite itself so
// that all writers share one clock format.
constexpr std::string_view kSchema[] = {
    "PRAGMA journal_mode=WAL",
    // Each accepted sign-up must survive a power cut, not only a crash.
    "PRAGMA synchronous=FULL",
    "CREATE TABLE IF NOT EXISTS signups ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " email TEXT NOT NULL,"
    " signed_up_at TEXT NOT NULL)",
    "CREATE UNIQUE INDEX IF NOT EXISTS signups_email_nocase ON signups(lower(email))",
};

// IMMEDIATE takes the write lock at once, so a competing writer makes the
// busy timeout apply here rather than half-way through the insert.
constexpr std::string_view kBegin = "BEGIN IMMEDIATE";
constexpr std::string_view kInsert =
    "INSERT INTO signups(name, email, signed_up_at)"
    " VALUES (?1, ?2, strftime('%Y-%m-%dT%H:%M:%fZ', 'now'))"
    " ON CONFLICT DO NOTHING";
constexpr std::string_view kCommit = "COMMIT";
constexpr std::string_view kRollback = "ROLLBACK";

std::string describe(sqlite3* db) {
  return std::string(sqlite3_errmsg(db)) + " (SQLite code " +
         std::to_string(sqlite3_extended_errcode(db)) + ")";
}

}  // namespace

void SignupStore::StatementDeleter::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

void SignupStore::DatabaseDeleter::operator()(sqlite3* db) const { sqlite3_close(db); }

SignupStore::SignupStore(const std::string& path, std::chrono::milliseconds busy_timeout) {
  sqlite3* raw = nullptr;
  // The mutex below serialises all use of the one connection.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    throw StoreError("cannot open database '" + path + "': " +
                     (raw ? describe(raw) : std::string(sqlite3_errstr(rc))));
  }
  sqlite3_busy_timeout(db_.get(), static_cast<int>(busy_timeout.count()));
  try {
    for (const auto sql : kSchema) execute_setup(sql);
    begin_ = prepare(kBegin);
    insert_ = prepare(kInsert);
    commit_ = prepare(kCommit);
    rollback_ = prepare(kRollback);
  } catch (const StoreError& error) {
    throw StoreError("cannot use database '" + path + "': " + error.what());
  }
}

SignupStore::~SignupStore() = default;

SignupStore::Statement SignupStore::prepare(std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &raw,
                                    nullptr);
  Statement statement(raw);
  if (rc != SQLITE_OK) throw StoreError(describe(db_.get()));
  return statement;
}

void SignupStore::execute_setup(std::string_view sql) {
  const auto statement = prepare(sql);
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) throw StoreError(describe(db_.get()));
}

std::variant<SignupOutcome, StoreFailure> SignupStore::add(std::string_view name,
                                                           std::string_view email) {
  const std::lock_guard lock(mutex_);
  auto result = add_locked(name, email);
  for (auto* statement : {begin_.get(), insert_.get(), commit_.get()}) sqlite3_reset(statement);
  sqlite3_clear_bindings(insert_.get());
  if (std::holds_alternative<StoreFailure>(result) && !sqlite3_get_autocommit(db_.get())) {
    // A failed step can leave the transaction open; nothing half-done stays.
    sqlite3_step(rollback_.get());
    sqlite3_reset(rollback_.get());
  }
  return result;
}

std::variant<SignupOutcome, StoreFailure> SignupStore::add_locked(std::string_view name,
                                                                  std::string_view email) {
  const auto failure = [&](std::string_view during) {
    return StoreFailure{std::string(during) + ": " + describe(db_.get())};
  };
  if (sqlite3_step(begin_.get()) != SQLITE_DONE) return failure("starting the transaction");
  if (sqlite3_bind_text(insert_.get(), 1, name.data(), static_cast<int>(name.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK ||
      sqlite3_bind_text(insert_.get(), 2, email.data(), static_cast<int>(email.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    return failure("binding the values");
  }
  if (sqlite3_step(insert_.get()) != SQLITE_DONE) return failure("inserting the row");
  const bool added = sqlite3_changes(db_.get()) > 0;
  if (sqlite3_step(commit_.get()) != SQLITE_DONE) return failure("committing");
  return added ? SignupOutcome::Added : SignupOutcome::AlreadyKnown;
}

}  // namespace brevolt::signup
