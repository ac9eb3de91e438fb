// The daily counts in the SQLite file: written in the transaction that
// records what they count, under the same lock.
#include <sqlite3.h>

#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {
namespace {

constexpr std::string_view kToday = "strftime('%Y-%m-%d', 'now')";

}  // namespace

void SqliteStore::count_today(DailyColumn column, std::int64_t by) {
  const std::string name(column_name(column));
  const auto add = prepare("INSERT INTO daily_counts(day, " + name + ") VALUES (" +
                           std::string(kToday) + ", ?1) ON CONFLICT(day) DO UPDATE SET " + name +
                           " = " + name + " + excluded." + name);
  sqlite3_bind_int64(add.get(), 1, by);
  if (sqlite3_step(add.get()) != SQLITE_DONE) {
    throw StoreError(std::string("counting the day: ") + sqlite3_errmsg(db_.get()));
  }
}

void SqliteStore::add_views(std::int64_t views) {
  if (views <= 0) return;
  const std::lock_guard lock(mutex_);
  try {
    execute("BEGIN IMMEDIATE");
    count_today(DailyColumn::Views, views);
    execute("COMMIT");
  } catch (...) {
    roll_back_if_open();
    throw;
  }
}

std::vector<DayCounts> SqliteStore::daily_counts(const std::string& first_day) {
  const std::lock_guard lock(mutex_);
  const auto rows = prepare(
      "SELECT day, views, signups, confirmed, unsubscribed FROM daily_counts"
      " WHERE day >= ?1 ORDER BY day");
  sqlite3_bind_text(rows.get(), 1, first_day.data(), static_cast<int>(first_day.size()),
                    SQLITE_TRANSIENT);
  std::vector<DayCounts> days;
  int rc;
  while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
    const auto* day = reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), 0));
    days.push_back({day ? day : "", sqlite3_column_int64(rows.get(), 1),
                    sqlite3_column_int64(rows.get(), 2), sqlite3_column_int64(rows.get(), 3),
                    sqlite3_column_int64(rows.get(), 4)});
  }
  if (rc != SQLITE_DONE) throw StoreError(sqlite3_errmsg(db_.get()));
  return days;
}

OutboxSummary SqliteStore::outbox_summary() {
  const std::lock_guard lock(mutex_);
  const auto summary = prepare(
      "SELECT count(*), CAST((julianday('now') - julianday(min(queued_at))) * 86400 AS INTEGER)"
      " FROM outbox");
  if (sqlite3_step(summary.get()) != SQLITE_ROW) throw StoreError(sqlite3_errmsg(db_.get()));
  OutboxSummary out;
  out.waiting = sqlite3_column_int64(summary.get(), 0);
  if (sqlite3_column_type(summary.get(), 1) != SQLITE_NULL) {
    out.oldest = std::chrono::seconds(sqlite3_column_int64(summary.get(), 1));
  }
  return out;
}

}  // namespace brevolt::signup
