#include "bench/driver/server_load.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <latch>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "bench/driver/access_log.h"
#include "bench/driver/bare_inserts.h"
#include "bench/driver/settings.h"
#include "server/constants.h"
#include "tests/harness/pg_cluster.h"
#include "tests/harness/signup_form.h"

namespace brevolt::bench {
namespace {

constexpr const char* kFormPath = "/posttobrevolt2.asp";
constexpr const char* kTrickledHead =
    "POST /posttobrevolt2.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\nX-Slow: ";
// Source addresses 127.0.0.2 onwards; 127.0.0.1 is the honest visitors'.
constexpr uint32_t kFirstSlowAddress = INADDR_LOOPBACK + 1;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::optional<double> Median(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<double> Slowest(const std::vector<double>& values) {
  if (values.empty()) return std::nullopt;
  return *std::max_element(values.begin(), values.end());
}

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b <= 0) return std::nullopt;
  return *a / *b;
}

std::string Format(std::optional<double> value, const char* format) {
  if (!value) return "-";
  char text[48];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

// A thousand sockets need more than the usual soft limit of 1,024.
void RaiseOpenFilesLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

int ConnectFrom(uint32_t from_address, int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(from_address);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Slow clients, each a request head that never ends; all are closed when
// this goes, and none sends after kTrickleFor.
class Tricklers {
 public:
  explicit Tricklers(int port) {
    for (int i = 0; i < kTricklers; ++i) {
      const int fd = ConnectFrom(kFirstSlowAddress + static_cast<uint32_t>(i / kTricklersPerAddress), port);
      if (fd < 0) continue;
      send(fd, kTrickledHead, std::char_traits<char>::length(kTrickledHead), MSG_NOSIGNAL);
      fds_.push_back(fd);
    }
    thread_ = std::thread([this] {
      const auto until = Clock::now() + kTrickleFor;
      while (!stop_ && Clock::now() + kTrickleGap < until) {
        std::this_thread::sleep_for(kTrickleGap);
        for (const int fd : fds_) send(fd, "a", 1, MSG_NOSIGNAL);
      }
    });
  }
  ~Tricklers() {
    stop_ = true;
    thread_.join();
    for (const int fd : fds_) close(fd);
  }
  int connected() const { return static_cast<int>(fds_.size()); }
  // Those the server has neither closed nor reset.
  int held() const {
    int count = 0;
    for (const int fd : fds_) {
      char byte;
      const auto got = recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
      if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) ++count;
    }
    return count;
  }

 private:
  std::vector<int> fds_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

httplib::Client Visitor(int port) {
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(kHonestTimeout);
  client.set_read_timeout(kHonestTimeout);
  client.set_write_timeout(kHonestTimeout);
  // As browsers do: otherwise the body waits for the head's delayed ACK,
  // and every sign-up costs 40 ms of nothing.
  client.set_tcp_nodelay(true);
  return client;
}

bool Thanked(const httplib::Result& result) {
  return result && result->status == 303 && result->get_header_value("Location") == "/thankyou.html";
}

// As a browser sends it: the form loaded first, its token with it.
httplib::Params SignUp(httplib::Client& visitor, const std::string& email,
                       const httplib::Headers& from) {
  return brevolt::test::LoadedForm(visitor, "Bench", email, from);
}

// The sign-up rate limit counts per client: behind loopback as its proxy,
// each sign-up names a client of its own, never named before.
httplib::Headers FreshClient() {
  static std::atomic<int> clients{0};
  const int n = ++clients;
  return {{"X-Forwarded-For", "10." + std::to_string(n / 65536 % 256) + "." +
                                  std::to_string(n / 256 % 256) + "." + std::to_string(n % 256)}};
}

void MeasureUnderTricklers(int port, ServerFigures& figures) {
  // The database and the page cache are warm before anything is timed.
  auto warm = Visitor(port);
  const auto warm_from = FreshClient();
  warm.Post(kFormPath, warm_from, SignUp(warm, "warm-up@example.org", warm_from));
  Tricklers tricklers(port);
  figures.tricklers = tricklers.connected();
  const auto trickling_since = Clock::now();
  std::this_thread::sleep_for(kTrickleSettle);
  for (int i = 0; i < kHonestSignUps; ++i) {
    if (Clock::now() - trickling_since + kHonestTimeout > kTrickleFor) break;
    ++figures.honest_sent;
    auto visitor = Visitor(port);  // a fresh connection, as a new visitor makes
    const auto from = FreshClient();
    const auto form = SignUp(visitor, "honest" + std::to_string(i) + "@example.org", from);
    const auto start = Clock::now();
    const auto result = visitor.Post(kFormPath, from, form);
    const auto took = Clock::now() - start;
    if (Thanked(result)) figures.honest_ms.push_back(Milliseconds(took));
  }
  figures.tricklers_held = tricklers.held();
}

// The clients take turns over `ports` (instances on one database).
double ServerSignUpsPerSecond(const std::vector<int>& ports, const std::string& label) {
  std::atomic<int> thanked{0};
  std::vector<std::thread> clients;
  // The bare loops connect before their clock starts; so do the clients,
  // each with a request that leaves the store alone.
  std::latch connected(kThroughputClients + 1);
  for (int c = 0; c < kThroughputClients; ++c) {
    clients.emplace_back([&, c] {
      auto visitor = Visitor(ports[static_cast<size_t>(c) % ports.size()]);
      // An address each: the server holds only so many connections from one.
      visitor.set_interface("127.0.1." + std::to_string(c + 1));
      visitor.set_keep_alive(true);
      // Each loads its forms before the clock starts, as the bare loops
      // have their statements ready.
      std::vector<std::pair<httplib::Headers, httplib::Params>> forms;
      for (int i = c; i < kThroughputSignUps; i += kThroughputClients) {
        auto from = FreshClient();
        auto form = SignUp(visitor, label + "-" + std::to_string(i) + "@example.org", from);
        forms.emplace_back(std::move(from), std::move(form));
      }
      connected.arrive_and_wait();
      for (const auto& [from, form] : forms) {
        thanked += Thanked(visitor.Post(kFormPath, from, form));
      }
    });
  }
  connected.arrive_and_wait();
  const auto start = Clock::now();
  for (auto& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (thanked != kThroughputSignUps) {
    throw std::runtime_error("the server thanked " + std::to_string(thanked.load()) + " of " +
                             std::to_string(kThroughputSignUps) + " sign-ups");
  }
  return kThroughputSignUps / seconds;
}

// Runs `a` and `b` alternately, `a` first on even runs, so that neither
// always meets the warmer disk.
void Alternate(int run, const std::function<void()>& a, const std::function<void()>& b) {
  if (run % 2 == 0) {
    a();
    b();
  } else {
    b();
    a();
  }
}

std::vector<std::string> ServerArgs(const std::string& db) {
  // The bench sends each form as soon as it is loaded.
  return {"--db", db, "--trusted-proxy", "127.0.0.1", "--trusted-proxy", "127.0.1.0/24",
          "--form-min-seconds", "0"};
}

// Through the server on PostgreSQL against bare libpq inserts with the same
// connections and commits, on one cluster that syncs to disk; then two
// instances on one database against one.
void MeasurePostgres(const std::string& program, int port, ServerFigures& figures) {
  test::PgCluster cluster(test::PgCluster::Settings{true});
  const auto served_db = cluster.create_database();
  const auto bare_db = cluster.create_database();
  SignUpServer first(program, port, ServerArgs(served_db));
  for (int run = 0; run < kThroughputRuns; ++run) {
    std::fprintf(stderr, "sign-up server on PostgreSQL: throughput run %d/%d\n", run + 1,
                 kThroughputRuns);
    const auto label = "pg" + std::to_string(run);
    Alternate(
        run, [&] { figures.pg_bare_per_s.push_back(BarePostgresInsertsPerSecond(bare_db, label)); },
        [&] { figures.pg_server_per_s.push_back(ServerSignUpsPerSecond({port}, label)); });
  }
  SignUpServer second(program, port + 1, ServerArgs(served_db));
  for (int run = 0; run < kThroughputRuns; ++run) {
    std::fprintf(stderr, "sign-up server on PostgreSQL: one and two instances, run %d/%d\n",
                 run + 1, kThroughputRuns);
    const auto label = "pair" + std::to_string(run);
    Alternate(
        run, [&] { figures.one_per_s.push_back(ServerSignUpsPerSecond({port}, label + "a")); },
        [&] { figures.two_per_s.push_back(ServerSignUpsPerSecond({port, port + 1}, label + "b")); });
  }
}

}  // namespace

ServerFigures MeasureServer(const std::string& program, int port, const std::string& dir) {
  RaiseOpenFilesLimit();
  ServerFigures figures;
  std::optional<SignUpServer> server(std::in_place, program, port,
                                    ServerArgs(dir + "/server-load.db"));
  std::fprintf(stderr, "sign-up server: %d trickling clients, honest sign-ups timed\n", kTricklers);
  MeasureUnderTricklers(port, figures);
  for (int run = 0; run < kThroughputRuns; ++run) {
    std::fprintf(stderr, "sign-up server: throughput run %d/%d\n", run + 1, kThroughputRuns);
    const auto label = "run" + std::to_string(run);
    Alternate(
        run, [&] { figures.bare_per_s.push_back(BareSqliteInsertsPerSecond(dir + "/bare.db", label)); },
        [&] { figures.server_per_s.push_back(ServerSignUpsPerSecond({port}, label)); });
  }
  server.reset();
  MeasurePostgres(program, port, figures);
  return figures;
}

void JudgeServer(Verdicts& v, const ServerFigures& f) {
  const auto median = Median(f.honest_ms);
  const auto slowest = Slowest(f.honest_ms);
  const int lost = f.honest_sent - static_cast<int>(f.honest_ms.size());
  std::printf("\nsign-up server: %d/%d trickling clients held to the end; %d honest sign-ups, "
              "median %s ms, slowest %s ms, %d lost\n",
              f.tricklers_held, f.tricklers, f.honest_sent, Format(median, "%.1f").c_str(),
              Format(slowest, "%.1f").c_str(), lost);
  std::vector<double> paired;
  for (size_t i = 0; i < std::min(f.server_per_s.size(), f.bare_per_s.size()); ++i) {
    paired.push_back(f.server_per_s[i] / f.bare_per_s[i]);
  }
  const auto server = Median(f.server_per_s);
  const auto bare = Median(f.bare_per_s);
  const auto ratio = Ratio(server, bare);
  std::printf("sign-up server: %d clients at once, %s sign-ups/s; bare SQLite inserts %s/s\n\n",
              kThroughputClients, Format(server, "%.0f").c_str(), Format(bare, "%.0f").c_str());

  const auto pg_server = Median(f.pg_server_per_s);
  const auto pg_bare = Median(f.pg_bare_per_s);
  const auto pg_ratio = Ratio(pg_server, pg_bare);
  const auto one = Median(f.one_per_s);
  const auto two = Median(f.two_per_s);
  std::printf("sign-up server on PostgreSQL: %s sign-ups/s; bare libpq inserts on %d connections "
              "%s/s; two instances on one database %s/s against one %s/s (x%s)\n\n",
              Format(pg_server, "%.0f").c_str(), static_cast<int>(signup::kStoreConnections), Format(pg_bare, "%.0f").c_str(),
              Format(two, "%.0f").c_str(), Format(one, "%.0f").c_str(),
              Format(Ratio(two, one), "%.2f").c_str());
  v.Add("server: 1,000 tricklers, honest median < 50 ms",
        median && *median < kMaxHonestMedianMs && lost == 0 && f.honest_sent > 0 &&
            f.tricklers_held == kTricklers,
        Format(median, "%.1f ms") + " (" + std::to_string(lost) + " lost, " +
            std::to_string(f.tricklers_held) + " held)",
        "trickled sign-up " + Format(median, "%.0fms"));
  v.Add("server on PostgreSQL: sign-ups/s >= x0.8 bare libpq loop",
        pg_ratio && *pg_ratio >= kMinThroughputRatio,
        Format(pg_server, "%.0f") + "/" + Format(pg_bare, "%.0f") + " per s = x" +
            Format(pg_ratio, "%.2f"),
        "PostgreSQL sign-ups/s x" + Format(pg_ratio, "%.2f"));
  v.Add("server: sign-ups/s >= x0.8 bare SQLite loop", ratio && *ratio >= kMinThroughputRatio,
        Format(server, "%.0f") + "/" + Format(bare, "%.0f") + " per s = x" +
            Format(ratio, "%.2f") + " (paired x" + Format(Median(paired), "%.2f") + ")",
        "sign-ups/s x" + Format(ratio, "%.2f"));
}

}  // namespace brevolt::bench
