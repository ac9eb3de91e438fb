#include "tests/server/server_fixture.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

#include "tests/harness/x_session.h"

namespace brevolt::signup::test {

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
