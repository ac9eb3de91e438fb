#include "tests/server/server_fixture.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <memory>
#include <stdexcept>

#include "tests/harness/x_session.h"

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

WriteLock::WriteLock(const std::filesystem::path& db) : conn_(nullptr, &sqlite3_close) {
  sqlite3* raw = nullptr;
  sqlite3_open(db.c_str(), &raw);
  conn_.reset(raw);
  locked_ = sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

WriteLock::~WriteLock() { sqlite3_exec(conn_.get(), "ROLLBACK", nullptr, nullptr, nullptr); }

ServerUnderTest::ServerUnderTest(ServerSettings settings)
    : db_path_(dir_.path() / "signups.db"),
      store_(db_path_.string(), kTestBusyTimeout),
      server_(gate_, std::move(settings), [this](std::string_view line) {
        const std::lock_guard lock(log_mutex_);
        log_.emplace_back(line);
      }) {
  const auto port = server_.bind({"127.0.0.1", 0});
  if (!port) throw std::runtime_error("cannot bind a loopback port");
  port_ = *port;
  thread_ = std::thread([this] { server_.run(); });
}

ServerUnderTest::~ServerUnderTest() {
  gate_.open();
  stop();
}

void ServerUnderTest::stop() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

bool ServerUnderTest::wait_for_connections(std::size_t count) {
  return brevolt::test::WaitUntil([&] { return open_connections() == count; },
                                  std::chrono::seconds(10));
}

bool ServerUnderTest::listening() const {
  httplib::Client probe("127.0.0.1", port_);
  probe.set_connection_timeout(std::chrono::seconds(5));
  return static_cast<bool>(probe.Get("/healthz"));
}

void GatedStore::pass() {
  std::unique_lock lock(mutex_);
  ++waiting_;
  changed_.notify_all();
  changed_.wait(lock, [&] { return !closed_; });
  --waiting_;
}

AddResult GatedStore::add(std::string_view name, std::string_view email) {
  pass();
  return inner_.add(name, email);
}

ListSignupResult GatedStore::sign_up(const ListSignup& signup) {
  pass();
  return inner_.sign_up(signup);
}

void GatedStore::close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
}

void GatedStore::open() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = false;
  }
  changed_.notify_all();
}

bool GatedStore::wait_for_arrival(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return waiting_ > 0; });
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
