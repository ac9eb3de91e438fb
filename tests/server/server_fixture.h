#pragma once
// Runs the sign-up server in-process on a free loopback port, with its own
// database in a fresh temporary directory.
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/http/signup_server.h"
#include "server/store/sqlite/sqlite_store.h"
#include "server/token.h"
#include "tests/harness/scratch_dir.h"
#include "tests/harness/signup_rows.h"

namespace brevolt::signup::test {

using brevolt::test::ReadSignups;
using brevolt::test::ScratchDir;

// Holds the write lock from a second connection, as another writer would.
class WriteLock {
 public:
  explicit WriteLock(const std::filesystem::path& db);
  ~WriteLock();
  bool locked() const { return locked_; }

 private:
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> conn_;
  bool locked_ = false;
};

inline constexpr std::chrono::milliseconds kTestBusyTimeout{200};

// A sign-up as the form would hand it to a store; `by_mail` gives it a
// fresh link secret and Message-ID.
inline ListSignup list_signup(const std::string& email, bool by_mail) {
  ListSignup signup;
  signup.name = "Ann";
  signup.email = email;
  signup.consent_address = "192.0.2.7";
  signup.user_agent = "test";
  signup.form_version = "2";
  signup.confirm_by_mail = by_mail;
  if (by_mail) {
    const auto token = new_token();
    signup.token = token.text;
    signup.token_hash = token.hash;
    signup.message_id = "id-" + token.text.substr(0, 8) + "@example.org";
  }
  return signup;
}

// The real store with a gate before each sign-up: a closed gate holds them
// at the door of the store, and says when one has arrived there.
class GatedStore final : public SignupStore {
 public:
  explicit GatedStore(SignupStore& inner) : inner_(inner) {}
  ListSignupResult sign_up(const ListSignup& signup) override;
  std::optional<StoreFailure> check() override { return inner_.check(); }
  MailingList& list() override { return inner_.list(); }
  void add_views(std::int64_t views) override { inner_.add_views(views); }
  std::vector<DayCounts> daily_counts(const std::string& first_day) override {
    return inner_.daily_counts(first_day);
  }
  OutboxSummary outbox_summary() override { return inner_.outbox_summary(); }
  FormTokenStore& form_tokens() override { return inner_.form_tokens(); }

  void close();
  void open();
  // True once a sign-up waits at the closed gate (within `timeout`).
  bool wait_for_arrival(std::chrono::milliseconds timeout);

 private:
  void pass();

  SignupStore& inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
  int waiting_ = 0;
};

class ServerUnderTest {
 public:
  explicit ServerUnderTest(ServerSettings settings = {});
  ~ServerUnderTest();

  // Stops listening and returns once every request in progress is
  // answered, or abandoned past the settings' stop bound.
  void stop();
  // Whether the listener still takes connections.
  bool listening() const;
  GatedStore& gate() { return gate_; }
  std::size_t open_connections() { return server_.open_connections(); }
  // Waits (within a generous limit) until exactly `count` are open.
  bool wait_for_connections(std::size_t count);

  httplib::Client client() const;
  int port() const { return port_; }
  const std::filesystem::path& db_path() const { return db_path_; }
  std::vector<std::string> log_lines() const;

 private:
  ScratchDir dir_{"brevolt-server"};
  std::filesystem::path db_path_;
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_;
  SqliteStore store_;
  GatedStore gate_{store_};
  SignupServer server_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace brevolt::signup::test
