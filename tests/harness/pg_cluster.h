#pragma once
// A throw-away PostgreSQL cluster in a temporary folder: reachable only by
// its Unix socket there, gone when the object goes. Run as an unprivileged
// user when the tests run as root, since initdb refuses root.
#include <string>
#include <vector>

namespace brevolt::test {

class PgCluster {
 public:
  struct Settings {
    // Off for tests (nothing here must outlive a power cut); the bench keeps
    // it on so that a commit costs what it costs in production.
    bool fsync = false;
  };

  // initdb and start; throws std::runtime_error with the tools' output.
  explicit PgCluster(Settings settings);
  PgCluster() : PgCluster(Settings{}) {}
  ~PgCluster();
  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;

  // A new, empty database; returns its connection URI.
  std::string create_database();
  // The rows of a query, one line each, columns separated by '|'.
  std::vector<std::string> query(const std::string& uri, const std::string& sql) const;

  // The database server going away (connections dropped) and coming back.
  void stop();
  void start();

 private:
  void run(std::vector<std::string> argv) const;

  std::string dir_;
  Settings settings_;
  int databases_ = 0;
  bool running_ = false;
};

// One cluster per test program, started on first use and stopped at exit.
PgCluster& SharedPgCluster();

}  // namespace brevolt::test
