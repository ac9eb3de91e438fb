// The form tokens' secret in PostgreSQL, shared by every instance on the
// database.
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

}  // namespace brevolt::signup
