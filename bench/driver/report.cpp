#include "bench/driver/report.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "bench/driver/settings.h"
#include "bench/driver/verdicts.h"

namespace brevolt::bench {
namespace {

using Figure = std::function<std::optional<double>(const Sample&)>;
using Values = std::vector<double>;

const char* NameOf(Subject subject) {
  switch (subject) {
    case Subject::kOfflineProgram: return "offline   program";
    case Subject::kOfflineFloor: return "offline   gtkmm floor";
    case Subject::kOnlineProgram: return "online    program";
    case Subject::kOnlineFloor: return "online    WebKit floor";
    case Subject::kNoAnswerProgram: return "no answer program";
    case Subject::kCompletionProgram: return "complete  program";
    case Subject::kWindowsProgram: return "windows   brevolt.exe";
    case Subject::kWindowsFloor: return "windows   bare window";
    case Subject::kWindowsProbingFloor: return "windows   probing window";
  }
  return "?";
}

std::optional<double> Median(Values values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<double> Max(const Values& values) {
  if (values.empty()) return std::nullopt;
  return *std::max_element(values.begin(), values.end());
}

std::optional<double> Min(const Values& values) {
  if (values.empty()) return std::nullopt;
  return *std::min_element(values.begin(), values.end());
}

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b <= 0) return std::nullopt;
  return *a / *b;
}

bool HasMemory(const Sample& s) { return s.memory.processes > 0; }

const Figure kMap = [](const Sample& s) { return std::optional<double>(s.map_ms); };
const Figure kMapCpu = [](const Sample& s) { return std::optional<double>(s.map_cpu_ms); };
const Figure kPage = [](const Sample& s) { return s.page_ms; };
const Figure kPss = [](const Sample& s) {
  return HasMemory(s) ? std::optional<double>(s.memory.pss_mb) : std::nullopt;
};
const Figure kUss = [](const Sample& s) {
  return HasMemory(s) ? std::optional<double>(s.memory.uss_mb) : std::nullopt;
};
const Figure kRss = [](const Sample& s) {
  return HasMemory(s) ? std::optional<double>(s.memory.rss_mb) : std::nullopt;
};
const Figure kProcesses = [](const Sample& s) {
  return HasMemory(s) ? std::optional<double>(s.memory.processes) : std::nullopt;
};
const Figure kExit = [](const Sample& s) { return s.exit_ms; };

// Every subject runs once a round, so the i-th samples of two subjects were
// taken side by side.
class Figures {
 public:
  explicit Figures(const Samples& samples) : samples_(samples) {}

  Values Of(Subject subject, const Figure& figure) const {
    Values values;
    for (const Sample& sample : Runs(subject)) {
      if (auto value = figure(sample)) values.push_back(*value);
    }
    return values;
  }
  std::optional<double> MedianOf(Subject subject, const Figure& figure) const {
    return Median(Of(subject, figure));
  }
  // Median over rounds of program-to-floor ratios or differences.
  std::optional<double> PairedRatio(Subject a, Subject b, const Figure& figure) const {
    return Paired(a, b, figure, [](double x, double y) { return x / y; });
  }
  std::optional<double> PairedDifference(Subject a, Subject b, const Figure& figure) const {
    return Paired(a, b, figure, [](double x, double y) { return x - y; });
  }

 private:
  const std::vector<Sample>& Runs(Subject subject) const {
    static const std::vector<Sample> kNone;
    const auto it = samples_.find(subject);
    return it == samples_.end() ? kNone : it->second;
  }
  std::optional<double> Paired(Subject a, Subject b, const Figure& figure,
                               const std::function<double(double, double)>& combine) const {
    const auto& runs_a = Runs(a);
    const auto& runs_b = Runs(b);
    Values values;
    for (size_t i = 0; i < std::min(runs_a.size(), runs_b.size()); ++i) {
      const auto x = figure(runs_a[i]);
      const auto y = figure(runs_b[i]);
      if (x && y && *y > 0) values.push_back(combine(*x, *y));
    }
    return Median(values);
  }

  const Samples& samples_;
};

std::string Cell(std::optional<double> value, const char* format) {
  if (!value) return "-";
  char text[48];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

void PrintTable(const Samples& samples, const Figures& f) {
  std::printf("%-22s %3s %8s %8s %8s %7s %7s %7s %5s %8s %8s\n", "medians", "n", "map ms",
              "map cpu", "page ms", "PSS MB", "USS MB", "RSS MB", "procs", "exit ms", "window");
  for (const auto& [subject, runs] : samples) {
    std::string size = "-";
    if (!runs.empty()) {
      size = std::to_string(runs.front().width) + "x" + std::to_string(runs.front().height);
    }
    std::printf("%-22s %3zu %8s %8s %8s %7s %7s %7s %5s %8s %8s\n", NameOf(subject), runs.size(),
                Cell(f.MedianOf(subject, kMap), "%.1f").c_str(),
                Cell(f.MedianOf(subject, kMapCpu), "%.1f").c_str(),
                Cell(f.MedianOf(subject, kPage), "%.1f").c_str(),
                Cell(f.MedianOf(subject, kPss), "%.1f").c_str(),
                Cell(f.MedianOf(subject, kUss), "%.1f").c_str(),
                Cell(f.MedianOf(subject, kRss), "%.1f").c_str(),
                Cell(Max(f.Of(subject, kProcesses)), "%.0f").c_str(),
                Cell(f.MedianOf(subject, kExit), "%.1f").c_str(), size.c_str());
  }
  std::printf(
      "map cpu: CPU time of the program and its children when the window was mapped; "
      "procs: the most seen in any run\n");
}

bool AtMost(std::optional<double> value, double limit) { return value && *value <= limit; }

// Time target: ratio of the medians, with the median of the per-round
// ratios (wall and CPU) beside it to show how steady it was.
void TimeRatio(Verdicts& v, const Figures& f, const std::string& name, const std::string& label,
               Subject program, Subject floor, const Figure& figure, double limit,
               bool with_cpu) {
  const auto a = f.MedianOf(program, figure);
  const auto b = f.MedianOf(floor, figure);
  const auto ratio = Ratio(a, b);
  std::string shown = Cell(a, "%.0f") + "/" + Cell(b, "%.0f") + " ms = x" + Cell(ratio, "%.3f") +
                      " (paired x" + Cell(f.PairedRatio(program, floor, figure), "%.2f") + ")";
  if (with_cpu) {
    shown += " cpu x" + Cell(Ratio(f.MedianOf(program, kMapCpu), f.MedianOf(floor, kMapCpu)), "%.2f");
  }
  v.Add(name, AtMost(ratio, limit), shown, label + " x" + Cell(ratio, "%.2f"));
}

// Memory target: PSS difference, as the median of per-round differences so
// that other programs coming and going (and sharing library pages) cancel.
void MemoryMargin(Verdicts& v, const Figures& f, const std::string& name, const std::string& label,
                  Subject program, Subject floor) {
  const auto pss = f.PairedDifference(program, floor, kPss);
  const std::string shown =
      Cell(pss, "%+.1f MB PSS") + " (USS " + Cell(f.PairedDifference(program, floor, kUss), "%+.1f") +
      ", RSS " + Cell(f.PairedDifference(program, floor, kRss), "%+.1f") + ")";
  v.Add(name, AtMost(pss, kMaxExtraMemoryMb), shown, label + " " + Cell(pss, "%+.1fMB"));
}

}  // namespace

void PrintSample(Subject subject, const Sample& s) {
  std::fprintf(stderr,
               "  %-22s map %7.1f (cpu %6.1f)  page %7s  PSS %6.1f (anon %5.1f file %5.1f "
               "shmem %4.1f)  USS %6.1f  RSS %6.1f  procs %d  exit %s\n",
               NameOf(subject), s.map_ms, s.map_cpu_ms, Cell(s.page_ms, "%.1f").c_str(),
               s.memory.pss_mb, s.memory.pss_anon_mb, s.memory.pss_file_mb, s.memory.pss_shmem_mb,
               s.memory.uss_mb, s.memory.rss_mb, s.memory.processes,
               Cell(s.exit_ms, "%.1f").c_str());
}

namespace {

void JudgeProgram(Verdicts& v, const Samples& samples, std::chrono::milliseconds probe_timeout) {
  const Figures f(samples);
  PrintTable(samples, f);
  std::printf("\n%-47s %-50s %s\n", "target", "measured", "verdict");

  // The Linux subjects are left out of a Windows-only run.
  if (samples.count(Subject::kOfflineProgram) != 0) {
    TimeRatio(v, f, "offline: map time <= x1.15 gtkmm floor", "offline map",
              Subject::kOfflineProgram, Subject::kOfflineFloor, kMap, kMaxMapRatio, true);
    MemoryMargin(v, f, "offline: PSS <= gtkmm floor + 12 MB", "offline PSS",
                 Subject::kOfflineProgram, Subject::kOfflineFloor);
    const auto most = Max(f.Of(Subject::kOfflineProgram, kProcesses));
    const auto fewest = Min(f.Of(Subject::kOfflineProgram, kProcesses));
    v.Add("offline: exactly one process", most && fewest && *most == kOfflineProcesses &&
                                              *fewest == kOfflineProcesses,
          Cell(fewest, "%.0f") + " to " + Cell(most, "%.0f") + " in every run",
          "offline procs " + Cell(most, "%.0f"));

    TimeRatio(v, f, "online: map time <= x1.15 WebKit floor", "online map",
              Subject::kOnlineProgram, Subject::kOnlineFloor, kMap, kMaxMapRatio, true);
    TimeRatio(v, f, "online: page request <= x1.15 WebKit floor", "online page",
              Subject::kOnlineProgram, Subject::kOnlineFloor, kPage, kMaxPageRatio, false);
    MemoryMargin(v, f, "online: PSS <= WebKit floor + 12 MB", "online PSS",
                 Subject::kOnlineProgram, Subject::kOnlineFloor);

    const auto completion = f.MedianOf(Subject::kCompletionProgram, kExit);
    v.Add("completion: thank-you request to exit < 300 ms",
          completion && *completion < static_cast<double>(kMaxCompletion.count()),
          Cell(completion, "%.1f ms") + " (max " +
              Cell(Max(f.Of(Subject::kCompletionProgram, kExit)), "%.1f") + ")",
          "completion " + Cell(completion, "%.0fms"));

    const double bound = static_cast<double>((probe_timeout + kProbeBoundMargin).count());
    const auto no_answer = f.MedianOf(Subject::kNoAnswerProgram, kMap);
    v.Add("no answer: mapped <= probe bound + 500 ms", AtMost(no_answer, bound),
          Cell(no_answer, "%.1f ms") + " (max " +
              Cell(Max(f.Of(Subject::kNoAnswerProgram, kMap)), "%.1f") + ", bound " +
              Cell(bound, "%.0f") + ")",
          "no-answer map " + Cell(no_answer, "%.0f") + "/" + Cell(bound, "%.0f") + "ms");
  }

  if (samples.count(Subject::kWindowsProgram) != 0) {
    // Against the fair floor: a bare window with the program's manifest
    // that probes before it shows, as the program must.
    TimeRatio(v, f, "windows offline: map time <= x1.15 probing window", "windows map",
              Subject::kWindowsProgram, Subject::kWindowsProbingFloor, kMap, kMaxMapRatio, true);
    // No target: the bare window, which neither loads Common Controls 6 nor
    // probes.
    const auto bare = f.MedianOf(Subject::kWindowsFloor, kMap);
    std::printf("%-47s %-50s\n", "  (bare window: no manifest, no probe)",
                (Cell(f.MedianOf(Subject::kWindowsProgram, kMap), "%.0f") + "/" +
                 Cell(bare, "%.0f") + " ms = x" +
                 Cell(Ratio(f.MedianOf(Subject::kWindowsProgram, kMap), bare), "%.3f") +
                 "; probing/bare x" +
                 Cell(Ratio(f.MedianOf(Subject::kWindowsProbingFloor, kMap), bare), "%.3f"))
                    .c_str());
    const auto processes = Max(f.Of(Subject::kWindowsProgram, kProcesses));
    v.Add("windows offline: one process", processes && *processes == kOfflineProcesses,
          Cell(processes, "%.0f") + " at most", "windows procs " + Cell(processes, "%.0f"));
  }
}

}  // namespace

int Report(const Samples& samples, std::chrono::milliseconds probe_timeout,
           const ServerFigures* server) {
  Verdicts v;
  if (!samples.empty()) JudgeProgram(v, samples, probe_timeout);
  if (server) JudgeServer(v, *server);
  v.PrintSummary();
  return v.missed();
}

}  // namespace brevolt::bench
