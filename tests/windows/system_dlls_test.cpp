// Where the program's DLLs come from, and what a call into one that could
// not be loaded answers.
#include "platform/win32/system_dlls.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <wininet.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace brevolt::platform::win32 {
namespace {

TEST(SystemDlls, ComeFromSystem32) {
  SearchSystemFolderOnly();
  char system[MAX_PATH], loaded[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  ASSERT_GT(GetModuleFileNameA(LoadSystemLibrary("wininet.dll"), loaded, MAX_PATH), 0u);
  EXPECT_EQ(_stricmp(loaded, (std::string(system) + "\\wininet.dll").c_str()), 0) << loaded;
  EXPECT_EQ(LoadSystemLibrary("no-such-library.dll"), nullptr);
}

// A function taken at its first call but without a stand-in would crash
// the program on a system lacking its DLL.
TEST(SystemDlls, EveryDelayLoadedFunctionHasAStandInThatFails) {
  int listed = 0;
  for (const auto& def : std::filesystem::directory_iterator(BREVOLT_DELAY_LOAD_DIR)) {
    std::ifstream in(def.path());
    std::string line;
    for (bool exports = false; std::getline(in, line);) {
      if (exports && !line.empty()) {
        ++listed;
        EXPECT_NE(StandInFor(line.c_str()), nullptr) << line;
      }
      exports = exports || line == "EXPORTS";
    }
  }
  EXPECT_GT(listed, 0) << "no function read from " << BREVOLT_DELAY_LOAD_DIR;
  EXPECT_EQ(StandInFor("NotAFunctionOfOurs"), nullptr);

  auto as = [](auto* type, const char* name) {
    return reinterpret_cast<decltype(type)>(reinterpret_cast<void (*)()>(StandInFor(name)));
  };
  // The probe says unreachable, so the offline face shows; creating the
  // control fails as an HRESULT, which the program reports.
  const auto check = as(&InternetCheckConnectionA, "InternetCheckConnectionA");
  EXPECT_FALSE(check("http://127.0.0.1/", FLAG_ICC_FORCE_CONNECTION, 0));
  void* object = nullptr;
  EXPECT_TRUE(FAILED(as(&CoCreateInstance, "CoCreateInstance")(CLSID_NULL, nullptr, 1,
                                                               IID_IUnknown, &object)));
  EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace brevolt::platform::win32
