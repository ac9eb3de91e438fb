// The form tokens' secret and used nonces in PostgreSQL, shared by every
// instance on the database.
#include <libpq-fe.h>

#include "server/store/postgres/postgres_store.h"
#include "server/store/postgres/pq_connection.h"

namespace brevolt::signup {

std::string PostgresStore::form_secret(std::string_view fresh) {
  std::string secret;
  in_transaction([&](PqConnection& connection) {
    // Instances starting together: the first insert wins, the rest read it.
    connection.query(
        "INSERT INTO form_secret (id, secret) VALUES (1, $1) ON CONFLICT (id) DO NOTHING",
        {std::string(fresh)});
    const auto kept = connection.query("SELECT secret FROM form_secret WHERE id = 1", {});
    secret = PQgetvalue(kept.get(), 0, 0);
  });
  return secret;
}

// One statement, its own transaction, and a commit that does not wait for
// the disk: a nonce lost to a crash lets its token serve once more within
// its two hours, while a sync and a transaction of its own would cost the
// sign-ups it guards half of what they can write. The sign-up itself is
// committed durably as ever.
bool PostgresStore::use_form_nonce(std::string_view nonce, std::int64_t keep_until,
                                   std::int64_t now) {
  return retried(lease_deadline(), [&](PqConnection& connection) {
    const auto used = connection.query(
        "WITH forgotten AS (DELETE FROM form_nonces WHERE keep_until < $3::bigint),"
        " unsynced AS (SELECT set_config('synchronous_commit', 'off', true))"
        " INSERT INTO form_nonces (nonce, keep_until) SELECT $1, $2::bigint FROM unsynced"
        " ON CONFLICT (nonce) DO NOTHING",
        {std::string(nonce), std::to_string(keep_until), std::to_string(now)});
    return std::string_view(PQcmdTuples(used.get())) == "1";
  });
}

}  // namespace brevolt::signup
