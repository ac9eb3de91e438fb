// The form tokens' secret and used nonces in the SQLite file, under the
// same lock as every other write.
#include <sqlite3.h>

#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {

std::string SqliteStore::form_secret(std::string_view fresh) {
  const std::lock_guard lock(mutex_);
  try {
    execute("BEGIN IMMEDIATE");
    const auto keep = prepare("INSERT OR IGNORE INTO form_secret(id, secret) VALUES (1, ?1)");
    sqlite3_bind_text(keep.get(), 1, fresh.data(), static_cast<int>(fresh.size()),
                      SQLITE_TRANSIENT);
    if (sqlite3_step(keep.get()) != SQLITE_DONE) throw StoreError(sqlite3_errmsg(db_.get()));
    const auto kept = prepare("SELECT secret FROM form_secret WHERE id = 1");
    if (sqlite3_step(kept.get()) != SQLITE_ROW) throw StoreError(sqlite3_errmsg(db_.get()));
    std::string secret(reinterpret_cast<const char*>(sqlite3_column_text(kept.get(), 0)));
    execute("COMMIT");
    return secret;
  } catch (...) {
    roll_back_if_open();
    throw;
  }
}

namespace {

// A nonce lost to a crash lets its token serve once more within its two
// hours, while a sync of its own would halve what the sign-ups it guards can
// write: its write waits for the next sign-up's sync instead, which carries
// the whole log. The sign-up itself is synced as ever.
class UnsyncedWrite {
 public:
  explicit UnsyncedWrite(sqlite3* db) : db_(db) {
    sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  }
  ~UnsyncedWrite() { sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr); }
  UnsyncedWrite(const UnsyncedWrite&) = delete;
  UnsyncedWrite& operator=(const UnsyncedWrite&) = delete;

 private:
  sqlite3* db_;
};

}  // namespace

bool SqliteStore::use_form_nonce(std::string_view nonce, std::int64_t keep_until,
                                 std::int64_t now) {
  const std::lock_guard lock(mutex_);
  const UnsyncedWrite unsynced(db_.get());
  try {
    execute("BEGIN IMMEDIATE");
    const auto forget = prepare("DELETE FROM form_nonces WHERE keep_until < ?1");
    sqlite3_bind_int64(forget.get(), 1, now);
    if (sqlite3_step(forget.get()) != SQLITE_DONE) throw StoreError(sqlite3_errmsg(db_.get()));
    const auto use =
        prepare("INSERT OR IGNORE INTO form_nonces(nonce, keep_until) VALUES (?1, ?2)");
    sqlite3_bind_text(use.get(), 1, nonce.data(), static_cast<int>(nonce.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(use.get(), 2, keep_until);
    if (sqlite3_step(use.get()) != SQLITE_DONE) throw StoreError(sqlite3_errmsg(db_.get()));
    const bool fresh = sqlite3_changes(db_.get()) == 1;
    execute("COMMIT");
    return fresh;
  } catch (...) {
    roll_back_if_open();
    throw;
  }
}

}  // namespace brevolt::signup
