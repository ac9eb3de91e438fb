#pragma once
// Where the program's DLLs come from. The system's DLLs are loaded from
// System32 only: the executable's own folder (a Downloads folder, a
// per-user install) may hold a planted copy of one that is not a KnownDLL,
// and the loader would otherwise search it first. A system DLL that cannot
// be loaded at all, on a trimmed or locked-down system, fails each call
// into it as a missing component would rather than crashing the program.
#include <windows.h>

namespace brevolt::platform::win32 {

// Restricts the process's default DLL search to System32. Called first
// thing, before any DLL beyond the start-up imports is loaded.
void SearchSystemFolderOnly();

// Loads a system DLL by its bare name from System32 only, or nullptr.
HMODULE LoadSystemLibrary(const char* name);

// What a call into a system DLL that could not be loaded returns instead,
// for each function the program takes from one at its first call; nullptr
// for a function not known. Exposed so tests can check every delay-loaded
// function has one.
FARPROC StandInFor(const char* function);

}  // namespace brevolt::platform::win32
