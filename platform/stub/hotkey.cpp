// The stand-in's start/stop keys: RegisterHotKey and UnregisterHotKey, keys held by other
// programs, and the key's press as WM_HOTKEY to the window that registered it.
#include "platform/stub/world.h"

using namespace stub::detail;

namespace {

constexpr UINT kModifierBits = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

bool heldElsewhere(UINT modifiers, UINT virtualKey) {
    for (const auto& [taken, key] : world().takenHotKeys) {
        if (taken == modifiers && key == virtualKey) {
            return true;
        }
    }
    return false;
}

}  // namespace

BOOL WINAPI RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT virtualKey) {
    World& w = world();
    const UINT bits = modifiers & kModifierBits;
    if ((modifiers & ~(kModifierBits | MOD_NOREPEAT)) != 0 || virtualKey == 0 ||
        virtualKey > 0xFF || (hwnd != nullptr && liveWindow(hwnd) == nullptr)) {
        return FALSE;
    }
    const auto slot = std::make_pair(raw(hwnd), id);
    if (w.hotKeys.count(slot) != 0 || heldElsewhere(bits, virtualKey)) {
        return FALSE;  // ERROR_HOTKEY_ALREADY_REGISTERED
    }
    for (const auto& [other, key] : w.hotKeys) {
        if (key == std::make_pair(bits, virtualKey)) {
            return FALSE;
        }
    }
    w.hotKeys[slot] = {bits, virtualKey};
    return TRUE;
}

BOOL WINAPI UnregisterHotKey(HWND hwnd, int id) {
    return world().hotKeys.erase(std::make_pair(raw(hwnd), id)) != 0 ? TRUE : FALSE;
}

namespace stub {

std::vector<HotKey> hotKeys() {
    std::vector<HotKey> keys;
    for (const auto& [slot, key] : world().hotKeys) {
        keys.push_back({handleOf<HWND>(slot.first), slot.second, key.first, key.second});
    }
    return keys;
}

void takeHotKey(UINT modifiers, UINT virtualKey) {
    world().takenHotKeys.emplace_back(modifiers & kModifierBits, virtualKey);
}

INT_PTR pressHotKey(UINT modifiers, UINT virtualKey) {
    const UINT bits = modifiers & kModifierBits;
    for (const auto& [slot, key] : world().hotKeys) {
        if (key == std::make_pair(bits, virtualKey) && slot.first == world().dialog) {
            // lParam: the modifiers in the low word, the virtual key in the high word.
            const auto lParam = static_cast<LPARAM>(bits | (virtualKey << 16));
            return send(WM_HOTKEY, static_cast<WPARAM>(slot.second), lParam);
        }
    }
    return 0;
}

}  // namespace stub
