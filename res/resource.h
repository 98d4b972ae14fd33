// Resource numbers of the program, shared by res/pixmote.rc and any code that wants names
// for them. Plain macros, so the resource compiler can read this file too.
#pragma once

// Icon groups, one per SessionState: 101 + the state.
#define IDI_HALTED 101
#define IDI_READY 102
#define IDI_CAPTURING 103

// Controls of the settings dialog "PIXMOTE" (besides IDOK and IDCANCEL).
#define IDC_MESSAGE 1004
#define IDC_STILL_MODE 1005
#define IDC_TIMER_110 40006
#define IDC_TIMER_220 40007
#define IDC_TIMER_330 40008
// Added after the first twelve, in template order: the Size group and its buttons, the
// start/stop key's label, hotkey control and the note under it.
#define IDC_SIZE_GROUP 1006
#define IDC_SIZE_1 1007
#define IDC_SIZE_2 1008
#define IDC_SIZE_3 1009
#define IDC_SIZE_4 1010
#define IDC_KEY_LABEL 1011
#define IDC_KEY 1012
#define IDC_KEY_NOTE 1013
