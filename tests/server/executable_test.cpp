#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "tests/server/child_process.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kExitTimeout = std::chrono::seconds(10);

std::vector<std::string> command(std::vector<std::string> args) {
  args.insert(args.begin(), BREVOLT_SIGNUP_SERVER_PATH);
  return args;
}

struct RefusalCase {
  const char* label;
  std::vector<std::string> args;  // "@DIR" stands for a fresh temporary directory
  const char* says;
};

// A port that is certainly taken while the returned socket stays open.
int occupy_port(int& sock) {
  sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(sock, 1);
  socklen_t length = sizeof addr;
  getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &length);
  return ntohs(addr.sin_port);
}

TEST(Executable, RefusesBadCommandLinesWithOneClearLine) {
  TempDir dir;
  const auto db = (dir.path() / "s.db").string();
  {
    std::ofstream not_a_db(dir.path() / "notes.txt");
    not_a_db << "this is not a database, just some text that is long enough to have a header\n"
             << std::string(200, '#');
  }
  int taken_sock = -1;
  const int taken = occupy_port(taken_sock);
  const RefusalCase cases[] = {
      {"unknown flag", {"--verbose"}, "unknown option '--verbose'"},
      {"missing value", {"--db", db, "--listen"}, "--listen needs a value"},
      {"port too big", {"--listen", "127.0.0.1:70000", "--db", db}, "the port must be a number"},
      {"port not a number", {"--listen", "127.0.0.1:http", "--db", db}, "the port must be"},
      {"negative port", {"--listen", "127.0.0.1:-1", "--db", db}, "the port must be"},
      {"no port", {"--listen", "127.0.0.1", "--db", db}, "expected HOST:PORT"},
      {"no host", {"--listen", ":8080", "--db", db}, "the host is empty"},
      {"missing directory", {"--listen", "127.0.0.1:0", "--db", dir.path() / "none/s.db"},
       "cannot open database"},
      {"directory as db", {"--listen", "127.0.0.1:0", "--db", dir.path()}, "database"},
      {"not a database", {"--listen", "127.0.0.1:0", "--db", dir.path() / "notes.txt"},
       "not a database"},
      {"port taken", {"--listen", "127.0.0.1:" + std::to_string(taken), "--db", db},
       "cannot listen on 127.0.0.1:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ChildProcess child(command(c.args));
    const auto status = child.wait(kExitTimeout);
    ASSERT_TRUE(status);
    EXPECT_NE(*status, 0);
    const auto err = child.stderr_text();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(err.rfind("brevolt-signup-server: ", 0), 0u) << err;
  }
  close(taken_sock);
}

TEST(Executable, HelpDescribesTheFlags) {
  ChildProcess child(command({"--help"}));
  const auto first = child.read_stdout_line(kStartTimeout);
  ASSERT_TRUE(first);
  EXPECT_NE(first->find("--listen HOST:PORT"), std::string::npos);
  EXPECT_EQ(child.wait(kExitTimeout), 0);
}

TEST(Executable, VersionIsOneLineWithTheNumber) {
  ChildProcess child(command({"--version"}));
  const auto line = child.read_stdout_line(kStartTimeout);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->rfind("brevolt-signup-server ", 0), 0u) << *line;
  EXPECT_NE(line->find_first_of("0123456789"), std::string::npos) << *line;
  EXPECT_FALSE(child.read_stdout_line(kStartTimeout)) << "more than one line";
  EXPECT_EQ(child.wait(kExitTimeout), 0);
}

// The listening line, a sign-up, then a stop signal: the row survives and
// the exit is clean.
TEST(Executable, StopsCleanlyOnSignalWithTheSignUpKept) {
  for (const int stop_signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stop_signal);
    TempDir dir;
    const auto db = dir.path() / "signups.db";
    ChildProcess child(command({"--listen", "127.0.0.1:0", "--db", db.string()}));
    const auto line = child.read_stdout_line(kStartTimeout);
    ASSERT_TRUE(line);
    const std::string prefix = "listening on http://127.0.0.1:";
    const std::string suffix = "/posttobrevolt2.asp";
    ASSERT_EQ(line->rfind(prefix, 0), 0u) << *line;
    ASSERT_TRUE(line->ends_with(suffix)) << *line;
    const auto port_text = line->substr(prefix.size(), line->size() - prefix.size() - suffix.size());
    ASSERT_FALSE(port_text.empty());
    ASSERT_EQ(port_text.find_first_not_of("0123456789"), std::string::npos) << *line;
    const int port = std::stoi(port_text);
    ASSERT_GT(port, 0);

    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(5));
    const auto res =
        client.Post("/posttobrevolt2.asp", httplib::Params{{"name", "Ann"}, {"email", "a@b.co"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 303);

    child.signal(stop_signal);
    EXPECT_EQ(child.wait(kExitTimeout), 0);
    EXPECT_EQ(child.stderr_text(), "");
    const auto rows = read_rows(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].email, "a@b.co");
  }
}

}  // namespace
}  // namespace brevolt::signup::test
