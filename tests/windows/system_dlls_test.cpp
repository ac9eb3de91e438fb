// Where the program's DLLs come from, and what a call into one that could
// not be loaded answers.
#include "platform/win32/system_dlls.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <wininet.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

namespace brevolt::platform::win32 {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(SystemDlls, ComeFromSystem32) {
  SearchSystemFolderOnly();
  char system[MAX_PATH], loaded[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  HMODULE wininet = LoadSystemLibrary("wininet.dll");
  ASSERT_NE(wininet, nullptr);
  ASSERT_GT(GetModuleFileNameA(wininet, loaded, MAX_PATH), 0u);
  EXPECT_EQ(Lower(loaded), Lower(std::string(system) + "\\wininet.dll"));
  EXPECT_EQ(LoadSystemLibrary("no-such-library.dll"), nullptr);
}

// A function taken at its first call but without a stand-in would crash
// the program on a system lacking its DLL.
TEST(SystemDlls, EveryDelayLoadedFunctionHasAStandIn) {
  int listed = 0;
  for (const auto& def : std::filesystem::directory_iterator(BREVOLT_DELAY_LOAD_DIR)) {
    std::ifstream in(def.path());
    std::string line;
    bool exports = false;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "EXPORTS") {
        exports = true;
      } else if (exports && !line.empty()) {
        ++listed;
        EXPECT_NE(StandInFor(line.c_str()), nullptr) << line << " in " << def.path().filename();
      }
    }
  }
  EXPECT_GT(listed, 0) << "no function read from " << BREVOLT_DELAY_LOAD_DIR;
  EXPECT_EQ(StandInFor("NotAFunctionOfOurs"), nullptr);
}

template <typename Function>
Function StandIn(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(StandInFor(name)));
}

TEST(SystemDlls, StandInsAnswerAsTheFunctionFailing) {
  // The probe says unreachable, so the offline face shows.
  const auto check = StandIn<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD)>("InternetCheckConnectionA");
  EXPECT_EQ(check("http://127.0.0.1/", FLAG_ICC_FORCE_CONNECTION, 0), FALSE);
  // Creating the control fails as an HRESULT, which the program reports.
  const auto create =
      StandIn<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>("CoCreateInstance");
  void* object = nullptr;
  EXPECT_TRUE(FAILED(create(CLSID_NULL, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object)));
  EXPECT_EQ(object, nullptr);
  StandIn<void(WINAPI*)(VARIANT*)>("VariantInit")(nullptr);
}

}  // namespace
}  // namespace brevolt::platform::win32
