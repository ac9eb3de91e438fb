#include "tests/harness/test_host.h"

#include <algorithm>
#include <stdexcept>

namespace brevolt::test {
namespace {

constexpr auto kStartTimeout = std::chrono::milliseconds(10000);
constexpr auto kCloseTimeout = std::chrono::milliseconds(5000);
constexpr const char* kProgram = "brevolt-test-host";

}  // namespace

TestHost::TestHost(const std::string& title, std::vector<std::string> extra_args,
                   std::vector<std::string> command) {
  std::vector<std::string> argv =
      command.empty() ? std::vector<std::string>{BuiltProgram(kProgram)} : std::move(command);
  argv.insert(argv.end(), {"--title", title});
  argv.insert(argv.end(), extra_args.begin(), extra_args.end());
  process_ = std::make_unique<Child>(std::move(argv));
  // What it said on the way, for the message if it never gets there.
  std::string report;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto line = process_->ReadLine(std::max(left, std::chrono::milliseconds(0)));
    if (!line) {
      throw std::runtime_error(std::string(kProgram) + " '" + title +
                               "' was not mapped and placed in time; it said:\n" + report);
    }
    report += *line + "\n";
    if (line->rfind("window ", 0) == 0) window_ = std::stoul(line->substr(7), nullptr, 16);
    if (*line == "placed") break;
  }
}

bool TestHost::WaitFor(const std::string& event, std::chrono::milliseconds timeout) {
  return process_->WaitForLine(event, timeout).has_value();
}

void TestHost::Close() {
  process_->Kill();
  process_->WaitExit(kCloseTimeout);
}

}  // namespace brevolt::test
