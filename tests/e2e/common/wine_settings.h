#pragma once
// The display's resolution and a dark colour scheme in the test process's
// Wine prefix, for the programs started while an object of this class
// lives: Wine reads Control Panel\Desktop\LogPixels and Control
// Panel\Colors when a program starts. When the object goes, the prefix has
// a fresh prefix's values again and Wine's programs are ended.
namespace brevolt::test {

class WineSettings {
 public:
  // dark_scheme: black window colour, white window text.
  WineSettings(int dpi, bool dark_scheme);
  ~WineSettings();
  WineSettings(const WineSettings&) = delete;
  WineSettings& operator=(const WineSettings&) = delete;

 private:
  void Apply(int dpi, bool dark_scheme);
  bool changed_;
};

}  // namespace brevolt::test
