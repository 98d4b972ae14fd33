// The capture session: SessionState, the CaptureGeometry, the CaptureBuffers, the output file
// name and the capture timer (module-level in session.cpp). Left presses, ticks and the close
// sequence reach it through the event handler; everything runs on the GUI thread.
#pragma once

#include "capture/tracking.h"
#include "detect/detect.h"
#include "platform/win32.h"

#include <cstdint>

enum SessionState : std::int16_t { Halted = 0, Ready = 1, Capturing = 2 };

// The settings a recording acts on, as they are at the moment of the call.
struct CaptureChoices {
    std::int16_t timerMultiplier = 1;  // 1, 2 or 3: a tick every 110, 220 or 330 ms
    bool stillMode = false;
    std::int16_t enlarge = 1;  // 1..4: each pixel of the file as an enlarge x enlarge block
};

// What the session needs of the program around it. The program hands it down once, before
// its dialog is initialised; until then warnings and looks go nowhere and the choices
// are the defaults.
struct SessionHost {
    void (*showWarning)(const char* text);  // a warning box over the dialog; returns when closed
    void (*showState)(std::int16_t state);  // the tray icon's look for a SessionState
    CaptureChoices (*choices)();            // read at a start and at every tick
};
void sessionSetHost(const SessionHost& host);

// The tracking's inputs for a tick taken with these choices.
constexpr TickInputs tickInputsOf(CaptureChoices choices) {
    return {delayStepOf(choices.timerMultiplier), choices.stillMode};
}

// The host's choices, for captureTick.
CaptureChoices sessionChoices();

// Read by the event handler (close refusal, right press) and by captureTick.
std::int16_t sessionState();

// The left press on the tray icon, from the event handler: prepare, start or stop by
// SessionState. A press while a preparation is still making its buffers or reporting their
// failure does nothing; a press while its file dialog is open starts (and, the name being
// empty, fails to open a file) only if the session is still Ready.
void sessionLeftPress(HWND dialog);

// Halted -> Ready with a file name and every buffer held, or back to Halted with nothing held.
void prepareRecording(HWND dialog);
// Ready -> Capturing with the file open and the timer running, or Halted with nothing held.
void startRecording(HWND dialog);
// -> Halted with nothing held; releases only what is held. Called by a press in Capturing, at
// the end of every failed preparation or start, and by the event handler when the window or
// the Windows session ends. A recording stopped before its first tick grabs the screen first,
// so that its file shows the screen for one delay step.
void stopRecording(HWND dialog);

// What grabFrame and captureTick work on. Handles are null while not held.
struct CaptureBuffers {
    HBITMAP bitmap = nullptr;
    BITMAPINFO header = {};  // the pixel-transfer header, filled once per preparation
    HGLOBAL pixels = nullptr;
    HGLOBAL previous = nullptr;
    HGLOBAL current = nullptr;
};
// Read by grabFrame and captureTick (and by tests). Valid as a whole only while Ready or
// Capturing.
const CaptureBuffers& captureBuffers();
const CaptureGeometry& captureGeometry();

// The still-mode ending, from captureTick after the still image was written (with the blocks
// already unlocked): timer, endAnimation without a flush, release steps, Halted; then the
// warning if the file could not be finished.
void endStillRecording(HWND dialog);

// From captureTick after a write of the tick failed (the writer has closed the file, kept up
// to its last complete image): timer, release steps, Halted, then the warning that says
// whether anything was kept.
void endFailedRecording(HWND dialog);
