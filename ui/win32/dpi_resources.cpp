#include "ui/win32/dpi_resources.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/hand_cursor.h"
#include "ui/scaling.h"
#include "ui/win32/area_resample.h"
#include "ui/win32/resource_ids.h"

namespace brevolt::ui::win32 {
namespace {

// The face the form was designed with, 8.25 points; the font mapper picks
// a sans-serif face where it is missing.
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontHundredthsOfPoint = 825;

struct Drawn {
  int dpi;
  int id;
};
// Ascending.
constexpr Drawn kPanels[] = {{96, IDB_PANEL}, {144, IDB_PANEL_144}, {192, IDB_PANEL_192}};
constexpr Drawn kHands[] = {{96, IDC_FINISH_HAND}, {192, IDC_FINISH_HAND_192}};

// The smallest drawing made for `dpi` or more; the largest past them all.
template <std::size_t N>
const Drawn& NearestLarger(const Drawn (&drawn)[N], int dpi) {
  for (const Drawn& d : drawn) {
    if (d.dpi >= dpi) return d;
  }
  return drawn[N - 1];
}

HFONT MakeFont(int dpi, int weight) {
  return ::CreateFontA(-PointsToPixelsAt(kFontHundredthsOfPoint, dpi), 0, 0, 0, weight, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, kFontFace);
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

HBITMAP Resized(HBITMAP drawn, int width, int height) {
  BITMAP size{};
  ::GetObjectA(drawn, sizeof size, &size);
  Pixels from{size.bmWidth, size.bmHeight,
              std::vector<std::uint32_t>(static_cast<std::size_t>(size.bmWidth) * size.bmHeight)};
  BITMAPINFO info = TopDown32(from.width, from.height);
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, drawn, 0, static_cast<UINT>(from.height), from.data.data(), &info,
              DIB_RGB_COLORS);
  const Pixels to = ResampleByArea(from, width, height);
  info = TopDown32(width, height);
  void* bits = nullptr;
  HBITMAP resized = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  if (resized) std::copy(to.data.begin(), to.data.end(), static_cast<std::uint32_t*>(bits));
  return resized;
}

HBITMAP LoadPanel(HINSTANCE instance, int dpi) {
  const Drawn& nearest = NearestLarger(kPanels, dpi);
  auto* drawn = static_cast<HBITMAP>(::LoadImageA(instance, MAKEINTRESOURCEA(nearest.id),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!drawn || nearest.dpi == dpi) return drawn;
  BITMAP size{};
  ::GetObjectA(drawn, sizeof size, &size);
  HBITMAP resized = Resized(drawn, RoundedQuotient(1LL * size.bmWidth * dpi, nearest.dpi),
                            RoundedQuotient(1LL * size.bmHeight * dpi, nearest.dpi));
  ::DeleteObject(drawn);
  return resized;
}

// The system shrinks the larger cursor to sizes between the drawn ones.
HCURSOR LoadHand(HINSTANCE instance, int dpi) {
  const int side = DesignPixelsAt(kHandCursorSide, dpi);
  return static_cast<HCURSOR>(::LoadImageA(instance,
                                           MAKEINTRESOURCEA(NearestLarger(kHands, dpi).id),
                                           IMAGE_CURSOR, side, side, 0));
}

}  // namespace

DpiResources::DpiResources(HINSTANCE instance, int dpi)
    : dpi_(dpi),
      panel_(LoadPanel(instance, dpi)),
      field_font_(MakeFont(dpi, FW_NORMAL)),
      caption_font_(MakeFont(dpi, FW_BOLD)),
      hand_(LoadHand(instance, dpi)) {}

DpiResources::~DpiResources() {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(panel_), static_cast<HGDIOBJ>(field_font_),
                         static_cast<HGDIOBJ>(caption_font_)}) {
    if (object) ::DeleteObject(object);
  }
  if (hand_) ::DestroyCursor(hand_);
}

}  // namespace brevolt::ui::win32
