#pragma once
// One SQLite statement, prepared where it is used, and the error it throws:
// a fault of the file as a whole (locked, full, unreadable) is told apart
// from one of the data a statement was given.
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevolt::signup {

// Times as every row has them: UTC with milliseconds, by SQLite's clock.
#define BREVOLT_NOW "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')"
#define BREVOLT_NOW_PLUS(seconds) "strftime('%Y-%m-%dT%H:%M:%fZ', 'now', " seconds " || ' seconds')"

// SQLite's last message on `db` and its code.
std::string describe(sqlite3* db);
// Throws StoreUnavailable unless the last error on `db` lies in a
// statement's data (a constraint, a value too big), else StoreError.
[[noreturn]] void throw_sqlite_error(sqlite3* db);

class Query {
 public:
  Query(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK) {
      throw_sqlite_error(db_);
    }
  }
  ~Query() { sqlite3_finalize(statement_); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& bind(int index, std::string_view text) {
    if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
      throw_sqlite_error(db_);
    }
    return *this;
  }
  Query& bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) throw_sqlite_error(db_);
    return *this;
  }
  // True while there is a row to read.
  bool step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) throw_sqlite_error(db_);
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
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace brevolt::signup
