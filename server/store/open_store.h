#pragma once
// Chooses the store from what --db names: a postgresql:// (or postgres://)
// connection URI as libpq reads it, or else the path of an SQLite file.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "server/store/signup_store.h"

namespace brevolt::signup {

struct StoreSettings {
  // The longest one call may wait for a lock or for the database server.
  std::chrono::milliseconds timeout;
  // Connections held open at once (PostgreSQL; SQLite has one).
  std::size_t connections = 1;
};

bool names_postgres(std::string_view location);

// Opens the store and creates or migrates its schema. Throws StoreError.
std::unique_ptr<SignupStore> open_store(const std::string& location,
                                        const StoreSettings& settings);

}  // namespace brevolt::signup
