#include "tests/harness/signup_rows.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace brevolt::test {

std::vector<SignupRow> ReadSignups(const std::filesystem::path& db) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> connection(raw, &sqlite3_close);
  if (opened != SQLITE_OK) throw std::runtime_error("cannot open " + db.string());
  sqlite3_stmt* raw_statement = nullptr;
  if (sqlite3_prepare_v2(connection.get(),
                         "SELECT name, email, signed_up_at FROM signups ORDER BY id", -1,
                         &raw_statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error(db.string() + ": " + sqlite3_errmsg(connection.get()));
  }
  const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw_statement,
                                                                             &sqlite3_finalize);
  const auto text = [&](int column) {
    const unsigned char* value = sqlite3_column_text(statement.get(), column);
    return value != nullptr ? std::string(reinterpret_cast<const char*>(value)) : std::string();
  };
  std::vector<SignupRow> rows;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    rows.push_back({text(0), text(1), text(2)});
  }
  if (step != SQLITE_DONE) {
    throw std::runtime_error(db.string() + ": " + sqlite3_errmsg(connection.get()));
  }
  return rows;
}

}  // namespace brevolt::test
