#include "bench/driver/measure.h"

#include <fstream>
#include <stdexcept>
#include <thread>

#include "bench/driver/launch.h"

namespace brevolt::bench {
namespace {

constexpr const char* kPageLogPrefix = "GET /posttobrevolt2.asp ";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string LogTail(const std::string& path) {
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  constexpr size_t kTail = 1500;
  return text.size() > kTail ? text.substr(text.size() - kTail) : text;
}

[[noreturn]] void Fail(const std::string& what, const std::string& log_path) {
  throw std::runtime_error(what + "\n--- its output:\n" + LogTail(log_path));
}

void Mapped(MapWatch& watch, Launched& launched, Sample& sample, const std::string& log_path) {
  const auto mapped = watch.Wait(launched.started() + kMapTimeout, launched.exit_fd());
  if (!mapped) Fail(log_path + ": no window was mapped", log_path);
  sample.map_ms = Ms(mapped->at - launched.started());
  // Wall time on a shared machine includes waiting for a core; CPU time
  // shows the work itself, read as soon after the map as possible.
  sample.map_cpu_ms = CpuMsOf(ProcessTree(launched.pid()));
  sample.width = mapped->width;
  sample.height = mapped->height;
}

void ReadMemory(Launched& launched, Sample& sample, const std::string& log_path) {
  if (launched.Exited() || !Running(launched.pid())) Fail(log_path + ": ended early", log_path);
  sample.memory = MemoryOf(ProcessTree(launched.pid()));
}

}  // namespace

Sample Measurer::Offline(const std::string& program, const std::string& name) {
  const std::string log_path = log_dir_ + "/" + name + ".log";
  Sample sample;
  watch_.Arm();
  Launched launched(program, log_path);
  Mapped(watch_, launched, sample, log_path);
  std::this_thread::sleep_for(kOfflineSettle);
  ReadMemory(launched, sample, log_path);
  return sample;
}

Sample Measurer::Online(const std::string& program, const std::string& name,
                        SignUpServer& server) {
  const std::string log_path = log_dir_ + "/" + name + ".log";
  Sample sample;
  watch_.Arm();
  Launched launched(program, log_path);
  Mapped(watch_, launched, sample, log_path);
  const auto page =
      server.WaitFor(kPageLogPrefix, launched.started(), launched.started() + kPageTimeout);
  if (!page) Fail(log_path + ": the sign-up page was never requested", log_path);
  sample.page_ms = Ms(*page - launched.started());
  std::this_thread::sleep_until(std::max(Clock::now(), *page + kOnlineSettle));
  ReadMemory(launched, sample, log_path);
  return sample;
}

Sample Measurer::Completion(const std::string& program, const std::string& name,
                            MarkerSite& site) {
  const std::string log_path = log_dir_ + "/" + name + ".log";
  Sample sample;
  site.TakeMarkerRequest();
  watch_.Arm();
  Launched launched(program, log_path);
  Mapped(watch_, launched, sample, log_path);
  const auto exited = launched.WaitExit(launched.started() + kExitTimeout, sample.exit_status);
  if (!exited) Fail(log_path + ": did not end on the thank-you page", log_path);
  const auto marker = site.TakeMarkerRequest();
  if (!marker) Fail(log_path + ": ended without the thank-you page being requested", log_path);
  sample.exit_ms = Ms(*exited - *marker);
  return sample;
}

}  // namespace brevolt::bench
