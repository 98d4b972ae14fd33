// What a running process holds, read from outside it, for the leak and soak checks under Wine.
//
// Wine's GetGuiResources and GetProcessHandleCount answer 0 for every process, so the counts
// here come from other places:
// - GDI objects: the process's own GDI handle table, which Wine (like Windows) publishes in
//   PEB.GdiSharedHandleTable: 65536 entries, an entry in use has a non-zero type. Icons,
//   device contexts and bitmaps all hold entries there (an icon holds its bitmaps). The
//   least of three readings 37 ms apart, so that a tick's short-lived context is not counted.
// - USER objects: the process's windows, top-level (shown or hidden), their descendants and
//   its message-only windows.
// - kernel handles: the system handle list (NtQuerySystemInformation), entries of the process.
// - memory: GetProcessMemoryInfo (working set, private bytes).
// Used by the probe's commands (main.cpp) only.
#pragma once

#include <windows.h>

#include <string>

struct ProcessObjects {
    long gdi = -1;       // GDI handle table entries in use; -1 when the table cannot be read
    long gdiDc = 0;      // of which device contexts (memory DCs included)
    long gdiBitmap = 0;  // of which bitmaps
    long windows = -1;   // windows of the process
    long handles = -1;   // kernel handles; -1 when the system does not list them
    // Of which registry keys ...\ComDlg32\LastVisitedMRU: Wine's file dialog opens that key
    // and leaves it open, one handle per save dialog shown; not the program's.
    long mruKeys = 0;
    unsigned long long workingSet = 0;
    unsigned long long privateBytes = 0;
};

ProcessObjects countObjects(DWORD pid);

// The kernel handles of the process, one line each: value, type and name (files, keys and
// other named objects), for finding what a count that grows is made of.
void listHandles(DWORD pid);

// The process's GDI objects, one line each: table index, type and, for a bitmap, its size.
void listGdi(DWORD pid);

// One line: "gdi=N dc=N bitmap=N windows=N handles=N mru=N workingset=N private=N".
std::string formatObjects(const ProcessObjects& objects);
