#include "tests/e2e/common/wine_settings.h"

#include <chrono>

#include "tests/e2e/common/wine.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kRegTimeout = std::chrono::seconds(60);
constexpr const char* kDesktopKey = "HKCU\\Control Panel\\Desktop";
constexpr const char* kColoursKey = "HKCU\\Control Panel\\Colors";
// reg.exe lists a value as four blanks, name, four blanks, type, four
// blanks, data.
constexpr const char* kColumn = "    ";

std::optional<int> Reg(std::vector<std::string> args) {
  args.insert(args.begin(), {"wine", "reg"});
  Child reg(std::move(args));
  return reg.WaitExit(kRegTimeout);
}

}  // namespace

void WineSettings::Set(const std::string& key, const std::string& name, const std::string& type,
                       const std::string& data) {
  Previous previous{key, name, std::nullopt, std::nullopt};
  {
    Child query({"wine", "reg", "query", key, "/v", name});
    if (auto line = query.WaitForLine(kColumn + name + kColumn, kRegTimeout)) {
      if (!line->empty() && line->back() == '\r') line->pop_back();
      const std::string rest = line->substr(2 * std::string(kColumn).size() + name.size());
      const auto gap = rest.find(kColumn);
      previous.type = rest.substr(0, gap);
      previous.data = gap == std::string::npos ? "" : rest.substr(gap + 4);
    }
    query.WaitExit(kRegTimeout);
  }
  previous_.push_back(previous);
  Reg({"add", key, "/v", name, "/t", type, "/d", data, "/f"});
}

void WineSettings::SetDpi(int dpi) { Set(kDesktopKey, "LogPixels", "REG_DWORD", std::to_string(dpi)); }

void WineSettings::SetColours(const std::string& window, const std::string& window_text) {
  Set(kColoursKey, "Window", "REG_SZ", window);
  Set(kColoursKey, "WindowText", "REG_SZ", window_text);
}

WineSettings::~WineSettings() {
  for (auto it = previous_.rbegin(); it != previous_.rend(); ++it) {
    if (it->type) {
      Reg({"add", it->key, "/v", it->name, "/t", *it->type, "/d", *it->data, "/f"});
    } else {
      Reg({"delete", it->key, "/v", it->name, "/f"});
    }
  }
  EndWinePrograms();
}

}  // namespace brevolt::test
