#pragma once
// Numbers of the resources compiled into brevolt.exe. The icon has the
// lowest number, so it is also the executable's own icon.
#define IDI_BREVOLT 1
// The panel picture drawn for 96, 144 and 192 dots per inch.
#define IDB_PANEL 101
#define IDB_PANEL_144 103
#define IDB_PANEL_192 104
// The hand cursor, drawn at 32 and at 64 pixels.
#define IDC_FINISH_HAND 102
#define IDC_FINISH_HAND_192 105
