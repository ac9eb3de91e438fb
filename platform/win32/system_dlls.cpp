#include "platform/win32/system_dlls.h"

#include <delayimp.h>

#include <cstring>
#include <string>

namespace brevolt::platform::win32 {
namespace {

// Not in the Windows 7 headers mingw targets here; Windows 7 has them
// only with its 2011 loader update.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// The stand-ins take no arguments: on x64 the caller sets up and clears
// the stack, so a function that ignores what it was passed may stand for
// any signature. A 32-bit build would need one per argument size.
static_assert(sizeof(void*) == 8, "the stand-ins rely on the x64 calling convention");

// For calls answering a BOOL, a handle or a count: 0 is the failure.
INT_PTR WINAPI FailsWithZero() {
  ::SetLastError(ERROR_MOD_NOT_FOUND);
  return 0;
}

// For calls answering an HRESULT, where 0 would be success.
HRESULT WINAPI FailsWithResult() { return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND); }

// For calls that answer nothing.
void WINAPI DoesNothing() {}

template <typename Function>
FARPROC AsProc(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct StandIn {
  const char* function;
  FARPROC (*make)();
};

// Every function cmake/delay_load lists, by what it answers.
const char* const kZeroAnswers[] = {"InternetCheckConnectionA", "InternetSetOptionW",
                                    "DeleteUrlCacheEntryW", "ShellExecuteW", "SysAllocString",
                                    "SysStringLen"};
const char* const kResultAnswers[] = {"CoCreateInstance", "OleInitialize", "OleFlushClipboard",
                                      "DispGetParam", "VariantClear", "ParseURLW"};
const char* const kNoAnswers[] = {"OleUninitialize", "SysFreeString", "VariantInit"};

template <std::size_t N>
bool Lists(const char* const (&names)[N], const char* function) {
  for (const char* name : names) {
    if (std::strcmp(name, function) == 0) return true;
  }
  return false;
}

FARPROC WINAPI BeforeLoading(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || info == nullptr) return nullptr;
  // A DLL System32 lacks is looked for nowhere else (the helper's own
  // LoadLibraryA would search the program's folder on older systems): the
  // program's own module, which exports nothing, stands for it, so each of
  // its functions is not found and gets its stand-in below.
  HMODULE module = LoadSystemLibrary(info->szDll);
  if (module == nullptr) module = ::GetModuleHandleA(nullptr);
  return reinterpret_cast<FARPROC>(module);
}

FARPROC WINAPI OnFailure(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliFailGetProc || info == nullptr || !info->dlp.fImportByName) {
    return nullptr;
  }
  return StandInFor(info->dlp.szProcName);
}

}  // namespace

void SearchSystemFolderOnly() {
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const FARPROC found =
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (found) {
    reinterpret_cast<SetDefaultDllDirectories>(reinterpret_cast<void (*)()>(found))(
        kSearchSystem32);
  }
}

HMODULE LoadSystemLibrary(const char* name) {
  if (name == nullptr) return nullptr;
  if (HMODULE module = ::LoadLibraryExA(name, nullptr, kSearchSystem32)) return module;
  // Without the loader update the flag is refused: the full path then, and
  // the DLL's own dependencies searched from its folder first.
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  char folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + name;
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC StandInFor(const char* function) {
  if (function == nullptr) return nullptr;
  if (Lists(kZeroAnswers, function)) return AsProc(&FailsWithZero);
  if (Lists(kResultAnswers, function)) return AsProc(&FailsWithResult);
  if (Lists(kNoAnswers, function)) return AsProc(&DoesNothing);
  return nullptr;
}

}  // namespace brevolt::platform::win32

// mingw's delay-load helper calls these; defined here, they replace its
// empty defaults, and this file is linked whenever the program restricts
// its search (SearchSystemFolderOnly).
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = brevolt::platform::win32::BeforeLoading;
PfnDliHook __pfnDliFailureHook2 = brevolt::platform::win32::OnFailure;
}
