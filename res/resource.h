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
