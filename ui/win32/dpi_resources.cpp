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
// a sans-serif face where it is missing. On Windows 10 and 11 it is a
// bitmap font with sizes for 96 dpi only, drawn jagged and at the wrong
// height at any other scale: there its TrueType twin, with the same
// metrics, stands in.
constexpr const char* kFontFace = "MS Sans Serif";
constexpr const char* kScalableFontFace = "Microsoft Sans Serif";
constexpr int kFontDesignDpi = 96;
constexpr int kFontHundredthsOfPoint = 825;
// The icon's sides at 96 dpi: the caption's and the task switcher's.
constexpr int kSmallIconSide = 16;
constexpr int kLargeIconSide = 32;

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
                       DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                       dpi == kFontDesignDpi ? kFontFace : kScalableFontFace);
}

// The icon drawn nearest above `side`, shrunk to it: the system's own
// loader would rather stretch a smaller frame up. comctl32 6 is loaded by
// then, for the window's fields; without it (or its function, before
// Vista) the system's loader does.
HICON LoadIconAt(HINSTANCE instance, int side) {
  using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const auto scale_down = [] {
    const HMODULE common_controls = ::GetModuleHandleA("comctl32.dll");
    const FARPROC found =
        common_controls ? ::GetProcAddress(common_controls, "LoadIconWithScaleDown") : nullptr;
    return reinterpret_cast<ScaleDown>(reinterpret_cast<void (*)()>(found));
  }();
  HICON icon = nullptr;
  if (scale_down &&
      SUCCEEDED(scale_down(instance, MAKEINTRESOURCEW(IDI_BREVOLT), side, side, &icon))) {
    return icon;
  }
  return static_cast<HICON>(
      ::LoadImageA(instance, MAKEINTRESOURCEA(IDI_BREVOLT), IMAGE_ICON, side, side, 0));
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
      hand_(LoadHand(instance, dpi)),
      small_icon_(LoadIconAt(instance, DesignPixelsAt(kSmallIconSide, dpi))),
      large_icon_(LoadIconAt(instance, DesignPixelsAt(kLargeIconSide, dpi))) {}

DpiResources::~DpiResources() {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(panel_), static_cast<HGDIOBJ>(field_font_),
                         static_cast<HGDIOBJ>(caption_font_)}) {
    if (object) ::DeleteObject(object);
  }
  if (hand_) ::DestroyCursor(hand_);
  for (HICON icon : {small_icon_, large_icon_}) {
    if (icon) ::DestroyIcon(icon);
  }
}

}  // namespace brevolt::ui::win32
