// A wininet.dll as someone might plant it beside brevolt.exe: loaded at
// all, it ends the process at once with a status the tests look for.
#include <windows.h>

#include "tests/windows/planted_status.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::TerminateProcess(::GetCurrentProcess(), kPlantedDllStatus);
  return TRUE;
}
