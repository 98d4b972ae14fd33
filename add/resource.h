// Identifiers of the helper's dialog "PIXMOTEADD" (add/pixmote-add.rc), shared by the resource
// script and add/add_dialog.cpp.
#pragma once

// 1. The window.
#define IDC_ADD_WINDOWS 1101
#define IDC_ADD_REFRESH 1102
#define IDC_ADD_FINDER 1103
// 2. The calculator.
#define IDC_ADD_CALCULATORS 1104
#define IDC_ADD_ACROSS 1105
#define IDC_ADD_DOWN 1106
#define IDC_ADD_FIND 1107
#define IDC_ADD_STATUS 1108
// 3. Preview, adjust, save.
#define IDC_ADD_PREVIEW 1109
#define IDC_ADD_T110 1110
#define IDC_ADD_T220 1111
#define IDC_ADD_T330 1112
#define IDC_ADD_X 1113
#define IDC_ADD_Y 1114
#define IDC_ADD_DOTW 1115
#define IDC_ADD_DOTH 1116
#define IDC_ADD_PROFILE 1117
#define IDC_ADD_GROUP 1118
#define IDC_ADD_NAME 1119
#define IDC_ADD_SAVE 1120
#define IDC_ADD_EXPORT 1121
#define IDC_ADD_COLOURS 1122
#define IDC_ADD_WINDOW_MARK 1123
