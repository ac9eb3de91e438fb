// Measures the program against its two floors, side by side and
// interleaved, on a private X server with no window manager, and prints the
// medians, the targets and one summary line. Exits 0 once it has measured,
// whatever the verdicts; 2 when it could not measure.
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/driver/access_log.h"
#include "bench/driver/black_hole.h"
#include "bench/driver/launch.h"
#include "bench/driver/map_watch.h"
#include "bench/driver/marker_site.h"
#include "bench/driver/measure.h"
#include "bench/driver/report.h"
#include "bench/driver/server_load.h"
#include "bench/driver/settings.h"
#include "build_config.h"
#include "platform/gio/probe_target.h"
#include "tests/harness/private_tree.h"
#include "tests/harness/x_session.h"

namespace brevolt::bench {
namespace {

constexpr int kCouldNotMeasure = 2;

struct Options {
  int rounds = kDefaultRounds;
  bool raise_priority = true;
  bool server_only = false;  // the sign-up server's figures alone, without X
  // The mingw build's folder: brevolt.exe against its bare-window floor.
  std::string windows_dir;
  bool windows_only = false;  // that pair alone
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  bool rounds_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      options.rounds = std::atoi(argv[++i]);
      rounds_given = true;
    } else if (arg == "--share-cpu") {
      options.raise_priority = false;
    } else if (arg == "--server-only") {
      options.server_only = true;
    } else if (arg == "--windows" && i + 1 < argc) {
      options.windows_dir = argv[++i];
    } else if (arg == "--windows-only") {
      options.windows_only = true;
      if (!rounds_given) options.rounds = kWindowsRounds;
    } else {
      throw std::invalid_argument(
          "usage: brevolt-bench [--rounds N] [--share-cpu] [--server-only] [--windows DIR] "
          "[--windows-only]  (N >= " + std::to_string(kMinimumRounds) + ")");
    }
  }
  if (options.windows_only && options.windows_dir.empty()) {
    throw std::invalid_argument("--windows-only needs --windows DIR");
  }
  if (options.rounds < kMinimumRounds) {
    throw std::invalid_argument("at least " + std::to_string(kMinimumRounds) + " rounds");
  }
  return options;
}

// The offline face needs the sign-up port closed: refused at once.
void RequireFreePort(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  if (!free) throw std::runtime_error("port " + std::to_string(port) + " is in use");
}

// Inherited by everything started from here on, X server included. With
// the kernel's autogroups a nice value only ranks processes of one session
// against each other, so the session's own group is raised too, but only
// when this process leads a session of its own (bench/run starts it so) and
// the caller's shell is left as it was.
bool RaisePriority() {
  if (getsid(0) != getpid()) return false;
  std::ofstream autogroup("/proc/self/autogroup");
  autogroup << kBenchNice << std::flush;
  return autogroup.good() && setpriority(PRIO_PROCESS, 0, kBenchNice) == 0;
}

// Program and floor in alternating order from round to round, so neither
// always runs on a machine the other has just warmed or loaded.
void Pair(int round, const std::function<void()>& program, const std::function<void()>& floor) {
  if (round % 2 == 0) {
    program();
    floor();
  } else {
    floor();
    program();
  }
}

// Each subject in turn, starting with a different one from round to round.
void Rotate(int round, const std::vector<std::function<void()>>& subjects) {
  for (std::size_t i = 0; i < subjects.size(); ++i) {
    subjects[(static_cast<std::size_t>(round) + i) % subjects.size()]();
  }
}

int Run(const Options& options) {
  const auto target = platform::ParseProbeTarget(std::string(kSignUpUrl).c_str());
  if (!target || target->host != "127.0.0.1") {
    throw std::runtime_error("the bench build must point the sign-up address at 127.0.0.1");
  }
  const int port = target->port;
  RequireFreePort(port);
  const bool raised = options.raise_priority && RaisePriority();

  // Nothing of the user's: fresh home and XDG folders, inherited by all.
  test::PrivateTree tree;
  const std::string logs = tree.root().string();
  if (options.server_only) {
    const auto server = MeasureServer(BENCH_SIGNUP_SERVER, port, logs);
    Report({}, kProbeTimeout, &server);
    return 0;
  }
  test::XSession session(test::XSession::Wm::kNone, kScreenWidth, kScreenHeight);
  MapWatch watch(session.display());
  Measurer measure(watch, logs);

  std::printf("brevolt bench: %d rounds (+%d warm-up), display %s, sign-up port %d, "
              "probe bound %lld ms, settle %lld ms offline / %lld ms after the page, nice %d\n",
              options.rounds, kWarmUpRounds, session.display().c_str(), port,
              static_cast<long long>(kProbeTimeout.count()),
              static_cast<long long>(kOfflineSettle.count()),
              static_cast<long long>(kOnlineSettle.count()), raised ? kBenchNice : 0);
  std::fflush(stdout);

  // Wine's desktop process ends shortly after the last Wine program and
  // starting it again adds to the next start; a windowless Wine program
  // kept running keeps it, so each start measures only the program.
  std::optional<Launched> wine_keeper;
  if (!options.windows_dir.empty()) {
    wine_keeper.emplace(options.windows_dir + "/bench_keep_wine.exe", logs + "/wine-keeper.log");
  }

  Samples samples;
  for (int round = 0; round < kWarmUpRounds + options.rounds; ++round) {
    const bool kept = round >= kWarmUpRounds;
    if (kept) {
      std::fprintf(stderr, "round %d/%d\n", round + 1 - kWarmUpRounds, options.rounds);
    } else {
      std::fprintf(stderr, "warm-up round\n");
    }
    auto keep = [&](Subject subject, Sample sample) {
      PrintSample(subject, sample);
      if (kept) samples[subject].push_back(std::move(sample));
    };

    if (!options.windows_only) {
      Pair(round,
           [&] { keep(Subject::kOfflineProgram, measure.Offline(BENCH_PROGRAM, "offline-program")); },
           [&] { keep(Subject::kOfflineFloor, measure.Offline(BENCH_FLOOR_GTKMM, "offline-floor")); });
      {
        BlackHole hole(port);
        keep(Subject::kNoAnswerProgram, measure.Offline(BENCH_PROGRAM, "no-answer-program"));
      }
      {
        SignUpServer server(BENCH_SIGNUP_SERVER, port, {"--db", logs + "/signups.db"});
        Pair(round,
             [&] {
               keep(Subject::kOnlineProgram,
                    measure.Online(BENCH_PROGRAM, "online-program", server));
             },
             [&] {
               keep(Subject::kOnlineFloor,
                    measure.Online(BENCH_FLOOR_WEBKIT, "online-floor", server));
             });
      }
    }
    if (!options.windows_dir.empty()) {
      const std::string dir = options.windows_dir + "/";
      // The three take turns at going first, so none always follows the
      // same one into a Wine server that has just cleaned up after it.
      Rotate(round, {[&] {
                       keep(Subject::kWindowsProgram,
                            measure.Offline(dir + "brevolt.exe", "windows-program"));
                     },
                     [&] {
                       keep(Subject::kWindowsProbingFloor,
                            measure.Offline(dir + "bench_probing_window.exe",
                                            "windows-probing-floor"));
                     },
                     [&] {
                       keep(Subject::kWindowsFloor,
                            measure.Offline(dir + "bench_bare_window.exe", "windows-floor"));
                     }});
    }
    if (!options.windows_only) {
      MarkerSite site(port);
      keep(Subject::kCompletionProgram,
           measure.Completion(BENCH_PROGRAM, "completion-program", site));
    }
  }
  std::printf("\n");
  if (options.windows_only) {
    Report(samples, kProbeTimeout, nullptr);
    return 0;
  }
  const auto server = MeasureServer(BENCH_SIGNUP_SERVER, port, logs);
  Report(samples, kProbeTimeout, &server);
  return 0;
}

}  // namespace
}  // namespace brevolt::bench

int main(int argc, char** argv) {
  // Started in a session of its own, it would not hear an interrupt meant
  // for bench/run; it goes when its parent goes, and its X server and
  // programs with it.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  try {
    return brevolt::bench::Run(brevolt::bench::ParseOptions(argc, argv));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brevolt-bench: could not measure: %s\n", e.what());
    return brevolt::bench::kCouldNotMeasure;
  }
}
