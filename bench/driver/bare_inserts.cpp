#include "bench/driver/bare_inserts.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bench/driver/settings.h"
#include "server/constants.h"

namespace brevolt::bench {
namespace {

// What the server does with every sign-up, without the server: the same
// pragmas and schema, one transaction per row.
constexpr const char* kBareSetup[] = {
    "PRAGMA journal_mode=WAL",
    "PRAGMA synchronous=FULL",
    ("CREATE TABLE IF NOT EXISTS signups (id INTEGER PRIMARY KEY, name TEXT NOT NULL,"
     " email TEXT NOT NULL, signed_up_at TEXT NOT NULL)"),
    "CREATE UNIQUE INDEX IF NOT EXISTS signups_email_nocase ON signups(lower(email))",
};
constexpr const char* kBareInsert =
    "INSERT INTO signups(name, email, signed_up_at)"
    " VALUES (?1, ?2, strftime('%Y-%m-%dT%H:%M:%fZ', 'now')) ON CONFLICT DO NOTHING";

// The server's PostgreSQL schema and insert, as its first migration makes them.
constexpr const char* kBarePostgresSetup =
    "SET client_min_messages = warning;"
    "CREATE TABLE IF NOT EXISTS signups ("
    " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, name text NOT NULL,"
    " email text NOT NULL, email_key text COLLATE \"C\" NOT NULL,"
    " signed_up_at timestamptz NOT NULL DEFAULT clock_timestamp());"
    "CREATE UNIQUE INDEX IF NOT EXISTS signups_email_key ON signups (email_key)";
constexpr const char* kBarePostgresInsert =
    "INSERT INTO signups (name, email, email_key) VALUES ($1, $2, $3)"
    " ON CONFLICT (email_key) DO NOTHING";

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Connection Connect(const std::string& uri) {
  Connection conn(PQconnectdb(uri.c_str()), &PQfinish);
  if (PQstatus(conn.get()) != CONNECTION_OK) {
    throw std::runtime_error(std::string("bare libpq: ") + PQerrorMessage(conn.get()));
  }
  return conn;
}

void Expect(const Result& result, ExecStatusType status, PGconn* conn) {
  if (PQresultStatus(result.get()) != status) {
    throw std::runtime_error(std::string("bare libpq: ") + PQerrorMessage(conn));
  }
}

}  // namespace

double BareSqliteInsertsPerSecond(const std::string& path, const std::string& label) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open(path.c_str(), &raw);
  const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  const auto check = [&](int rc, int expected) {
    if (rc != expected) throw std::runtime_error(std::string("bare SQLite: ") + sqlite3_errmsg(db.get()));
  };
  check(opened, SQLITE_OK);
  for (const char* sql : kBareSetup) check(sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_stmt* raw_insert = nullptr;
  check(sqlite3_prepare_v2(db.get(), kBareInsert, -1, &raw_insert, nullptr), SQLITE_OK);
  const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> insert(raw_insert, &sqlite3_finalize);
  const auto start = Clock::now();
  for (int i = 0; i < kThroughputSignUps; ++i) {
    const auto email = label + "-" + std::to_string(i) + "@example.org";
    check(sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_bind_text(insert.get(), 1, "Bench", -1, SQLITE_STATIC);
    sqlite3_bind_text(insert.get(), 2, email.c_str(), -1, SQLITE_TRANSIENT);
    check(sqlite3_step(insert.get()), SQLITE_DONE);
    sqlite3_reset(insert.get());
    check(sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  }
  return kThroughputSignUps / std::chrono::duration<double>(Clock::now() - start).count();
}

double BarePostgresInsertsPerSecond(const std::string& uri, const std::string& label) {
  {
    const auto setup = Connect(uri);
    Expect(Result(PQexec(setup.get(), kBarePostgresSetup), &PQclear), PGRES_COMMAND_OK, setup.get());
  }
  std::vector<Connection> connections;
  for (std::size_t c = 0; c < signup::kStoreConnections; ++c) {
    connections.push_back(Connect(uri));
    const Result prepared(PQprepare(connections.back().get(), "insert", kBarePostgresInsert, 3, nullptr),
                          &PQclear);
    Expect(prepared, PGRES_COMMAND_OK, connections.back().get());
  }
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  const auto start = Clock::now();
  for (auto& connection : connections) {
    threads.emplace_back([&, conn = connection.get()] {
      for (int i; (i = next++) < kThroughputSignUps && !failed;) {
        // Lower case already: the key is the address as typed.
        const auto email = label + "-" + std::to_string(i) + "@example.org";
        const char* values[] = {"Bench", email.c_str(), email.c_str()};
        const Result inserted(PQexecPrepared(conn, "insert", 3, values, nullptr, nullptr, 0), &PQclear);
        if (PQresultStatus(inserted.get()) != PGRES_COMMAND_OK) failed = true;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  if (failed) throw std::runtime_error("bare libpq: an insert failed");
  return kThroughputSignUps / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace brevolt::bench
