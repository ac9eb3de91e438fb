// The icon as brevolt.exe carries it, read back through the system's own
// resource calls: every frame, each decodable at its side, the largest a PNG.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <span>
#include <tuple>

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

TEST(IconFrames, TheExeCarriesEveryFrameEachDecodableAtItsSide) {
  HMODULE exe = LoadLibraryExA(BREVOLT_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << BREVOLT_EXE;
  auto resource = [exe](LPCSTR type, WORD id) {
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(id), type);
    return std::pair{found ? static_cast<BYTE*>(LockResource(LoadResource(exe, found))) : nullptr,
                     found ? SizeofResource(exe, found) : 0};
  };
  const auto [group, group_size] = resource(RT_GROUP_ICON, IDI_BREVOLT);
  ASSERT_GE(group_size, 6u);
  const WORD count = reinterpret_cast<const WORD*>(group)[2];
  ASSERT_GE(group_size, 6 + count * sizeof(GroupEntry));
  std::set<std::tuple<int, unsigned, bool>> found;  // side, bits, PNG
  for (const GroupEntry& e : std::span(reinterpret_cast<const GroupEntry*>(group + 6), count)) {
    const int side = e.width == 0 ? 256 : e.width;
    const auto [image, size] = resource(RT_ICON, e.id);
    ASSERT_NE(image, nullptr) << side;
    found.insert({side, e.bit_count, size > 4 && std::memcmp(image, "\x89PNG", 4) == 0});
    HICON icon = CreateIconFromResourceEx(image, size, TRUE, 0x00030000, side, side, 0);
    ICONINFO info{};
    ASSERT_TRUE(icon && GetIconInfo(icon, &info)) << side << "px at " << e.bit_count << " bits";
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, side);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(icon);
  }
  std::set<std::tuple<int, unsigned, bool>> expected;
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
