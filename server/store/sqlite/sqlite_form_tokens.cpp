// The form tokens' secret in the SQLite file, under the same lock as every
// other write.
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

}  // namespace brevolt::signup
