// The stand-in's message queue and loop: messages posted for the dialog, the quit message,
// and the dispatch to the dialog procedure.
#include "platform/stub/world.h"

namespace stub::detail {
namespace {

constexpr UINT kTrayNotify = WM_APP + 100;

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT /*filterMin*/, UINT /*filterMax*/) {
    World& w = world();
    if (hwnd != nullptr && liveWindow(hwnd) == nullptr) {
        return -1;  // an invalid window handle
    }
    if (msg == nullptr || w.queue.empty()) {
        return -1;  // nothing can arrive any more: an error rather than a wait forever
    }
    *msg = w.queue.front();
    w.queue.pop_front();
    return msg->message == WM_QUIT ? 0 : 1;
}

// Only what the loop asks for: the first queued message in the range, taken off with PM_REMOVE.
BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
    World& w = world();
    for (auto it = w.queue.begin(); it != w.queue.end(); ++it) {
        const bool inRange = filterMin == 0 && filterMax == 0
                                 ? true
                                 : it->message >= filterMin && it->message <= filterMax;
        const bool forWindow = hwnd == nullptr || it->hwnd == hwnd || it->message == WM_QUIT;
        if (inRange && forWindow) {
            if (msg != nullptr) {
                *msg = *it;
            }
            if ((remove & PM_REMOVE) != 0) {
                w.queue.erase(it);
            }
            return TRUE;
        }
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* /*msg*/) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    World& w = world();
    if (msg == nullptr || msg->hwnd == nullptr || raw(msg->hwnd) != w.dialog) {
        return 0;
    }
    return callDialog(msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    log("PostQuitMessage " + std::to_string(exitCode));
    World& w = world();
    w.quitCode = exitCode;
    MSG quit = {};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(static_cast<UINT>(exitCode));
    w.queue.push_back(quit);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    log("PostMessageA " + windowName(hwnd) + " " + hexText(message));
    World& w = world();
    if (liveWindow(hwnd) == nullptr) {
        return FALSE;
    }
    if (raw(hwnd) == w.dialog) {  // only the dialog's messages are ever fetched
        MSG queued = {};
        queued.hwnd = hwnd;
        queued.message = message;
        queued.wParam = wParam;
        queued.lParam = lParam;
        w.queue.push_back(queued);
    }
    return TRUE;
}

namespace stub {

INT_PTR send(UINT message, WPARAM wParam, LPARAM lParam) {
    return callDialog(message, wParam, lParam);
}

void post(UINT message, WPARAM wParam, LPARAM lParam) {
    World& w = world();
    MSG queued = {};
    queued.hwnd = handleOf<HWND>(w.dialog);
    queued.message = message;
    queued.wParam = wParam;
    queued.lParam = lParam;
    w.queue.push_back(queued);
}

INT_PTR trayPress(UINT mouseMessage) {
    return send(kTrayNotify, 0, static_cast<LPARAM>(mouseMessage));
}

INT_PTR fireTimer(UINT_PTR id) {
    if (!timerSet(id)) {
        return 0;
    }
    return send(WM_TIMER, id, 0);
}

int quitCode() {
    return world().quitCode;
}

}  // namespace stub
