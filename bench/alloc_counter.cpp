// Process-wide malloc family replacement that counts allocations while switched on. The
// executable's definitions take precedence over libc's for every loaded library, so giflib,
// libstdc++ and stdio allocate through these too.
#include "bench/alloc_counter.h"

#include <cstddef>
#include <cstring>
#include <link.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
}

namespace {

bool counting = false;
AllocCounts counts;
std::uintptr_t giflibStart = 0;
std::uintptr_t giflibEnd = 0;

// Attributes one allocation to the code that asked for it.
void note(const void* caller) {
    if (!counting) {
        return;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(caller);
    if (address >= giflibStart && address < giflibEnd) {
        ++counts.giflib;
    } else {
        ++counts.other;
    }
}

// The executable segments of the loaded libgif.
int findGiflib(dl_phdr_info* info, std::size_t, void*) {
    if (info->dlpi_name == nullptr || std::strstr(info->dlpi_name, "libgif") == nullptr) {
        return 0;
    }
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0) {
            giflibStart = info->dlpi_addr + segment.p_vaddr;
            giflibEnd = giflibStart + segment.p_memsz;
        }
    }
    return 1;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
    note(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    note(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) noexcept {
    note(__builtin_return_address(0));
    return __libc_realloc(pointer, size);
}

void free(void* pointer) noexcept {
    __libc_free(pointer);
}

}  // extern "C"

void locateGiflib() {
    dl_iterate_phdr(findGiflib, nullptr);
}

bool giflibLocated() {
    return giflibEnd > giflibStart;
}

void countAllocations(bool on) {
    counting = on;
}

AllocCounts allocationCounts() {
    return counts;
}

void resetAllocationCounts() {
    counts = AllocCounts{};
}
