// The icon as brevolt.exe carries it, read back through the system's own
// resource calls: every frame the window and Explorer pick from, each one
// decodable at its size, the largest a PNG.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <compare>
#include <set>
#include <utility>

#include "tools/make_assets/icon_sides.h"
#include "ui/win32/resource_ids.h"

namespace brevolt::test {
namespace {

#pragma pack(push, 2)
struct GroupEntry {  // GRPICONDIRENTRY
  BYTE width, height, colours, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

constexpr BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct Frame {
  int side;
  unsigned bits;
  bool png;
  auto operator<=>(const Frame&) const = default;
};

std::pair<const BYTE*, DWORD> Resource(HMODULE module, LPCSTR type, WORD id) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return {nullptr, 0};
  return {static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
          SizeofResource(module, found)};
}

TEST(IconFrames, TheExeCarriesEveryFrameEachDecodableAtItsSide) {
  HMODULE exe = LoadLibraryExA(BREVOLT_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << BREVOLT_EXE;
  const auto [group, group_size] = Resource(exe, RT_GROUP_ICON, IDI_BREVOLT);
  ASSERT_NE(group, nullptr);
  const WORD count = reinterpret_cast<const WORD*>(group)[2];
  ASSERT_GE(group_size, 6 + count * sizeof(GroupEntry));
  const auto* entries = reinterpret_cast<const GroupEntry*>(group + 6);

  std::set<Frame> found;
  for (WORD i = 0; i < count; ++i) {
    const int side = entries[i].width == 0 ? 256 : entries[i].width;
    const auto [image, size] = Resource(exe, RT_ICON, entries[i].id);
    ASSERT_NE(image, nullptr) << "frame " << side;
    const bool png = size >= sizeof kPngSignature &&
                     std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0;
    found.insert({side, entries[i].bit_count, png});
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), size, TRUE, 0x00030000,
                                          side, side, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << "frame " << side << " at " << entries[i].bit_count << " bits";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, side);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyIcon(icon);
  }

  std::set<Frame> expected;
  for (int side : assets::kIconSides) {
    for (unsigned bits : {4u, 24u, 32u}) expected.insert({side, bits, false});
  }
  for (int side : assets::kWindowsScaledIconSides) expected.insert({side, 32u, false});
  expected.insert({assets::kWindowsLargestIconSide, 32u, true});
  EXPECT_TRUE(found == expected) << found.size() << " frames, " << expected.size() << " expected";
  FreeLibrary(exe);
}

}  // namespace
}  // namespace brevolt::test
