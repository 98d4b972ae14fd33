// The colour tables: an open-addressing hash from colour to its place in the list of colours
// met, the list (colour, pixel count, table index), and each pixel's place in the list. All of
// it is made once by paletteMake; a count clears only the slots the last count used.
#include "gif/palette_table.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // never a colour: colours have a zero top byte
constexpr int kMostExtras = 8;

// One hash slot: the colour (kEmpty when free) and its place in the list, side by side so that
// a probe touches one cache line.
struct Slot {
    std::uint32_t key;
    std::uint32_t place;
};

// A small direct-mapped cache in front of the hash: the colours of a screen repeat, and most
// of them are found here without touching the large table.
constexpr int kCacheBits = 12;
struct CacheEntry {
    std::uint32_t key = kEmpty;
    std::uint32_t place = 0;
};

struct Tables {
    std::size_t capacity = 0;             // pixels a count may hold
    std::uint32_t mask = 0;               // hash slots - 1
    int shift = 0;                        // 32 - log2(hash slots)
    Slot* slots = nullptr;                // hash slot -> colour and its place in the list
    std::uint32_t* colours = nullptr;     // list: colour
    std::uint32_t* counts = nullptr;      // list: pixels of that colour
    std::uint32_t* slotOf = nullptr;      // list: its hash slot
    std::uint8_t* indexOf = nullptr;      // list: its table index
    std::uint32_t* order = nullptr;       // list places, sorted for the reduction
    std::uint32_t* pixelPlace = nullptr;  // pixel -> place in the list
    std::uint8_t* narrowPlace = nullptr;  // the same while the list holds at most 256 colours
};

Tables tables;
CacheEntry cache[1 << kCacheBits];
std::uint32_t listed = 0;  // colours in the list
int countedWidth = 0;
bool narrow = true;    // the last count's places are in narrowPlace
bool indexed = false;  // narrowPlace holds the table indices themselves (the kept table's)

// The kept table's colours in a small open-addressing hash: 1024 slots for at most 256.
constexpr std::uint32_t kKeptSlots = 1024;
std::uint32_t keptKeys[kKeptSlots];
std::uint8_t keptIndex[kKeptSlots];
bool keptTable = false;

std::uint32_t keptSlotOf(std::uint32_t colour) {
    std::uint32_t slot = (colour * 0x9E3779B1u) >> 22;
    while (keptKeys[slot] != kEmpty && keptKeys[slot] != colour) {
        slot = (slot + 1) & (kKeptSlots - 1);
    }
    return slot;
}
int countedHeight = 0;
std::uint32_t extraPlace[kMostExtras] = {};
int extrasCounted = 0;

std::uint32_t hashOf(std::uint32_t colour) {
    return (colour * 0x9E3779B1u) >> tables.shift;
}

// The place of colour in the list, added with a count of 0 when new.
std::uint32_t placeInTable(std::uint32_t colour) {
    std::uint32_t slot = hashOf(colour);
    while (true) {
        Slot& entry = tables.slots[slot];
        if (entry.key == colour) {
            return entry.place;
        }
        if (entry.key == kEmpty) {
            entry.key = colour;
            entry.place = listed;
            tables.colours[listed] = colour;
            tables.counts[listed] = 0;
            tables.slotOf[listed] = slot;
            return listed++;
        }
        slot = (slot + 1) & tables.mask;
    }
}

std::uint32_t placeOf(std::uint32_t colour) {
    CacheEntry& entry = cache[(colour * 0x9E3779B1u) >> (32 - kCacheBits)];
    if (entry.key != colour) {
        entry.key = colour;
        entry.place = placeInTable(colour);
    }
    return entry.place;
}

void clearCache() {
    for (CacheEntry& entry : cache) {
        entry = CacheEntry{};
    }
}

std::uint32_t loadColour(const std::uint8_t* pixel) {
    std::uint32_t value = 0;
    std::memcpy(&value, pixel, sizeof value);
    return value & 0x00FFFFFFu;
}

std::uint32_t distance(std::uint32_t a, std::uint32_t b) {
    const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
    const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
}

template <typename T>
T* make(std::size_t count) {
    return new (std::nothrow) T[count];
}

}  // namespace

bool paletteMake(std::int64_t pixelCount) {
    paletteRelease();
    if (pixelCount < 1) {
        return false;
    }
    const auto capacity = static_cast<std::size_t>(pixelCount);
    const std::size_t colours = capacity + kMostExtras;
    // At most half the slots are ever used, so a probe always ends at a free slot soon.
    int bits = 10;
    while ((std::size_t{1} << bits) < 2 * colours) {
        ++bits;
    }
    const std::size_t slots = std::size_t{1} << bits;
    tables.capacity = capacity;
    tables.mask = static_cast<std::uint32_t>(slots - 1);
    tables.shift = 32 - bits;
    tables.slots = make<Slot>(slots);
    tables.colours = make<std::uint32_t>(colours);
    tables.counts = make<std::uint32_t>(colours);
    tables.slotOf = make<std::uint32_t>(colours);
    tables.indexOf = make<std::uint8_t>(colours);
    tables.order = make<std::uint32_t>(colours);
    tables.pixelPlace = make<std::uint32_t>(capacity);
    tables.narrowPlace = make<std::uint8_t>(capacity);
    if (tables.slots == nullptr || tables.colours == nullptr || tables.counts == nullptr ||
        tables.slotOf == nullptr || tables.indexOf == nullptr || tables.order == nullptr ||
        tables.pixelPlace == nullptr || tables.narrowPlace == nullptr) {
        paletteRelease();
        return false;
    }
    std::fill(tables.slots, tables.slots + slots, Slot{kEmpty, 0});
    clearCache();
    listed = 0;
    return true;
}

void paletteRelease() {
    delete[] tables.slots;
    delete[] tables.colours;
    delete[] tables.counts;
    delete[] tables.slotOf;
    delete[] tables.indexOf;
    delete[] tables.order;
    delete[] tables.pixelPlace;
    delete[] tables.narrowPlace;
    tables = {};
    keptTable = false;
    listed = 0;
    countedWidth = 0;
    countedHeight = 0;
    extrasCounted = 0;
}

namespace {

// Forgets the last count: the hash slots it used, the cache, the list.
void forgetCount() {
    for (std::uint32_t i = 0; i < listed; ++i) {
        tables.slots[tables.slotOf[i]].key = kEmpty;
    }
    clearCache();
    listed = 0;
}

// Counts the rectangle's pixels into the list, each pixel's place into place. With narrow
// places (bytes) it gives up, returning false, at the 257th colour.
template <typename Place>
bool countPixels(const std::uint8_t* frame, int stride, int left, int top, int width, int height,
                 Place* place) {
    constexpr bool kNarrow = sizeof(Place) == 1;
    // Calculator screens are mostly runs of one colour: a pixel like the one before it skips
    // the lookup, and a run's count is added once.
    std::uint32_t lastColour = kEmpty;
    std::uint32_t lastPlace = 0;
    std::uint32_t run = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row =
            frame + (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(stride) +
                     static_cast<std::size_t>(left)) *
                        4;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = loadColour(row + static_cast<std::size_t>(x) * 4);
            if (colour != lastColour) {
                tables.counts[lastPlace] += run;
                run = 0;
                lastColour = colour;
                lastPlace = placeOf(colour);
                if (kNarrow && lastPlace >= static_cast<std::uint32_t>(kMostColours)) {
                    return false;
                }
            }
            ++run;
            *place++ = static_cast<Place>(lastPlace);
        }
    }
    tables.counts[lastPlace] += run;
    return true;
}

}  // namespace

std::int64_t paletteCount(const std::uint8_t* frame, int stride, int left, int top, int width,
                          int height, const std::uint32_t* extra, int extraCount) {
    forgetCount();
    indexed = false;
    countedWidth = 0;
    countedHeight = 0;
    extrasCounted = 0;
    if (tables.slots == nullptr || width < 1 || height < 1 || extraCount > kMostExtras ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > tables.capacity) {
        return 0;
    }
    countedWidth = width;
    countedHeight = height;
    // Places as bytes while there are at most 256 colours (the common case, a quarter of the
    // memory traffic); counted again with whole places when there are more.
    narrow = countPixels(frame, stride, left, top, width, height, tables.narrowPlace);
    if (!narrow) {
        forgetCount();
        countPixels(frame, stride, left, top, width, height, tables.pixelPlace);
    }
    for (int i = 0; i < extraCount; ++i) {
        extraPlace[i] = placeOf(extra[i] & 0x00FFFFFFu);
        ++tables.counts[extraPlace[i]];
    }
    extrasCounted = extraCount;
    return listed;
}

void paletteKeepTable(const ImagePalette& table) {
    std::fill(keptKeys, keptKeys + kKeptSlots, kEmpty);
    for (int i = 0; i < table.count; ++i) {
        const std::uint32_t slot = keptSlotOf(table.colours[i]);
        if (keptKeys[slot] == kEmpty) {  // a colour twice in a table keeps its first index
            keptKeys[slot] = table.colours[i];
            keptIndex[slot] = static_cast<std::uint8_t>(i);
        }
    }
    keptTable = true;
}

bool paletteIndexByKeptTable(const std::uint8_t* frame, int stride, int left, int top, int width,
                             int height) {
    forgetCount();
    indexed = false;
    countedWidth = 0;
    countedHeight = 0;
    extrasCounted = 0;
    if (!keptTable || tables.narrowPlace == nullptr || width < 1 || height < 1 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > tables.capacity) {
        return false;
    }
    std::uint8_t* index = tables.narrowPlace;
    std::uint32_t lastColour = kEmpty;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row =
            frame + (static_cast<std::size_t>(top + y) * static_cast<std::size_t>(stride) +
                     static_cast<std::size_t>(left)) *
                        4;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = loadColour(row + static_cast<std::size_t>(x) * 4);
            if (colour != lastColour) {
                const std::uint32_t slot = keptSlotOf(colour);
                if (keptKeys[slot] == kEmpty) {
                    return false;
                }
                lastColour = colour;
                lastIndex = keptIndex[slot];
            }
            *index++ = lastIndex;
        }
    }
    countedWidth = width;
    countedHeight = height;
    narrow = true;
    indexed = true;
    return true;
}

bool paletteFitsTable(const ImagePalette& table) {
    if (listed > kMostColours) {
        return false;
    }
    // A small hash of the table's colours, made afresh: 1024 slots for at most 256 colours.
    constexpr std::uint32_t kSlots = 1024;
    std::uint32_t keys[kSlots];
    std::uint8_t indices[kSlots];
    std::fill(keys, keys + kSlots, kEmpty);
    for (int i = 0; i < table.count; ++i) {
        const std::uint32_t colour = table.colours[i];
        std::uint32_t slot = (colour * 0x9E3779B1u) >> 22;
        while (keys[slot] != kEmpty && keys[slot] != colour) {
            slot = (slot + 1) & (kSlots - 1);
        }
        if (keys[slot] == kEmpty) {  // a colour twice in a table keeps its first index
            keys[slot] = colour;
            indices[slot] = static_cast<std::uint8_t>(i);
        }
    }
    for (std::uint32_t i = 0; i < listed; ++i) {
        const std::uint32_t colour = tables.colours[i];
        std::uint32_t slot = (colour * 0x9E3779B1u) >> 22;
        while (keys[slot] != kEmpty && keys[slot] != colour) {
            slot = (slot + 1) & (kSlots - 1);
        }
        if (keys[slot] == kEmpty) {
            return false;
        }
        tables.indexOf[i] = indices[slot];
    }
    return true;
}

std::int64_t paletteChoose(ImagePalette* table) {
    if (listed <= kMostColours) {
        table->count = static_cast<int>(listed);
        for (std::uint32_t i = 0; i < listed; ++i) {
            table->colours[i] = tables.colours[i];
            tables.indexOf[i] = static_cast<std::uint8_t>(i);
        }
        return 0;
    }
    // Frequency first: the extra colours, then the colours covering the most pixels (ties by
    // colour value, so the choice never depends on the order met).
    constexpr std::uint32_t kPinned = 0xFFFFFFFFu;
    for (int i = 0; i < extrasCounted; ++i) {
        tables.counts[extraPlace[i]] = kPinned;
    }
    for (std::uint32_t i = 0; i < listed; ++i) {
        tables.order[i] = i;
    }
    const auto first = [](std::uint32_t a, std::uint32_t b) {
        if (tables.counts[a] != tables.counts[b]) {
            return tables.counts[a] > tables.counts[b];
        }
        return tables.colours[a] < tables.colours[b];
    };
    std::partial_sort(tables.order, tables.order + kMostColours, tables.order + listed, first);
    table->count = kMostColours;
    for (int i = 0; i < kMostColours; ++i) {
        const std::uint32_t place = tables.order[i];
        table->colours[i] = tables.colours[place];
        tables.indexOf[place] = static_cast<std::uint8_t>(i);
    }
    std::int64_t inexact = 0;
    for (std::uint32_t k = kMostColours; k < listed; ++k) {
        const std::uint32_t place = tables.order[k];
        const std::uint32_t colour = tables.colours[place];
        std::uint32_t best = distance(colour, table->colours[0]);
        int bestIndex = 0;
        for (int i = 1; i < kMostColours && best != 0; ++i) {
            const std::uint32_t d = distance(colour, table->colours[i]);
            if (d < best) {
                best = d;
                bestIndex = i;
            }
        }
        tables.indexOf[place] = static_cast<std::uint8_t>(bestIndex);
        inexact += tables.counts[place];
    }
    return inexact;
}

void paletteIndexRow(int y, std::uint8_t* out) {
    if (y < 0 || y >= countedHeight) {
        return;
    }
    const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(countedWidth);
    if (indexed) {
        std::memcpy(out, tables.narrowPlace + start, static_cast<std::size_t>(countedWidth));
        return;
    }
    if (narrow) {
        const std::uint8_t* place = tables.narrowPlace + start;
        for (int x = 0; x < countedWidth; ++x) {
            out[x] = tables.indexOf[place[x]];
        }
        return;
    }
    const std::uint32_t* place = tables.pixelPlace + start;
    for (int x = 0; x < countedWidth; ++x) {
        out[x] = tables.indexOf[place[x]];
    }
}

std::uint8_t paletteIndexOfExtra(int extra) {
    if (extra < 0 || extra >= extrasCounted) {
        return 0;
    }
    return tables.indexOf[extraPlace[extra]];
}
