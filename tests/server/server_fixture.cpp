#include "tests/server/server_fixture.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <memory>
#include <stdexcept>

namespace brevolt::signup::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "brevolt-server-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<SignupRow> read_rows(const std::filesystem::path& db) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> conn(raw, &sqlite3_close);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + db.string());
  sqlite3_stmt* stmt_raw = nullptr;
  if (sqlite3_prepare_v2(conn.get(), "SELECT name, email, signed_up_at FROM signups ORDER BY id",
                         -1, &stmt_raw, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(conn.get()));
  }
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(stmt_raw, &sqlite3_finalize);
  std::vector<SignupRow> rows;
  const auto text = [&](int column) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), column)));
  };
  while (sqlite3_step(stmt.get()) == SQLITE_ROW) rows.push_back({text(0), text(1), text(2)});
  return rows;
}

ServerUnderTest::ServerUnderTest()
    : db_path_(dir_.path() / "signups.db"),
      store_(db_path_.string(), kTestBusyTimeout),
      server_(store_, [this](std::string_view line) {
        const std::lock_guard lock(log_mutex_);
        log_.emplace_back(line);
      }) {
  const auto port = server_.bind({"127.0.0.1", 0});
  if (!port) throw std::runtime_error("cannot bind a loopback port");
  port_ = *port;
  thread_ = std::thread([this] { server_.run(); });
}

ServerUnderTest::~ServerUnderTest() { stop(); }

void ServerUnderTest::stop() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

httplib::Client ServerUnderTest::client() const {
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(std::chrono::seconds(5));
  client.set_read_timeout(std::chrono::seconds(5));
  return client;
}

std::vector<std::string> ServerUnderTest::log_lines() const {
  const std::lock_guard lock(log_mutex_);
  return log_;
}

}  // namespace brevolt::signup::test
