// The native stand-in for the Win32 calls of platform/win32.h: how tests script it and
// inspect it. Only tests (and test support code) include this header; program code never does.
//
// The stand-in is as small as the program's use of Win32. It keeps one world: a registry,
// top-level windows with pixel surfaces, the program's one dialog, a message queue, timers,
// GDI objects, global memory blocks, icons and the tray. It counts everything that is held so
// that tests can prove nothing leaks, and it logs the calls that matter for ordering.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace stub {

// Forget everything: registry, windows, dialog, queue, timers, objects, logs, scripted faults.
// Every test starts with reset() (the fixture in tests/support does it).
void reset();

// A module handle to pass as the program's instance (WinMain, appCreate). LoadImageA fails for
// a null instance, which in Windows asks for a system image.
HINSTANCE programInstance();

// ---- What is held right now -------------------------------------------------------------
struct Held {
    int keys = 0;          // registry keys open (predefined roots not counted)
    int windowDCs = 0;     // GetDC without ReleaseDC
    int memoryDCs = 0;     // CreateCompatibleDC without DeleteDC
    int gdiObjects = 0;    // bitmaps made and not deleted
    int globalBlocks = 0;  // GlobalAlloc without GlobalFree
    int globalLocks = 0;   // sum of lock counts over all blocks
    int timers = 0;        // timers set and not killed
    int icons = 0;         // LoadImageA without DestroyIcon
};
Held held();
bool nothingHeld();  // every count above is 0

// ---- Call log ------------------------------------------------------------------------------
// Calls that matter for ordering are appended as short lines, for example
//   "SetForegroundWindow dialog", "MessageBoxA Pixmote|<text>|0x30", "Shell_NotifyIconA 1 102
//   Ready", "SetTimer 1 110", "KillTimer 1", "EndDialog 1", "PostQuitMessage 0", "DeleteObject
//   bitmap", "GlobalFree <n>", "GetSaveFileNameA", "ShowWindow 0", "RegOpenKeyExA Software",
//   "RegCloseKey Pixmote".
// The exact lines are documented in platform/stub/README.md.
const std::vector<std::string>& calls();
void clearCalls();

// ---- Registry ------------------------------------------------------------------------------
// Paths are below HKEY_CURRENT_USER, separated by '\\', for example "Software\\Pixmote\\G\\P".
// Subkeys enumerate in the order they were first created. Names compare without case.
void regCreateKey(const std::string& path);  // creates every missing level
void regDeleteKey(const std::string& path);  // with everything below it
void regSetString(const std::string& path, const std::string& name, const std::string& text,
                  DWORD type = REG_SZ);  // stores text and its NUL; "" name = default value
void regSetDword(const std::string& path, const std::string& name, DWORD value);
void regSetBinary(const std::string& path, const std::string& name, const std::vector<BYTE>& data,
                  DWORD type = REG_BINARY);
bool regHasValue(const std::string& path, const std::string& name);
// The raw data and type of a value (data includes the NUL for strings as stored).
bool regGetValue(const std::string& path, const std::string& name, DWORD* type,
                 std::vector<BYTE>* data);
// Faults: opening this path fails with ERROR_ACCESS_DENIED; writing any value below it fails.
void regRefuseOpen(const std::string& path);
void regRefuseWrite(const std::string& path);

// ---- Top-level windows (the emulators) ------------------------------------------------------
// A window with a class, a caption and a client area of width x height 32-bit pixels
// (0x00RRGGBB), all 0 at first. FindWindowA compares class and caption without case.
HWND addWindow(const std::string& className, const std::string& caption, int width, int height);
void destroyWindow(HWND window);  // later GetDC on it fails, FindWindowA no longer finds it
// A window inside parent, with its own class, caption and client area of pixels (as a top-level
// window's), shown. FindWindowA never finds it; FindWindowExA(parent, ...) and
// EnumChildWindows(parent, ...) do, and it is destroyed with its parent. IsWindowVisible is
// true only while it and every window above it are shown.
HWND addChildWindow(HWND parent, const std::string& className, const std::string& caption,
                    int width, int height);
// Z-order: windows stack in creation order, the first made on top (as FindWindowA, FindWindowExA
// and EnumChildWindows meet them); raiseWindow puts one on top of all.
void raiseWindow(HWND window);
// Where a child's client area lies in its parent's (0, 0 until placed), for MapWindowPoints.
void placeChildWindow(HWND child, int x, int y);
// Copies (BitBlt, StretchBlt) from a child window's DC fail and copy nothing, as Wine does for
// another process's child window.
void failCopiesFromChildWindows(bool fail);
// A window drawn by the GPU: copies out of its own DC (and out of its children's) come back all
// black, as from a window drawn with Direct3D under desktop composition, while the screen shows
// its pixels. The screen's DC (GetDC(nullptr)) shows the visible top-level windows, each at the
// screen's origin, the first in the Z-order on top, with their visible children at their places.
void copiesComeBackBlack(HWND window, bool black);
void setCaption(HWND window, const std::string& caption);
void resizeWindow(HWND window, int width, int height);
void setPixel(HWND window, int x, int y, std::uint32_t rgb);
void fillRect(HWND window, int x, int y, int width, int height, std::uint32_t rgb);
std::uint32_t pixel(HWND window, int x, int y);
HWND foregroundWindow();  // the last window given to SetForegroundWindow

// ---- The program's dialog -------------------------------------------------------------------
// CreateDialogParamA("PIXMOTE") makes the one dialog with the template's controls
// (1, 2, 1004, 1005, 40006..40008), hidden, and sends it WM_INITDIALOG before returning.
void failDialogCreation(bool fail);
HWND dialog();  // nullptr before creation
bool dialogVisible();
bool dialogEnded();  // EndDialog was called
std::string itemText(int id);
int itemTextLimit(int id);  // the EM_LIMITTEXT value, or -1 when never set
bool itemChecked(int id);
// As a person would: type into the edit box (respects the limit), or click a button
// (radio buttons check themselves and uncheck 40006..40008 siblings, the check box toggles),
// then WM_COMMAND(id, BN_CLICKED) reaches the dialog procedure.
void typeText(int id, const std::string& text);
void clickButton(int id);

// The controls beyond the six of the first template: the Size group (1006) and its radio
// buttons x1..x4 (1007..1010, checking themselves as the timer buttons do), the start/stop key's
// label (1011), its hotkey control (1012, HKM_SETHOTKEY and HKM_GETHOTKEY) and the note under it
// (1013, a static text the program fills).
// As a person would: put a key into the hotkey control (virtual key | HOTKEYF_ flags << 8; 0
// clears it). No WM_COMMAND is sent: the program reads the control at OK.
void setHotKeyControl(int id, WORD key);
WORD hotKeyControl(int id);

// ---- The start/stop key ---------------------------------------------------------------------
// Keys registered with RegisterHotKey, as (modifiers without MOD_NOREPEAT, virtual key); a key
// another program holds makes RegisterHotKey fail with it. Not logged, not counted in held().
struct HotKey {
    HWND window = nullptr;
    int id = 0;
    UINT modifiers = 0;
    UINT virtualKey = 0;
};
std::vector<HotKey> hotKeys();
void takeHotKey(UINT modifiers, UINT virtualKey);  // as another program holding it
// The key pressed: WM_HOTKEY(id) to the window that registered it, as the system posts it and
// the loop dispatches it; returns the procedure's result, 0 when no key matches.
INT_PTR pressHotKey(UINT modifiers, UINT virtualKey);

// ---- Messages -------------------------------------------------------------------------------
// Call the dialog procedure at once, as the message loop would dispatch it; returns its result.
INT_PTR send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Queue a message for the dialog; GetMessageA hands them out in order. When the queue is empty
// and no quit was posted, GetMessageA returns -1 (a test that forgot to end the loop must not
// hang).
void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The tray notifications and the timer tick, as the shell and the timer deliver them.
INT_PTR trayPress(UINT mouseMessage);  // send(0x8064, 0, mouseMessage)
INT_PTR fireTimer(UINT_PTR id = 1);    // send(WM_TIMER, id) if that timer is set; else 0
int quitCode();                        // the PostQuitMessage code, or -1 if none

// ---- Message boxes and the save-file dialog -------------------------------------------------
struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<Box>& boxes();
// An action run while a box (or the file dialog) is open, as its nested message loop would
// deliver messages. Each action runs once, for the next box/dialog opened, in the order queued.
void whileNextBoxOpen(std::function<void()> action);
void whileNextFileDialogOpen(std::function<void()> action);
// The next GetSaveFileNameA: returns TRUE with this name copied into the record's buffer
// (FALSE when the name does not fit nMaxFile), or FALSE when cancel is queued.
// With nothing queued, the dialog is cancelled.
void nextFileDialogChooses(const std::string& name);
void nextFileDialogCancels();
// A copy of the last record passed, and the strings it pointed to.
struct FileDialogSeen {
    OPENFILENAMEA record;
    std::string filter;  // the whole double-NUL-terminated list, NULs included
    std::string title;
    std::string initialName;  // what lpstrFile held when the dialog opened
};
const std::vector<FileDialogSeen>& fileDialogs();

// ---- Timers -----------------------------------------------------------------------------------
void failNextSetTimer();
bool timerSet(UINT_PTR id);
UINT timerInterval(UINT_PTR id);

// ---- Tray -------------------------------------------------------------------------------------
struct TrayCall {
    DWORD action;
    NOTIFYICONDATAA record;
    int iconResource;   // the resource id the icon was loaded from, or 0 for none
    int iconWidth = 0;  // the size LoadImageA was asked for, 0 x 0 for none
    int iconHeight = 0;
};
const std::vector<TrayCall>& trayCalls();
bool trayIconPresent();
int trayIconResource();  // of the icon shown now, 0 when none
std::string trayTip();   // of the icon shown now
void failIconLoading(bool fail);
// GetSystemMetrics(SM_CXSMICON) and (SM_CYSMICON): 16 after reset (100 %); 20, 24 and 32 at
// 125, 150 and 200 %.
void setSmallIconSize(int pixels);

// ---- GDI and memory faults --------------------------------------------------------------------
void failNextGetDC();
// Runs action once, at the start of the next StretchBlt or BitBlt, before it reads its source:
// something that happens to a window while it is being copied.
void duringNextCopy(std::function<void()> action);
void failNextCreateCompatibleBitmap();
void shortNextDibSizeQuery(DWORD size);    // the next GetDIBits size query reports this size
void failGlobalAllocAfter(int successes);  // -1 (default): never fail
int stretchBltCalls();
int getDIBitsRowsCopied();  // rows the last GetDIBits with a buffer delivered

}  // namespace stub
