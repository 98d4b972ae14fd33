// The stand-in's icons, tray and timers, and registered window messages.
//
// Icons come from the program's module only: LoadImageA knows the three icon groups 101, 102
// and 103 and fails for a null instance (that would ask for a system icon). The tray keeps the
// one icon it shows, as the shell's own copy: destroying the loaded icon afterwards does not
// change it.
#include "platform/stub/world.h"

#include <cstring>

namespace stub::detail {
namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;

bool knownIconResource(std::uintptr_t id) {
    return id == 101 || id == 102 || id == 103;
}

const Icon* findIcon(HICON icon) {
    World& w = world();
    const auto found = w.icons.find(raw(icon));
    return found == w.icons.end() ? nullptr : &found->second;
}

std::string boundedText(const char* text, std::size_t max) {
    std::size_t length = 0;
    while (length < max && text[length] != '\0') {
        ++length;
    }
    return std::string(text, length);
}

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy,
                         UINT /*load*/) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    const bool byNumber = id <= 0xFFFF;
    log("LoadImageA " + (byNumber ? std::to_string(id) : std::string(name)));
    World& w = world();
    if (w.failIcons || instance == nullptr || type != IMAGE_ICON || !byNumber ||
        !knownIconResource(id)) {
        return nullptr;
    }
    const std::uintptr_t handle = newHandle();
    w.icons[handle] = Icon{static_cast<int>(id), cx, cy};
    return handleOf<HANDLE>(handle);
}

int WINAPI GetSystemMetrics(int index) {
    if (index == SM_CXSMICON || index == SM_CYSMICON) {
        return world().smallIconSize;
    }
    return 0;  // as Windows answers an index it does not know
}

BOOL WINAPI DestroyIcon(HICON icon) {
    World& w = world();
    const auto found = w.icons.find(raw(icon));
    if (found == w.icons.end()) {
        log("DestroyIcon ?");
        return FALSE;
    }
    log("DestroyIcon " + std::to_string(found->second.resource));
    w.icons.erase(found);
    return TRUE;
}

BOOL WINAPI Shell_NotifyIconA(DWORD action, PNOTIFYICONDATAA data) {
    if (data == nullptr) {
        log("Shell_NotifyIconA " + std::to_string(action) + " ?");
        return FALSE;
    }
    World& w = world();
    const Icon* icon = (data->uFlags & NIF_ICON) != 0 ? findIcon(data->hIcon) : nullptr;
    const int resource = icon != nullptr ? icon->resource : 0;
    const std::string tip =
        (data->uFlags & NIF_TIP) != 0 ? boundedText(data->szTip, sizeof(data->szTip)) : "";
    log("Shell_NotifyIconA " + std::to_string(action) + " " + std::to_string(resource) +
        (tip.empty() ? "" : " " + tip));
    w.trayCalls.push_back(stub::TrayCall{action, *data, resource, icon != nullptr ? icon->width : 0,
                                         icon != nullptr ? icon->height : 0});
    if (data->cbSize != NOTIFYICONDATAA_V1_SIZE) {
        return FALSE;
    }
    TrayState& tray = w.tray;
    const bool same = tray.present && tray.window == data->hWnd && tray.id == data->uID;
    switch (action) {
        case NIM_ADD:
            if (tray.present) {
                return FALSE;
            }
            tray = TrayState{true, data->hWnd, data->uID, resource, tip};
            return TRUE;
        case NIM_MODIFY:
            if (!same) {
                return FALSE;
            }
            if ((data->uFlags & NIF_ICON) != 0) {
                tray.resource = resource;
            }
            if ((data->uFlags & NIF_TIP) != 0) {
                tray.tip = tip;
            }
            return TRUE;
        case NIM_DELETE:
            if (!same) {
                return FALSE;
            }
            tray = TrayState{};
            return TRUE;
        default:
            return FALSE;
    }
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
    if (name == nullptr || name[0] == '\0') {
        return 0;
    }
    World& w = world();
    const std::string lowered = lower(name);
    const auto found = w.registeredMessages.find(lowered);
    if (found != w.registeredMessages.end()) {
        return found->second;
    }
    const auto id = static_cast<UINT>(kFirstRegisteredMessage + w.registeredMessages.size());
    w.registeredMessages[lowered] = id;
    return id;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC /*timerProc*/) {
    log("SetTimer " + std::to_string(id) + " " + std::to_string(elapse));
    World& w = world();
    if (w.failNextTimer) {
        w.failNextTimer = false;
        return 0;
    }
    if (hwnd == nullptr) {
        id = w.nextTimerId++;  // a timer without a window gets an id of its own
    } else if (liveWindow(hwnd) == nullptr) {
        return 0;
    }
    w.timers[{raw(hwnd), id}] = elapse;
    return id == 0 ? 1 : id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    log("KillTimer " + std::to_string(id));
    return world().timers.erase({raw(hwnd), id}) > 0 ? TRUE : FALSE;
}

namespace stub {

void failNextSetTimer() {
    world().failNextTimer = true;
}

bool timerSet(UINT_PTR id) {
    for (const auto& [which, interval] : world().timers) {
        if (which.second == id) {
            return true;
        }
    }
    return false;
}

UINT timerInterval(UINT_PTR id) {
    for (const auto& [which, interval] : world().timers) {
        if (which.second == id) {
            return interval;
        }
    }
    return 0;
}

const std::vector<TrayCall>& trayCalls() {
    return world().trayCalls;
}

bool trayIconPresent() {
    return world().tray.present;
}

int trayIconResource() {
    return world().tray.resource;
}

std::string trayTip() {
    return world().tray.tip;
}

void failIconLoading(bool fail) {
    world().failIcons = fail;
}

void setSmallIconSize(int pixels) {
    world().smallIconSize = pixels;
}

}  // namespace stub
