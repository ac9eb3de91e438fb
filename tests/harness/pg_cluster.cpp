#include "tests/harness/pg_cluster.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "tests/harness/spawn.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kBinDir = "/usr/lib/postgresql/15/bin/";
constexpr const char* kSuperuser = "brevolt";
constexpr const char* kUnprivilegedUser = "nobody";
constexpr auto kToolTimeout = 120s;

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// As root, the tools run as an unprivileged user that owns the folder.
std::vector<std::string> as_owner(const std::string& dir, std::vector<std::string> argv) {
  if (geteuid() != 0) return argv;
  const passwd* user = getpwnam(kUnprivilegedUser);
  if (user == nullptr) throw std::runtime_error("no user 'nobody' to run PostgreSQL as");
  if (chown(dir.c_str(), user->pw_uid, user->pw_gid) != 0) {
    throw std::runtime_error("cannot give " + dir + " to nobody");
  }
  std::vector<std::string> wrapped = {"setpriv", "--reuid=" + std::to_string(user->pw_uid),
                                      "--regid=" + std::to_string(user->pw_gid), "--clear-groups",
                                      "--"};
  wrapped.insert(wrapped.end(), argv.begin(), argv.end());
  return wrapped;
}

}  // namespace

PgCluster::PgCluster(Settings settings) : settings_(settings) {
  // Always below /tmp, whatever TMPDIR says: the user the cluster runs as
  // must reach the folder, and a socket's path must stay under 108 bytes.
  std::string pattern = "/tmp/brevolt-pg-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  try {
    run({std::string(kBinDir) + "initdb", "-D", dir_ + "/data", "-U", kSuperuser, "--auth=trust",
         "--no-sync", "-E", "UTF8", "--locale=C.UTF-8"});
    start();
  } catch (...) {
    std::filesystem::remove_all(dir_);
    throw;
  }
}

PgCluster::~PgCluster() {
  if (running_) {
    try {
      run({std::string(kBinDir) + "pg_ctl", "stop", "-D", dir_ + "/data", "-m", "immediate", "-w"});
    } catch (const std::exception&) {
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void PgCluster::run(std::vector<std::string> argv) const {
  const std::string log = dir_ + "/tool.log";
  const auto program = argv.front();
  Child child(as_owner(dir_, std::move(argv)), {}, {dir_, log});
  const auto status = child.WaitExit(kToolTimeout);
  if (status != 0) {
    throw std::runtime_error(program + " failed: " + read_file(log) +
                             read_file(dir_ + "/server.log"));
  }
}

void PgCluster::start() {
  // No TCP at all; the socket lives in the folder.
  std::string options = "-c listen_addresses='' -c unix_socket_directories='" + dir_ + "'";
  if (!settings_.fsync) options += " -c fsync=off -c full_page_writes=off";
  run({std::string(kBinDir) + "pg_ctl", "start", "-D", dir_ + "/data", "-l", dir_ + "/server.log",
       "-w", "-o", options});
  running_ = true;
}

void PgCluster::stop() {
  run({std::string(kBinDir) + "pg_ctl", "stop", "-D", dir_ + "/data", "-m", "fast", "-w"});
  running_ = false;
}

std::string PgCluster::create_database() {
  const std::string name = "signups" + std::to_string(++databases_);
  run({std::string(kBinDir) + "createdb", "-h", dir_, "-U", kSuperuser, name});
  return "postgresql:///" + name + "?host=" + dir_ + "&user=" + kSuperuser;
}

std::vector<std::string> PgCluster::query(const std::string& uri, const std::string& sql) const {
  Child child({std::string(kBinDir) + "psql", "-X", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", uri,
               "-c", sql});
  std::vector<std::string> lines;
  while (auto line = child.ReadLine(kToolTimeout)) lines.push_back(*line);
  if (child.WaitExit(kToolTimeout) != 0) throw std::runtime_error("psql failed: " + sql);
  return lines;
}

PgCluster& SharedPgCluster() {
  static const auto cluster = std::make_unique<PgCluster>();
  return *cluster;
}

}  // namespace brevolt::test
