#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <set>
#include <thread>
#include <fstream>

#include "tests/harness/server_process.h"
#include "tests/harness/signup_form.h"
#include "tests/server/server_fixture.h"

namespace brevolt::signup::test {
namespace {

using brevolt::test::Child;
using brevolt::test::ServerProcess;

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kExitTimeout = std::chrono::seconds(10);

std::vector<std::string> command(std::vector<std::string> args) {
  args.insert(args.begin(), BREVOLT_SIGNUP_SERVER_PATH);
  return args;
}

struct RefusalCase {
  const char* label;
  std::vector<std::string> args;
  const char* says;
  std::vector<std::string> env = {};
};

// Never shown, whatever is refused.
constexpr const char* kPassword = "hunter2";

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

// The service manager's end of the notification socket.
class NotifySocket {
 public:
  explicit NotifySocket(const std::filesystem::path& path)
      : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)), path_(path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~NotifySocket() { close(fd_); }
  std::string env() const { return "NOTIFY_SOCKET=" + path_.string(); }
  // The next message, or "" when none comes in time.
  std::string receive() const {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(kStartTimeout.count() * 1000)) != 1) return "";
    char buffer[256];
    const auto n = recv(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
  }

 private:
  int fd_;
  std::filesystem::path path_;
};

TEST(Executable, RefusesBadCommandLinesWithOneClearLine) {
  ScratchDir dir{"brevolt-server"};
  const auto db = (dir.path() / "s.db").string();
  {
    std::ofstream not_a_db(dir.path() / "notes.txt");
    not_a_db << "this is not a database, just some text that is long enough to have a header\n"
             << std::string(200, '#');
  }
  int taken_sock = -1;
  const int taken = occupy_port(taken_sock);
  const std::string no_server = "postgresql:///none?host=" + dir.path().string();
  const auto credentials = dir.path() / "credentials";
  std::filesystem::create_directory(credentials);
  std::ofstream(credentials / "smtp") << "smtps://list:" << kPassword << "@x.org\n";
  std::ofstream(credentials / "db") << (dir.path() / "none.db").string() << "\n";
  const auto from_credentials = "CREDENTIALS_DIRECTORY=" + credentials.string();
  const RefusalCase cases[] = {
      {"unknown flag", {"--verbose"}, "unknown option '--verbose'"},
      {"missing value", {"--db", db, "--listen"}, "--listen needs a value"},
      {"port too big", {"--listen", "127.0.0.1:70000", "--db", db}, "the port must be a number"},
      {"port not a number", {"--listen", "127.0.0.1:http", "--db", db}, "the port must be"},
      {"negative port", {"--listen", "127.0.0.1:-1", "--db", db}, "the port must be"},
      {"no port", {"--listen", "127.0.0.1", "--db", db}, "expected HOST:PORT"},
      {"no host", {"--listen", ":8080", "--db", db}, "the host is empty"},
      {"proxy prefix too long", {"--trusted-proxy", "10.0.0.0/33", "--db", db},
       "bad --trusted-proxy '10.0.0.0/33'"},
      {"proxy not an address", {"--trusted-proxy", "proxy.example", "--db", db},
       "bad --trusted-proxy"},
      {"missing directory", {"--listen", "127.0.0.1:0", "--db", dir.path() / "none/s.db"},
       "cannot open database"},
      {"directory as db", {"--listen", "127.0.0.1:0", "--db", dir.path()}, "database"},
      {"not a database", {"--listen", "127.0.0.1:0", "--db", dir.path() / "notes.txt"},
       "not a database"},
      {"no PostgreSQL there", {"--listen", "127.0.0.1:0", "--db", no_server},
       "cannot connect to PostgreSQL"},
      {"port taken", {"--listen", "127.0.0.1:" + std::to_string(taken), "--db", db},
       "cannot listen on 127.0.0.1:"},
      {"relay without links' base", {"--smtp", "smtp://127.0.0.1:25", "--mail-from", "l@x.org"},
       "--smtp needs --public-url"},
      {"relay without sender", {"--smtp", "smtp://127.0.0.1:25", "--public-url", "https://x.org"},
       "--smtp needs --mail-from"},
      {"relay not smtp", {"--smtp", "http://x.org", "--mail-from", "l@x.org", "--public-url",
                          "https://x.org"},
       "--smtp needs a smtp:// or smtps:// URL"},
      {"sender with a second recipient",
       {"--smtp", "smtps://u:p@x.org", "--mail-from", "l@x.org,m@x.org", "--public-url",
        "https://x.org"},
       "bad --mail-from address"},
      {"password in a bad relay URL", {"--smtp", std::string("smtp://list:") + kPassword + "@",
                                       "--mail-from", "l@x.org", "--public-url", "https://x.org"},
       "--smtp needs a smtp:// or smtps:// URL, not 'smtp://...@'"},
      {"links over plain http", {"--smtp", "smtps://x.org", "--mail-from", "l@x.org",
                                 "--public-url", "http://signup.x.org"},
       "--public-url must be an https:// URL"},
      {"relay from the credentials", {"--listen", "127.0.0.1:0", "--db", db},
       "--smtp needs --mail-from", {from_credentials}},
      {"store from the credentials", {"export"}, "no database at", {from_credentials}},
      {"links' base without relay", {"--public-url", "https://x.org"}, "only apply with --smtp"},
      {"budget without relay", {"--mail-budget", "10/h"}, "only apply with --smtp"},
      {"budget of nothing", {"--mail-budget-domain", "0/h"}, "--mail-budget-domain needs N/PERIOD"},
      {"budget per day", {"--mail-budget", "10/d"}, "--mail-budget needs N/PERIOD"},
      {"form age in hours", {"--form-min-seconds", "3600"}, "--form-min-seconds needs a whole"},
      {"privacy notice not a web address", {"--privacy-url", "javascript:alert(1)"},
       "--privacy-url needs a http:// or https:// URL"},
      {"pending days of none", {"--pending-days", "0", "--db", db}, "--pending-days needs"},
      {"pending days not a number", {"--pending-days", "30d", "--db", db}, "--pending-days needs"},
      {"erase without address", {"erase", "--db", db}, "erase needs the e-mail address"},
      {"export as xml", {"export", "--db", db, "--format", "xml"}, "--format is csv or json"},
      {"export of no database", {"export", "--db", dir.path() / "none.db"}, "no database at"},
      {"serving flag on export", {"export", "--listen", "127.0.0.1:0"},
       "unknown option '--listen'"},
      {"admin open to the network", {"--db", db, "--admin-listen", "0.0.0.0:0"}, "needs a token"},
      {"admin on the public port",
       {"--listen", "127.0.0.1:9000", "--admin-listen", "127.0.0.1:9000", "--db", db},
       "a port of its own"},
      {"admin token unreadable",
       {"--db", db, "--admin-listen", "0.0.0.0:0", "--admin-token-file", dir.path() / "none"},
       "cannot read the admin token"},
      {"admin port taken", {"--db", db, "--admin-listen", "127.0.0.1:" + std::to_string(taken)},
       "for --admin-listen"},
      {"stats of no days", {"stats", "--db", db, "--days", "0"}, "--days needs a number"},
      {"stats as xml", {"stats", "--db", db, "--format", "xml"}, "table, csv or json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto err_path = dir.path() / "stderr";
    Child child(command(c.args), c.env, {"", err_path.string()});
    const auto status = child.WaitExit(kExitTimeout);
    ASSERT_TRUE(status);
    EXPECT_NE(*status, 0);
    const auto err = brevolt::test::FileText(err_path);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(err.rfind("brevolt-signup-server: ", 0), 0u) << err;
    EXPECT_EQ(err.find(kPassword), std::string::npos) << err;
  }
  close(taken_sock);
}

TEST(Executable, HelpDescribesTheFlags) {
  Child child(command({"--help"}));
  std::string text;
  while (const auto line = child.ReadLine(kStartTimeout)) text += *line + "\n";
  for (const char* flag : {"--listen HOST:PORT", "--db URI", "--trusted-proxy ADDR[/PREFIX]",
                           "--smtp URL", "--mail-from", "--public-url", "--privacy-url",
                           "--mail-budget N/PERIOD", "--mail-budget-domain N/PERIOD",
                           "--form-min-seconds N", "--pending-days N", " export ",
                           " erase ", "consent_address", "--admin-listen", "--admin-token-file",
                           " stats ", "--days N"}) {
    EXPECT_NE(text.find(flag), std::string::npos) << flag;
  }
  EXPECT_EQ(child.WaitExit(kExitTimeout), 0);
}

TEST(Executable, VersionIsOneLineWithTheNumber) {
  Child child(command({"--version"}));
  const auto line = child.ReadLine(kStartTimeout);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->rfind("brevolt-signup-server ", 0), 0u) << *line;
  EXPECT_NE(line->find_first_of("0123456789"), std::string::npos) << *line;
  EXPECT_FALSE(child.ReadLine(kStartTimeout)) << "more than one line";
  EXPECT_EQ(child.WaitExit(kExitTimeout), 0);
}

// Started as a notify service: ready once the port takes connections; a
// sign-up, then a stop signal: the row survives in a file only its owner
// may read, and the exit is clean.
TEST(Executable, TellsTheServiceManagerItIsReadyAndStopsCleanlyWithTheSignUpKept) {
  for (const int stop_signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(stop_signal);
    ScratchDir dir{"brevolt-server"};
    const auto db = dir.path() / "signups.db";
    const NotifySocket manager(dir.path() / "notify");
    const auto err_path = dir.path() / "stderr";
    ServerProcess server({"--db", db.string()}, {manager.env()}, {"", err_path.string()});
    const int port = server.port();
    EXPECT_TRUE(server.process().WaitForLine("confirmation mail off", kStartTimeout));
    EXPECT_EQ(manager.receive(), "READY=1");

    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(5));
    const auto res = client.Post("/posttobrevolt2.asp",
                                 brevolt::test::LoadedForm(client, "Ann", "a@b.co"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 303);

    server.process().Kill(stop_signal);
    EXPECT_EQ(manager.receive(), "STOPPING=1");
    EXPECT_EQ(server.process().WaitExit(kExitTimeout), 0);
    EXPECT_EQ(brevolt::test::FileText(err_path), "");
    const auto rows = ReadSignups(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].email, "a@b.co");
    struct stat info {};
    ASSERT_EQ(stat(db.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
}

// Another writer holds the file past the busy timeout while visitors sign
// up, some hanging up before their answer. The server stays up, and every
// answer it gave is the truth about the file afterwards: thanked once
// stored, sorry when not.
TEST(Executable, ALockedFileLeavesEveryAnswerTrueAndTheServerUp) {
  constexpr int kVisitors = 12;
  ScratchDir dir{"brevolt-server"};
  const auto db = dir.path() / "signups.db";
  // Each visitor from an address of its own, past the limit of one.
  ServerProcess server({"--db", db.string(), "--trusted-proxy", "127.0.0.1"});
  const int port = server.port();
  auto lock = std::make_unique<WriteLock>(db);
  ASSERT_TRUE(lock->locked());
  std::mutex mutex;
  std::condition_variable answered;
  std::vector<std::string> answers(kVisitors);
  std::vector<std::thread> visitors;
  for (int n = 0; n < kVisitors; ++n) {
    visitors.emplace_back([&, n] {
      httplib::Client client("127.0.0.1", port);
      // Every other one hangs up long before the store could answer.
      client.set_read_timeout(n % 2 ? std::chrono::milliseconds(50) : std::chrono::seconds(30));
      const auto res = client.Post(
          "/posttobrevolt2.asp", {{"X-Forwarded-For", "192.0.2." + std::to_string(n + 1)}},
          httplib::Params{{"name", "V"}, {"email", "v" + std::to_string(n) + "@example.com"}});
      const std::lock_guard guard(mutex);
      answers[static_cast<std::size_t>(n)] = res ? res->get_header_value("Location") : "";
      answered.notify_all();
    });
  }
  {
    // The lock goes while the later sign-ups still wait for it.
    std::unique_lock guard(mutex);
    answered.wait(guard, [&] {
      for (int n = 0; n < kVisitors; n += 2) {
        if (!answers[static_cast<std::size_t>(n)].empty()) return true;
      }
      return false;
    });
  }
  lock.reset();
  for (auto& visitor : visitors) visitor.join();

  std::set<std::string> stored;
  for (const auto& row : ReadSignups(db)) stored.insert(row.email);
  for (int n = 0; n < kVisitors; n += 2) {
    SCOPED_TRACE(n);
    const auto& answer = answers[static_cast<std::size_t>(n)];
    ASSERT_TRUE(answer == "/thankyou.html" || answer == "/sorry.html") << answer;
    EXPECT_EQ(answer == "/thankyou.html",
              stored.contains("v" + std::to_string(n) + "@example.com"));
  }
  httplib::Client client("127.0.0.1", port);
  ASSERT_TRUE(client.Get("/healthz"));
  EXPECT_EQ(client.Get("/healthz")->status, 200);
  server.process().Kill(SIGTERM);
  EXPECT_EQ(server.process().WaitExit(kExitTimeout), 0);
}

}  // namespace
}  // namespace brevolt::signup::test
