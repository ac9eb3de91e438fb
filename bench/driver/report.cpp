#include "bench/driver/report.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "bench/driver/settings.h"

namespace brevolt::bench {
namespace {

using Figure = std::function<std::optional<double>(const Sample&)>;

const char* NameOf(Subject subject) {
  switch (subject) {
    case Subject::kOfflineProgram: return "offline   program";
    case Subject::kOfflineFloor: return "offline   gtkmm floor";
    case Subject::kOnlineProgram: return "online    program";
    case Subject::kOnlineFloor: return "online    WebKit floor";
    case Subject::kNoAnswerProgram: return "no answer program";
    case Subject::kCompletionProgram: return "complete  program";
  }
  return "?";
}

std::vector<double> Values(const std::vector<Sample>& samples, const Figure& figure) {
  std::vector<double> values;
  for (const Sample& sample : samples) {
    if (auto value = figure(sample)) values.push_back(*value);
  }
  return values;
}

std::optional<double> Median(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<double> Max(const std::vector<double>& values) {
  if (values.empty()) return std::nullopt;
  return *std::max_element(values.begin(), values.end());
}

std::optional<double> Min(const std::vector<double>& values) {
  if (values.empty()) return std::nullopt;
  return *std::min_element(values.begin(), values.end());
}

const Figure kMap = [](const Sample& s) { return std::optional<double>(s.map_ms); };
const Figure kPage = [](const Sample& s) { return s.page_ms; };
const Figure kPss = [](const Sample& s) {
  return s.memory.processes > 0 ? std::optional<double>(s.memory.pss_mb) : std::nullopt;
};
const Figure kRss = [](const Sample& s) {
  return s.memory.processes > 0 ? std::optional<double>(s.memory.rss_mb) : std::nullopt;
};
const Figure kProcesses = [](const Sample& s) {
  return s.memory.processes > 0 ? std::optional<double>(s.memory.processes) : std::nullopt;
};
const Figure kExit = [](const Sample& s) { return s.exit_ms; };

class Medians {
 public:
  explicit Medians(const Samples& samples) : samples_(samples) {}
  std::optional<double> Of(Subject subject, const Figure& figure) const {
    const auto it = samples_.find(subject);
    return it == samples_.end() ? std::nullopt : Median(Values(it->second, figure));
  }
  std::optional<double> MaxOf(Subject subject, const Figure& figure) const {
    const auto it = samples_.find(subject);
    return it == samples_.end() ? std::nullopt : Max(Values(it->second, figure));
  }
  std::optional<double> MinOf(Subject subject, const Figure& figure) const {
    const auto it = samples_.find(subject);
    return it == samples_.end() ? std::nullopt : Min(Values(it->second, figure));
  }

 private:
  const Samples& samples_;
};

std::string Cell(std::optional<double> value, const char* format) {
  if (!value) return "-";
  char text[32];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

void PrintTable(const Samples& samples, const Medians& medians) {
  std::printf("%-23s %4s %9s %9s %9s %9s %6s %9s %9s\n", "subject (medians)", "n", "map ms",
              "page ms", "PSS MB", "RSS MB", "procs", "exit ms", "size");
  for (const auto& [subject, runs] : samples) {
    std::string size = "-";
    if (!runs.empty()) size = std::to_string(runs.front().width) + "x" +
                              std::to_string(runs.front().height);
    const bool has_memory = subject != Subject::kCompletionProgram;
    std::printf("%-23s %4zu %9s %9s %9s %9s %6s %9s %9s\n", NameOf(subject), runs.size(),
                Cell(medians.Of(subject, kMap), "%.1f").c_str(),
                Cell(medians.Of(subject, kPage), "%.1f").c_str(),
                has_memory ? Cell(medians.Of(subject, kPss), "%.1f").c_str() : "-",
                has_memory ? Cell(medians.Of(subject, kRss), "%.1f").c_str() : "-",
                has_memory ? Cell(medians.MaxOf(subject, kProcesses), "%.0f").c_str() : "-",
                Cell(medians.Of(subject, kExit), "%.1f").c_str(), size.c_str());
  }
  std::printf("(procs: the most seen in any run)\n");
}

struct Verdicts {
  int missed = 0;
  int total = 0;
  std::string summary;

  void Add(const std::string& name, std::optional<double> value, double limit,
           const std::string& shown, const std::string& short_name) {
    ++total;
    const bool pass = value && *value <= limit;
    if (!pass) ++missed;
    std::printf("%-44s %-34s %s\n", name.c_str(), shown.c_str(), pass ? "PASS" : "MISS");
    if (!summary.empty()) summary += ", ";
    summary += short_name;
  }
};

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b <= 0) return std::nullopt;
  return *a / *b;
}
std::optional<double> Difference(std::optional<double> a, std::optional<double> b) {
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

std::string RatioText(std::optional<double> ratio, std::optional<double> a,
                      std::optional<double> b) {
  return Cell(a, "%.1f") + " / " + Cell(b, "%.1f") + " = x" + Cell(ratio, "%.3f");
}

}  // namespace

void PrintSample(Subject subject, const Sample& s) {
  std::fprintf(stderr, "  %-23s map %7.1f  page %7s  PSS %6.1f (anon %5.1f file %5.1f shmem %5.1f)  RSS %6.1f  procs %d  exit %s\n",
               NameOf(subject), s.map_ms, Cell(s.page_ms, "%.1f").c_str(), s.memory.pss_mb,
               s.memory.pss_anon_mb, s.memory.pss_file_mb, s.memory.pss_shmem_mb, s.memory.rss_mb,
               s.memory.processes, Cell(s.exit_ms, "%.1f").c_str());
}

int Report(const Samples& samples, std::chrono::milliseconds probe_timeout) {
  const Medians m(samples);
  PrintTable(samples, m);
  std::printf("\n%-44s %-34s %s\n", "target", "measured (medians)", "verdict");
  Verdicts v;

  const auto off_map = Ratio(m.Of(Subject::kOfflineProgram, kMap), m.Of(Subject::kOfflineFloor, kMap));
  v.Add("offline map time <= x1.15 gtkmm floor",
        off_map, kMaxMapRatio,
        RatioText(off_map, m.Of(Subject::kOfflineProgram, kMap), m.Of(Subject::kOfflineFloor, kMap)),
        "offline map x" + Cell(off_map, "%.2f"));
  const auto off_mem = Difference(m.Of(Subject::kOfflineProgram, kPss), m.Of(Subject::kOfflineFloor, kPss));
  v.Add("offline PSS <= gtkmm floor + 12 MB", off_mem, kMaxExtraMemoryMb,
        Cell(off_mem, "%+.1f MB") + " (RSS " +
            Cell(Difference(m.Of(Subject::kOfflineProgram, kRss), m.Of(Subject::kOfflineFloor, kRss)), "%+.1f") + ")",
        "offline PSS " + Cell(off_mem, "%+.1fMB"));
  const auto off_procs = m.MaxOf(Subject::kOfflineProgram, kProcesses);
  const auto off_procs_min = m.MinOf(Subject::kOfflineProgram, kProcesses);
  const bool one_process = off_procs && off_procs_min && *off_procs == kOfflineProcesses &&
                           *off_procs_min == kOfflineProcesses;
  v.Add("offline exactly one process", one_process ? std::optional<double>(0) : std::nullopt, 0,
        Cell(off_procs, "%.0f (most seen)"), "offline procs " + Cell(off_procs, "%.0f"));

  const auto on_map = Ratio(m.Of(Subject::kOnlineProgram, kMap), m.Of(Subject::kOnlineFloor, kMap));
  v.Add("online map time <= x1.15 WebKit floor", on_map, kMaxMapRatio,
        RatioText(on_map, m.Of(Subject::kOnlineProgram, kMap), m.Of(Subject::kOnlineFloor, kMap)),
        "online map x" + Cell(on_map, "%.2f"));
  const auto on_page = Ratio(m.Of(Subject::kOnlineProgram, kPage), m.Of(Subject::kOnlineFloor, kPage));
  v.Add("online page request <= x1.15 WebKit floor", on_page, kMaxPageRatio,
        RatioText(on_page, m.Of(Subject::kOnlineProgram, kPage), m.Of(Subject::kOnlineFloor, kPage)),
        "online page x" + Cell(on_page, "%.2f"));
  const auto on_mem = Difference(m.Of(Subject::kOnlineProgram, kPss), m.Of(Subject::kOnlineFloor, kPss));
  v.Add("online PSS <= WebKit floor + 12 MB", on_mem, kMaxExtraMemoryMb,
        Cell(on_mem, "%+.1f MB") + " (RSS " +
            Cell(Difference(m.Of(Subject::kOnlineProgram, kRss), m.Of(Subject::kOnlineFloor, kRss)), "%+.1f") + ")",
        "online PSS " + Cell(on_mem, "%+.1fMB"));

  const auto completion = m.Of(Subject::kCompletionProgram, kExit);
  v.Add("thank-you request to exit < 300 ms", completion,
        static_cast<double>(kMaxCompletion.count()),
        Cell(completion, "%.1f ms") + " (max " + Cell(m.MaxOf(Subject::kCompletionProgram, kExit), "%.1f") + ")",
        "completion " + Cell(completion, "%.0fms"));

  const double bound = static_cast<double>((probe_timeout + kProbeBoundMargin).count());
  const auto no_answer = m.Of(Subject::kNoAnswerProgram, kMap);
  v.Add("no answer: mapped <= probe bound + 500 ms", no_answer, bound,
        Cell(no_answer, "%.1f ms") + " (max " + Cell(m.MaxOf(Subject::kNoAnswerProgram, kMap), "%.1f") +
            ", bound " + Cell(bound, "%.0f") + ")",
        "no-answer map " + Cell(no_answer, "%.0fms") + "/" + Cell(bound, "%.0f"));

  std::printf("\nsummary: %s; %d/%d targets met\n", v.summary.c_str(), v.total - v.missed, v.total);
  return v.missed;
}

}  // namespace brevolt::bench
