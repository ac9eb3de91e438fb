#include "tests/e2e/common/wine_settings.h"

#include <chrono>
#include <string>
#include <vector>

#include "tests/e2e/common/wine.h"
#include "tests/harness/x_session.h"

namespace brevolt::test {
namespace {

constexpr auto kRegTimeout = std::chrono::seconds(60);
// A fresh prefix's: 96 dpi, black text on a white window.
constexpr int kFreshDpi = 96;

void SetValue(const std::string& key, const std::string& name, const std::string& type,
              const std::string& data) {
  Child reg({"wine", "reg", "add", key, "/v", name, "/t", type, "/d", data, "/f"});
  reg.WaitExit(kRegTimeout);
}

}  // namespace

WineSettings::WineSettings(int dpi, bool dark_scheme)
    : changed_(dpi != kFreshDpi || dark_scheme) {
  if (changed_) Apply(dpi, dark_scheme);
}

WineSettings::~WineSettings() {
  if (!changed_) return;
  Apply(kFreshDpi, false);
  EndWinePrograms();
}

void WineSettings::Apply(int dpi, bool dark_scheme) {
  SetValue("HKCU\\Control Panel\\Desktop", "LogPixels", "REG_DWORD", std::to_string(dpi));
  const std::string black = "0 0 0", white = "255 255 255";
  SetValue("HKCU\\Control Panel\\Colors", "Window", "REG_SZ", dark_scheme ? black : white);
  SetValue("HKCU\\Control Panel\\Colors", "WindowText", "REG_SZ", dark_scheme ? white : black);
}

}  // namespace brevolt::test
