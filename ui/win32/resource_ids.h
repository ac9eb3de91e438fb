#pragma once
// Numbers of the resources compiled into brevolt.exe. The icon has the
// lowest number, so it is also the executable's own icon.
#define IDI_BREVOLT 1
#define IDB_PANEL 101
#define IDC_FINISH_HAND 102
