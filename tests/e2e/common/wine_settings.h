#pragma once
// Display settings of the test process's Wine prefix, for the programs
// started while an object of this class lives: Wine reads the resolution
// (Control Panel\Desktop, LogPixels) and the colour scheme (Control
// Panel\Colors) when a program starts. Every value is put back as it was,
// and Wine's programs ended, when the object goes.
#include <optional>
#include <string>
#include <vector>

namespace brevolt::test {

class WineSettings {
 public:
  WineSettings() = default;
  ~WineSettings();
  WineSettings(const WineSettings&) = delete;
  WineSettings& operator=(const WineSettings&) = delete;

  void SetDpi(int dpi);
  // Window and window-text colours, "R G B" each.
  void SetColours(const std::string& window, const std::string& window_text);

 private:
  struct Previous {
    std::string key, name;
    std::optional<std::string> type, data;  // none: the value was absent
  };
  void Set(const std::string& key, const std::string& name, const std::string& type,
           const std::string& data);

  std::vector<Previous> previous_;
};

}  // namespace brevolt::test
