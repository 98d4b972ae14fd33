// The stand-in's world: reset, the held counts, the call log and the shared helpers.
#include "platform/stub/world.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace stub::detail {

namespace {

World fresh() {
    World made;
    made.root = std::make_shared<RegNode>();
    made.root->name = "HKEY_CURRENT_USER";
    return made;
}

World& instance() {
    static World theWorld = fresh();
    return theWorld;
}

}  // namespace

World& world() {
    return instance();
}

void log(std::string line) {
    world().calls.push_back(std::move(line));
}

std::uintptr_t newHandle() {
    World& w = world();
    const std::uintptr_t handle = w.nextHandle;
    w.nextHandle += 0x10;
    return handle;
}

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lower(a) == lower(b);
}

}  // namespace stub::detail

namespace stub {

using namespace detail;

void reset() {
    instance() = fresh();
}

Held held() {
    const World& w = world();
    Held h;
    h.keys = static_cast<int>(w.keys.size());
    for (const auto& [handle, dc] : w.dcs) {
        if (dc.kind == DcKind::Window) {
            ++h.windowDCs;
        } else {
            ++h.memoryDCs;
        }
    }
    h.gdiObjects = static_cast<int>(w.bitmaps.size());
    h.globalBlocks = static_cast<int>(w.blocks.size());
    for (const auto& [handle, block] : w.blocks) {
        h.globalLocks += block.locks;
    }
    h.timers = static_cast<int>(w.timers.size());
    h.icons = static_cast<int>(w.icons.size());
    return h;
}

bool nothingHeld() {
    const Held h = held();
    return h.keys == 0 && h.windowDCs == 0 && h.memoryDCs == 0 && h.gdiObjects == 0 &&
           h.globalBlocks == 0 && h.globalLocks == 0 && h.timers == 0 && h.icons == 0;
}

const std::vector<std::string>& calls() {
    return world().calls;
}

void clearCalls() {
    world().calls.clear();
}

}  // namespace stub

namespace stub {

HINSTANCE programInstance() {
    return detail::handleOf<HINSTANCE>(0x400000);
}

}  // namespace stub
