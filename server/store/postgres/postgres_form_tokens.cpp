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

bool PostgresStore::use_form_nonce(std::string_view nonce, std::int64_t keep_until,
                                   std::int64_t now) {
  bool fresh = false;
  in_transaction([&](PqConnection& connection) {
    connection.query("DELETE FROM form_nonces WHERE keep_until < $1::bigint",
                     {std::to_string(now)});
    const auto used = connection.query(
        "INSERT INTO form_nonces (nonce, keep_until) VALUES ($1, $2::bigint)"
        " ON CONFLICT (nonce) DO NOTHING",
        {std::string(nonce), std::to_string(keep_until)});
    fresh = std::string_view(PQcmdTuples(used.get())) == "1";
  });
  return fresh;
}

}  // namespace brevolt::signup
