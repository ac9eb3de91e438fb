#include "server/store/open_store.h"

#include "server/store/postgres/postgres_store.h"
#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup {

bool names_postgres(std::string_view location) {
  return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<SignupStore> open_store(const std::string& location,
                                        const StoreSettings& settings) {
  if (names_postgres(location)) {
    return std::make_unique<PostgresStore>(location, settings.timeout, settings.connections);
  }
  return std::make_unique<SqliteStore>(location, settings.timeout);
}

}  // namespace brevolt::signup
