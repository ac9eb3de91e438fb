#include "server/store/postgres/postgres_counts.h"

#include <libpq-fe.h>

#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {

void count_today(PqConnection& connection, DailyColumn column, std::int64_t by) {
  const std::string name(column_name(column));
  connection.query("INSERT INTO daily_counts (day, " + name + ") VALUES (" BREVOLT_PG_TODAY
                   ", $1::bigint) ON CONFLICT (day) DO UPDATE SET " + name +
                       " = daily_counts." + name + " + EXCLUDED." + name,
                   {std::to_string(by)});
}

void PostgresStore::add_views(std::int64_t views) {
  if (views <= 0) return;
  in_transaction(
      [&](PqConnection& connection) { count_today(connection, DailyColumn::Views, views); });
}

std::vector<DayCounts> PostgresStore::daily_counts(const std::string& first_day) {
  std::vector<DayCounts> days;
  in_transaction([&](PqConnection& connection) {
    days.clear();
    const auto rows = connection.query(
        "SELECT to_char(day, 'YYYY-MM-DD'), views, signups, confirmed, unsubscribed"
        " FROM daily_counts WHERE day >= $1::date ORDER BY day",
        {first_day});
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
      const auto number = [&](int column) {
        return std::stoll(PQgetvalue(rows.get(), row, column));
      };
      days.push_back({PQgetvalue(rows.get(), row, 0), number(1), number(2), number(3), number(4)});
    }
  });
  return days;
}

OutboxSummary PostgresStore::outbox_summary() {
  OutboxSummary summary;
  in_transaction([&](PqConnection& connection) {
    const auto found = connection.query(
        "SELECT count(*), extract(epoch FROM clock_timestamp() - min(queued_at))::bigint"
        " FROM outbox",
        {});
    summary.waiting = std::stoll(PQgetvalue(found.get(), 0, 0));
    summary.oldest.reset();
    if (!PQgetisnull(found.get(), 0, 1)) {
      summary.oldest = std::chrono::seconds(std::stoll(PQgetvalue(found.get(), 0, 1)));
    }
  });
  return summary;
}

}  // namespace brevolt::signup
