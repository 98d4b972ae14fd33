// The capture session: SessionState, the CaptureGeometry, the CaptureBuffers, the output file
// name and the capture timer (module-level in session.cpp). Left presses, ticks and the close
// sequence reach it through the event handler.
#pragma once

#include "detect/detect.h"
#include "platform/win32.h"

#include <cstdint>

enum SessionState : std::int16_t { Halted = 0, Ready = 1, Capturing = 2 };

std::int16_t sessionState();

// The left press on the tray icon: prepare, start or stop by SessionState.
void sessionLeftPress(HWND dialog);

void prepareRecording(HWND dialog);
void startRecording(HWND dialog);
void stopRecording(HWND dialog);

// What grabFrame and captureTick work on. Handles are null while not held.
struct CaptureBuffers {
    HBITMAP bitmap = nullptr;
    BITMAPINFO header = {};  // the pixel-transfer header, filled once per preparation
    HGLOBAL pixels = nullptr;
    HGLOBAL previous = nullptr;
    HGLOBAL current = nullptr;
};
const CaptureBuffers& captureBuffers();
const CaptureGeometry& captureGeometry();

// The still-mode ending: timer, endAnimation without a flush, release steps, Halted.
void endStillRecording(HWND dialog);
