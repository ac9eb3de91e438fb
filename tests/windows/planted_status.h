#pragma once
// The exit status of a process that loaded the planted DLL.
inline constexpr unsigned kPlantedDllStatus = 77;
