// Draws the program's pictures and writes them in Windows formats, so the
// X11 build and a later Windows build ship the very same files.
//
// Regenerate the committed assets after changing any drawing here:
//   cmake --build <build-dir> --target brevolt-regenerate-assets
// or by hand:
//   <build-dir>/tools/brevolt-make-assets <source-dir>/assets
//
// Output is the same on every run on one machine: nothing depends on the
// time, the desktop's settings or the order of a hash table.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/make_assets/envelope_icon.h"
#include "tools/make_assets/hand_cursor.h"
#include "tools/make_assets/panel.h"
#include "tools/make_assets/png_file.h"
#include "tools/make_assets/windows_files.h"

namespace {

namespace fs = std::filesystem;
using brevolt::assets::Bytes;
using brevolt::assets::DibDepth;
using brevolt::assets::Image;

constexpr const char* kPanelFile = "panel.bmp";
// For windows at twice the scale; PNG, since the GTK program reads it
// through a decoder it loads anyway.
constexpr const char* kDoublePanelFile = "panel@2x.png";
// The Windows program's pictures for 150% and 200%: bitmaps, which it
// shows without loading any picture decoder.
constexpr struct {
  const char* file;
  int dpi;
} kScaledBitmaps[] = {{"panel@1.5x.bmp", 144}, {"panel@2x.bmp", 192}};
constexpr int kDoubleDpi = 192;
constexpr int kDesignDpi = 96;
constexpr const char* kCursorFile = "hand.cur";
constexpr const char* kDoubleCursorFile = "hand@2x.cur";
constexpr int kDoubleCursorScale = 2;
constexpr const char* kIconFile = "brevolt.ico";
// The same images and more frames, one stored as PNG: a format the GTK
// program's icon decoder refuses, so the Windows program has its own file.
constexpr const char* kWindowsIconFile = "brevolt-windows.ico";
constexpr const char* kThemeIconDir = "icons";
constexpr const char* kThemeIconFile = "brevolt.png";

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteIcons(const fs::path& out_dir) {
  using brevolt::assets::DrawEnvelopeIcon;
  using brevolt::assets::IconFinish;
  std::vector<Image> smooth;
  std::vector<Image> flat;
  for (int side : brevolt::assets::kIconSides) {
    smooth.push_back(DrawEnvelopeIcon(side, IconFinish::kSmooth));
    flat.push_back(DrawEnvelopeIcon(side, IconFinish::kFlat));
  }

  std::vector<brevolt::assets::IconEntry> entries;
  for (std::size_t i = 0; i < smooth.size(); ++i) {
    entries.push_back({&flat[i], DibDepth::kPalette4});
    entries.push_back({&smooth[i], DibDepth::kRgb24});
    entries.push_back({&smooth[i], DibDepth::kArgb32});
  }
  WriteFile(out_dir / kIconFile, brevolt::assets::EncodeIcoFile(entries));

  std::vector<Image> scaled;
  for (int side : brevolt::assets::kWindowsScaledIconSides) {
    scaled.push_back(DrawEnvelopeIcon(side, IconFinish::kSmooth));
  }
  for (const Image& image : scaled) entries.push_back({&image, DibDepth::kArgb32});
  const Image largest = DrawEnvelopeIcon(brevolt::assets::kWindowsLargestIconSide,
                                         IconFinish::kSmooth);
  const Bytes largest_png = brevolt::assets::EncodePng(largest);
  entries.push_back({&largest, DibDepth::kArgb32, &largest_png});
  WriteFile(out_dir / kWindowsIconFile, brevolt::assets::EncodeIcoFile(entries));

  // The desktop also wants larger icons than the icon file holds.
  for (int side : brevolt::assets::kLargeThemeIconSides) {
    smooth.push_back(DrawEnvelopeIcon(side, IconFinish::kSmooth));
  }
  for (const Image& image : smooth) {
    const std::string side = std::to_string(image.width());
    const fs::path dir = out_dir / kThemeIconDir / (side + "x" + side);
    fs::create_directories(dir);
    brevolt::assets::WritePngFile(image, dir / kThemeIconFile);
  }
}

void WriteCursor(const fs::path& path, int scale) {
  const brevolt::assets::HotSpot hot{brevolt::assets::kHandHotSpot.x * scale,
                                     brevolt::assets::kHandHotSpot.y * scale};
  WriteFile(path, brevolt::assets::EncodeCurFile(brevolt::assets::DrawHandCursor(scale),
                                                 DibDepth::kPalette4, hot));
}

// Hands back the font caches that text drawing filled, so a leak checker
// sees only what this program itself failed to free.
void ReleaseFontCaches() {
  pango_cairo_font_map_set_default(nullptr);
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-DIR\n", argv[0]);
    return 2;
  }
  try {
    const fs::path out_dir = argv[1];
    fs::create_directories(out_dir);
    using brevolt::assets::DrawPanel;
    WriteFile(out_dir / kPanelFile, brevolt::assets::EncodeBmpFile(DrawPanel(kDesignDpi)));
    brevolt::assets::WritePngFile(DrawPanel(kDoubleDpi), out_dir / kDoublePanelFile);
    for (const auto& [file, dpi] : kScaledBitmaps) {
      WriteFile(out_dir / file, brevolt::assets::EncodeBmpFile(DrawPanel(dpi)));
    }
    WriteCursor(out_dir / kCursorFile, 1);
    WriteCursor(out_dir / kDoubleCursorFile, kDoubleCursorScale);
    WriteIcons(out_dir);
    ReleaseFontCaches();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
