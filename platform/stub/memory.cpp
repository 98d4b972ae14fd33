// The stand-in's global memory: movable blocks behind handles that are not their addresses,
// with lock counts. GMEM_FIXED blocks are not supported (the program asks for movable ones).
#include "platform/stub/world.h"

#include <cstring>
#include <new>

namespace stub::detail {
namespace {

// Larger requests fail, as they would for lack of memory.
constexpr SIZE_T kMaxBlock = SIZE_T{1} << 30;
// What a block not asked to be zero-filled holds at first.
constexpr BYTE kUninitialised = 0xCD;

GlobalBlock* findBlock(HGLOBAL block) {
    World& w = world();
    const auto found = w.blocks.find(raw(block));
    return found == w.blocks.end() ? nullptr : &found->second;
}

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    World& w = world();
    const bool refused =
        w.allocSuccessesLeft == 0 || (flags & GMEM_MOVEABLE) == 0 || bytes > kMaxBlock;
    GlobalBlock block;
    if (!refused) {
        block.data.reset(new (std::nothrow) BYTE[bytes == 0 ? 1 : bytes]);
    }
    if (block.data == nullptr) {
        log("GlobalAlloc failed " + std::to_string(bytes));
        return nullptr;
    }
    if (w.allocSuccessesLeft > 0) {
        --w.allocSuccessesLeft;
    }
    std::memset(block.data.get(), (flags & GMEM_ZEROINIT) != 0 ? 0 : kUninitialised,
                bytes == 0 ? 1 : bytes);
    block.size = bytes;
    block.ordinal = ++w.allocations;
    log("GlobalAlloc " + std::to_string(block.ordinal) + " " + std::to_string(bytes));
    const std::uintptr_t handle = newHandle();
    w.blocks[handle] = std::move(block);
    return handleOf<HGLOBAL>(handle);
}

HGLOBAL WINAPI GlobalFree(HGLOBAL block) {
    GlobalBlock* found = findBlock(block);
    if (found == nullptr) {
        log("GlobalFree ?");
        return block;
    }
    log("GlobalFree " + std::to_string(found->ordinal));
    world().blocks.erase(raw(block));
    return nullptr;
}

LPVOID WINAPI GlobalLock(HGLOBAL block) {
    GlobalBlock* found = findBlock(block);
    log("GlobalLock " + (found == nullptr ? std::string("?") : std::to_string(found->ordinal)));
    if (found == nullptr || found->size == 0) {
        return nullptr;  // unknown, or a block of no bytes (discarded in Windows)
    }
    ++found->locks;
    return found->data.get();
}

BOOL WINAPI GlobalUnlock(HGLOBAL block) {
    GlobalBlock* found = findBlock(block);
    log("GlobalUnlock " + (found == nullptr ? std::string("?") : std::to_string(found->ordinal)));
    if (found == nullptr || found->locks == 0) {
        return FALSE;
    }
    --found->locks;
    return found->locks > 0 ? TRUE : FALSE;
}

namespace stub {

void failGlobalAllocAfter(int successes) {
    world().allocSuccessesLeft = successes < 0 ? -1 : successes;
}

}  // namespace stub
