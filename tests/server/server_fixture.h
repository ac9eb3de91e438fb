#pragma once
// Runs the sign-up server in-process on a free loopback port, with its own
// database in a fresh temporary directory.
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/http/signup_server.h"
#include "server/store/sqlite/sqlite_store.h"

namespace brevolt::signup::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct SignupRow {
  std::string name;
  std::string email;
  std::string signed_up_at;
};

// Read with a connection of the test's own, as an operator would.
std::vector<SignupRow> read_rows(const std::filesystem::path& db);

inline constexpr std::chrono::milliseconds kTestBusyTimeout{200};

class ServerUnderTest {
 public:
  ServerUnderTest();
  ~ServerUnderTest();

  // Stops listening and returns once every request in progress is answered.
  void stop();

  httplib::Client client() const;
  int port() const { return port_; }
  const std::filesystem::path& db_path() const { return db_path_; }
  std::vector<std::string> log_lines() const;

 private:
  TempDir dir_;
  std::filesystem::path db_path_;
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_;
  SqliteStore store_;
  SignupServer server_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace brevolt::signup::test
