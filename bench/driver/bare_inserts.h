#pragma once
// What the server does with every sign-up, without the server: the floors
// its sign-ups a second are held against.
#include <string>

namespace brevolt::bench {

// One connection, one transaction per row, the server's pragmas and schema.
double BareSqliteInsertsPerSecond(const std::string& path, const std::string& label);

// As many connections at once as the server holds (kStoreConnections), each
// committing one row at a time with the server's schema and insert.
double BarePostgresInsertsPerSecond(const std::string& uri, const std::string& label);

}  // namespace brevolt::bench
