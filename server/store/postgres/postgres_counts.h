#pragma once
// The daily counts in PostgreSQL, shared by every server on the database:
// each adds to the day's row in the transaction that records what it
// counts, so that concurrent servers add up rather than overwrite.
#include "server/store/daily_counts.h"

namespace brevolt::signup {

class PqConnection;

// The day as the database server's clock has it, in UTC.
#define BREVOLT_PG_TODAY "(clock_timestamp() AT TIME ZONE 'UTC')::date"

// A CTE that counts the rows of `added` (new sign-ups, confirmed at once)
// in the same statement that inserts them.
#define BREVOLT_PG_COUNT_ADDED                                                             \
  " counted AS (INSERT INTO daily_counts (day, signups, confirmed)"                        \
  " SELECT " BREVOLT_PG_TODAY ", count(*), count(*) FROM added HAVING count(*) > 0"        \
  " ON CONFLICT (day) DO UPDATE SET signups = daily_counts.signups + EXCLUDED.signups,"    \
  " confirmed = daily_counts.confirmed + EXCLUDED.confirmed)"

// Inside the connection's open transaction. Throws StoreError.
void count_today(PqConnection& connection, DailyColumn column, std::int64_t by = 1);

}  // namespace brevolt::signup
