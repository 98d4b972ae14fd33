// Fuzz target: emulator detection over random catalogues and desktops. The input builds a
// registry tree below HKEY_CURRENT_USER\Software\Pixmote in the Win32 stand-in (groups,
// profiles, names of every length, values of every type and size, numbers at and beyond their
// range, keys that refuse to open) and a set of open windows (classes and captions often equal
// to profile values, client sizes from 0 to beyond 32767), then calls detectEmulator.
// It must not crash; a match must keep the detection's promises (sizes at least 1, source
// values not negative, far edges within a signed 16-bit number) and equal an independent
// evaluation of the same tree, done here from the model the tree was built from; a failure must
// return exactly the reference's warning, with every key closed and no box shown, and leave the
// result untouched; no key may stay open afterwards.
// Any violation aborts, so libFuzzer reports it.
//
// Input layout (bytes read from the front; a missing byte reads as 0):
//   world    the byte mod 32: 0 no "Software" key; 1 no program key; 2 "Software" and 3 the
//            program key refuse to open; 4 and up a catalogue (the groups below)
//   windows  count (mod 7), then per window: class text, caption text, width, height (numbers;
//            a client area above 65536 pixels is cut down, so the stand-in's surfaces stay
//            small), a window byte (bit 0 hidden, bit 1 a child of an earlier window picked by
//            bits 4-7, bit 2 raised to the top of the Z-order)
//   groups   count (mod 5), then per group: name, refuse byte (bit 0), profile count (mod 5),
//            then per profile: a profile byte (bit 0 layout values, bits 1-3 changes made
//            afterwards, bit 4 refuses to open, bit 5 no values at all, bit 6 values for real
//            windows), name, ClassName and Caption texts, CX, CY (and RCX, RCY, RX, RY; with
//            bit 6 a byte saying which of CaptionMatch (byte mod 4), ScreenClass (text),
//            AnyScale (byte mod 4), DotWidth, DotHeight, FitWidth and FitHeight (numbers),
//            Colors (byte mod 3)
//            follow), then each change:
//            value name, kind byte (bits 0-2 type, bits 3-5 form of the data), the data's bytes.
//   texts    a byte < 0xF0 picks a stock text (calculator-like names, case variants, 63 to 65
//            characters); otherwise a length byte and that many raw bytes.
//   numbers  a byte < 0x80 picks a stock number; 0x80-0xBF a stock number times 1 + (b & 63);
//            0xC0-0xDF a stock number times a factor byte plus b & 31; 0xE0 up: four raw bytes.
#include "app/app.h"
#include "detect/detect.h"
#include "platform/stub/stub.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

constexpr DWORD kMultiString = 7;
constexpr DWORD kBigEndianDword = 5;
constexpr DWORD kQword = 11;

// Window client areas stay below this many pixels, so the stand-in's surfaces stay small; a
// dimension beyond 32767 goes with a small other one.
constexpr std::int64_t kMaxWindowPixels = 1 << 16;

const char kNoSoftware[] = "Unable to open registry key HKEY_CURRENT_USER/Software";
const char kNoProgram[] = "Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE";
const char kNoEmulator[] = "The software was unable to detect a supported emulator.";

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "catalogue_fuzzer: %s\n", what);
        std::abort();
    }
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t byte() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
};

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// ---- The model: what the stand-in's registry and desktop hold ---------------------------------

struct Value {
    std::string name;
    DWORD type = 0;
    Bytes data;
};

struct Key {
    std::string name;
    bool refused = false;
    std::vector<Value> values;
    std::vector<Key> subkeys;  // in creation order, which is the enumeration order
};

struct Window {
    HWND handle = nullptr;
    std::string className;
    std::string caption;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool shown = true;
    int parent = -1;  // index of the parent window, -1 for a top-level window
};

// Registry names compare without case: a name met again is the same key or value.
Key& subkey(Key& parent, const std::string& name) {
    for (Key& key : parent.subkeys) {
        if (lowered(key.name) == lowered(name)) {
            return key;
        }
    }
    parent.subkeys.push_back(Key{name, false, {}, {}});
    return parent.subkeys.back();
}

void storeValue(Key& key, const std::string& path, const Value& value) {
    stub::regSetBinary(path, value.name, value.data, value.type);
    for (Value& existing : key.values) {
        if (lowered(existing.name) == lowered(value.name)) {
            existing.type = value.type;
            existing.data = value.data;
            return;
        }
    }
    key.values.push_back(value);
}

// ---- Reading the input
// ---------------------------------------------------------------------------

const std::vector<std::string>& stockTexts() {
    static const std::vector<std::string> texts = {
        "CalcStandIn",
        "Calculator Stand-In",
        "",
        "#32770",
        "Pixmote Configuration",
        "calcstandin",
        "CALCULATOR STAND-IN",
        std::string(63, 'w'),
        std::string(63, 'W'),
        std::string(64, 'w'),
        std::string(65, 'w'),
        "Emu",
        "emu ",
        "E",
        "FREE42",
        "Free42 ",
        "free42 binary",
        "wabbitlcd",
        "WabbitLCD",
    };
    return texts;
}

std::string readText(Reader& in) {
    const std::uint8_t pick = in.byte();
    if (pick < 0xF0) {
        return stockTexts()[pick % stockTexts().size()];
    }
    std::string text;
    const int length = in.byte();
    for (int i = 0; i < length; ++i) {
        text += static_cast<char>(in.byte());
    }
    return text;
}

const std::int64_t kStockNumbers[] = {0,   1,   2,   3,    4,     8,     16,    32,    40,    50,
                                      64,  80,  96,  128,  160,   192,   240,   280,   288,   300,
                                      320, 600, 640, 1200, 32767, 32768, 65535, 65536, 65632, 48,
                                      262, 300, 302, 346,  348,   414,   477};

std::int64_t stockNumber(std::uint8_t pick) {
    return kStockNumbers[pick % std::size(kStockNumbers)];
}

std::uint32_t readNumber(Reader& in) {
    const std::uint8_t pick = in.byte();
    if (pick < 0x80) {
        return static_cast<std::uint32_t>(stockNumber(pick));
    }
    if (pick < 0xC0) {
        return static_cast<std::uint32_t>(stockNumber(in.byte()) * (1 + (pick & 63)));
    }
    if (pick < 0xE0) {
        const std::int64_t base = stockNumber(in.byte());
        return static_cast<std::uint32_t>(base * in.byte() + (pick & 31));
    }
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) {
        raw = raw << 8 | in.byte();
    }
    return raw;
}

// Key names: short ones from a small alphabet of both cases (so names meet again, in another
// case), ones around the 63-character limit, and raw printable ones. Never empty and never
// holding the path separator.
std::string readName(Reader& in) {
    const std::uint8_t pick = in.byte();
    std::string name;
    if (pick % 8 < 6) {
        const int length = 1 + (pick >> 3) % 4;
        for (int i = 0; i < length; ++i) {
            name += "aAbB"[in.byte() % 4];
        }
    } else if (pick % 8 == 6) {
        static const int kLengths[] = {62, 63, 64, 65, 100};
        name.assign(static_cast<std::size_t>(kLengths[in.byte() % 5]), 'n');
        name[0] = static_cast<char>('A' + in.byte() % 26);
    } else {
        const int length = in.byte() % 80;
        for (int i = 0; i < length; ++i) {
            const char c = static_cast<char>(0x20 + in.byte() % 0x5F);
            name += c == '\\' ? '/' : c;
        }
    }
    return name.empty() ? std::string("_") : name;
}

Bytes textData(const std::string& text, bool terminated) {
    Bytes data(text.begin(), text.end());
    if (terminated) {
        data.push_back(0);
    }
    return data;
}

Bytes dwordData(std::uint32_t number) {
    return {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
            static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
}

const char* const kValueNames[] = {
    "ClassName", "Caption",   "CX",       "CY",           "RCX",         "RCY",
    "RX",        "RY",        "cx",       "CLASSNAME",    "caption",     "Rcy",
    "Unrelated", "CXX",       "",         "CaptionMatch", "ScreenClass", "AnyScale",
    "DotWidth",  "DotHeight", "anyscale", "SCREENCLASS",  "FitWidth",    "FitHeight",
    "Colors",    "COLORS"};

// One change to a profile's values: any name (a catalogue name in any case, or another), any
// type, and data of every form.
Value readChange(Reader& in) {
    Value value;
    value.name = kValueNames[in.byte() % std::size(kValueNames)];
    const std::uint8_t kind = in.byte();
    static const DWORD kTypes[] = {REG_SZ,    REG_DWORD,       REG_BINARY, REG_EXPAND_SZ,
                                   REG_DWORD, kBigEndianDword, kQword,     kMultiString};
    value.type = kTypes[kind & 7];
    switch ((kind >> 3) & 7) {
        case 0:
            value.data = textData(readText(in), true);
            break;
        case 1:
            value.data = textData(readText(in), false);
            break;
        case 2:
            value.data = dwordData(readNumber(in));
            break;
        case 3: {
            const int length = in.byte();
            for (int i = 0; i < length; ++i) {
                value.data.push_back(in.byte());
            }
            break;
        }
        case 4: {
            // Texts at the 64-byte limit, with the NUL at the end, inside or not at all.
            const int length = 62 + in.byte() % 4;
            value.data.assign(static_cast<std::size_t>(length), 'w');
            const std::uint8_t nul = in.byte();
            if (nul % 3 == 1) {
                value.data.push_back(0);
            } else if (nul % 3 == 2) {
                value.data[static_cast<std::size_t>(nul) % value.data.size()] = 0;
            }
            break;
        }
        case 5: {
            // Numbers of other sizes than four bytes.
            Bytes four = dwordData(readNumber(in));
            const std::size_t length = in.byte() % 9;
            four.resize(length, in.byte());
            value.data = four;
            break;
        }
        case 6:
            value.data.clear();
            break;
        default:
            // Low halves that read as negative numbers.
            value.data = dwordData(readNumber(in) | 0x8000u);
            break;
    }
    return value;
}

struct World {
    int mode = 0;  // 0: no Software; 1: no program key; 2, 3: refused; else a catalogue
    Key program;
    std::vector<Window> windows;      // creation order, the program's dialog first
    std::vector<std::size_t> zOrder;  // indices into windows, topmost first
};

World buildWorld(Reader& in) {
    World world;
    world.mode = in.byte() % 32;
    appDialog = stub::addWindow("#32770", "Pixmote Configuration", 0, 0);
    world.windows.push_back(Window{appDialog, "#32770", "Pixmote Configuration", 0, 0});
    world.zOrder.push_back(0);

    const int windows = in.byte() % 7;
    for (int i = 0; i < windows; ++i) {
        Window window;
        window.className = readText(in);
        window.caption = readText(in);
        window.width = readNumber(in) & 0x7FFFFFFFu;
        window.height = readNumber(in) & 0x7FFFFFFFu;
        if (window.width * window.height > kMaxWindowPixels) {
            window.height %= 1 + kMaxWindowPixels / std::max<std::int64_t>(window.width, 1);
            if (window.width * window.height > kMaxWindowPixels) {
                window.width %= 1 + kMaxWindowPixels / std::max<std::int64_t>(window.height, 1);
            }
        }
        const std::uint8_t shape = in.byte();
        if ((shape & 2) != 0 && world.windows.size() > 1) {
            window.parent = 1 + (shape >> 4) % static_cast<int>(world.windows.size() - 1);
        }
        window.handle =
            window.parent < 0
                ? stub::addWindow(window.className, window.caption, static_cast<int>(window.width),
                                  static_cast<int>(window.height))
                : stub::addChildWindow(
                      world.windows[static_cast<std::size_t>(window.parent)].handle,
                      window.className, window.caption, static_cast<int>(window.width),
                      static_cast<int>(window.height));
        if ((shape & 1) != 0) {
            window.shown = false;
            ShowWindow(window.handle, SW_HIDE);
        }
        world.zOrder.push_back(world.windows.size());
        if ((shape & 4) != 0) {
            stub::raiseWindow(window.handle);
            const std::size_t raised = world.zOrder.back();
            world.zOrder.pop_back();
            world.zOrder.insert(world.zOrder.begin(), raised);
        }
        world.windows.push_back(window);
    }

    switch (world.mode) {
        case 0:
            return world;
        case 1:
            stub::regCreateKey("Software\\Elsewhere");
            return world;
        case 2:
            stub::regCreateKey("Software\\Pixmote");
            stub::regRefuseOpen("Software");
            return world;
        case 3:
            stub::regCreateKey("Software\\Pixmote");
            stub::regRefuseOpen("Software\\Pixmote");
            return world;
        default:
            stub::regCreateKey("Software\\Pixmote");
            break;
    }

    const int groups = in.byte() % 5;
    for (int g = 0; g < groups; ++g) {
        const std::string groupName = readName(in);
        const std::string groupPath = "Software\\Pixmote\\" + groupName;
        Key& group = subkey(world.program, groupName);
        stub::regCreateKey(groupPath);
        if ((in.byte() & 1) != 0) {
            group.refused = true;
            stub::regRefuseOpen(groupPath);
        }
        const int profiles = in.byte() % 5;
        for (int p = 0; p < profiles; ++p) {
            const std::uint8_t shape = in.byte();
            const std::string profileName = readName(in);
            const std::string path = groupPath + "\\" + profileName;
            Key& profile = subkey(group, profileName);
            stub::regCreateKey(path);
            if ((shape & 0x10) != 0) {
                profile.refused = true;
                stub::regRefuseOpen(path);
            }
            if ((shape & 0x20) != 0) {
                continue;
            }
            storeValue(profile, path, Value{"ClassName", REG_SZ, textData(readText(in), true)});
            storeValue(profile, path, Value{"Caption", REG_SZ, textData(readText(in), true)});
            storeValue(profile, path, Value{"CX", REG_DWORD, dwordData(readNumber(in))});
            storeValue(profile, path, Value{"CY", REG_DWORD, dwordData(readNumber(in))});
            if ((shape & 1) != 0) {
                for (const char* name : {"RCX", "RCY", "RX", "RY"}) {
                    storeValue(profile, path, Value{name, REG_DWORD, dwordData(readNumber(in))});
                }
            }
            if ((shape & 0x40) != 0) {
                const std::uint8_t extra = in.byte();
                if ((extra & 1) != 0) {
                    storeValue(profile, path,
                               Value{"CaptionMatch", REG_DWORD, dwordData(in.byte() % 4u)});
                }
                if ((extra & 2) != 0) {
                    storeValue(profile, path,
                               Value{"ScreenClass", REG_SZ, textData(readText(in), true)});
                }
                if ((extra & 4) != 0) {
                    storeValue(profile, path,
                               Value{"AnyScale", REG_DWORD, dwordData(in.byte() % 4u)});
                }
                if ((extra & 8) != 0) {
                    storeValue(profile, path,
                               Value{"DotWidth", REG_DWORD, dwordData(readNumber(in))});
                }
                if ((extra & 16) != 0) {
                    storeValue(profile, path,
                               Value{"DotHeight", REG_DWORD, dwordData(readNumber(in))});
                }
                if ((extra & 32) != 0) {
                    storeValue(profile, path,
                               Value{"FitWidth", REG_DWORD, dwordData(readNumber(in))});
                }
                if ((extra & 64) != 0) {
                    storeValue(profile, path,
                               Value{"FitHeight", REG_DWORD, dwordData(readNumber(in))});
                }
                if ((extra & 128) != 0) {
                    storeValue(profile, path,
                               Value{"Colors", REG_DWORD, dwordData(in.byte() % 3u)});
                }
            }
            for (int c = 0; c < ((shape >> 1) & 7); ++c) {
                storeValue(profile, path, readChange(in));
            }
        }
    }
    return world;
}

// ---- The reference evaluation ------------------------------------------------------------------

const Value* findValue(const Key& key, const char* name) {
    for (const Value& value : key.values) {
        if (lowered(value.name) == lowered(name)) {
            return &value;
        }
    }
    return nullptr;
}

// A REG_SZ of at most 63 characters in a 64-byte buffer: the bytes up to the first NUL, or all
// of them when fewer than 64 were stored without one.
std::optional<std::string> textOf(const Key& key, const char* name) {
    const Value* value = findValue(key, name);
    if (value == nullptr || value->type != REG_SZ || value->data.size() > 64) {
        return std::nullopt;
    }
    const auto nul = std::find(value->data.begin(), value->data.end(), BYTE{0});
    if (nul == value->data.end() && value->data.size() == 64) {
        return std::nullopt;
    }
    return std::string(value->data.begin(), nul);
}

// A REG_DWORD of exactly four bytes, its low 16 bits as a signed number: nullopt when
// missing, else the number, which the caller holds against its range.
std::optional<std::int64_t> dwordOf(const Key& key, const char* name) {
    const Value* value = findValue(key, name);
    if (value == nullptr || value->type != REG_DWORD || value->data.size() != 4) {
        return std::nullopt;
    }
    std::int64_t low = value->data[0] | value->data[1] << 8;
    if (low >= 0x8000) {
        low -= 0x10000;
    }
    return low;
}

// A number at least least (and at most 32767, which every signed 16-bit number is).
std::optional<std::int64_t> numberOf(const Key& key, const char* name, std::int64_t least) {
    const auto number = dwordOf(key, name);
    if (!number || *number < least) {
        return std::nullopt;
    }
    return number;
}

// What a window's text reads as through a buffer of `bytes`: cut to bytes - 1 and at a NUL.
std::string readThrough(const std::string& text, std::size_t bytes) {
    const std::string cut = text.substr(0, bytes - 1);
    return cut.substr(0, cut.find('\0'));
}

bool shownWithAncestors(const World& world, const Window& window) {
    for (const Window* w = &window;; w = &world.windows[static_cast<std::size_t>(w->parent)]) {
        if (!w->shown) {
            return false;
        }
        if (w->parent < 0) {
            return true;
        }
    }
}

// The top-level window a profile names: FindWindowA's exact test over every top-level window,
// hidden too, or among the shown ones the first whose caption begins with the profile's, or
// any caption at all; each in Z-order.
const Window* findWindow(const World& world, const std::string& className,
                         const std::optional<std::string>& caption, std::int64_t match) {
    for (const std::size_t index : world.zOrder) {
        const Window& window = world.windows[index];
        if (window.parent >= 0 || lowered(window.className) != lowered(className)) {
            continue;
        }
        if (match == 0) {
            if (lowered(window.caption) == lowered(*caption)) {
                return &window;
            }
            continue;
        }
        if (!window.shown) {
            continue;
        }
        const std::string text = lowered(readThrough(window.caption, 64));
        if (match == 2 || text.compare(0, caption->size(), lowered(*caption)) == 0) {
            return &window;
        }
    }
    return nullptr;
}

// The first shown descendant of `top` whose class is screenClass: every window below it in
// Z-order, each followed by its own descendants.
const Window* findScreen(const World& world, const Window& top, const std::string& screenClass) {
    const auto topIndex = static_cast<int>(&top - world.windows.data());
    for (const std::size_t index : world.zOrder) {
        const Window& window = world.windows[index];
        if (window.parent != topIndex) {
            continue;
        }
        // GetClassNameA gives no name at all for an empty class.
        if (!window.className.empty() &&
            lowered(readThrough(window.className, 65)) == lowered(screenClass) &&
            shownWithAncestors(world, window)) {
            return &window;
        }
        if (const Window* below = findScreen(world, window, screenClass)) {
            return below;
        }
    }
    return nullptr;
}

// Where the centre of each dot falls in the client area, as the client pixel holding it; the
// sampled source spans the first to the last of them. Walks every dot, its centre a fraction.
struct Span {
    std::int64_t first;
    std::int64_t last;
};
Span dotCentres(std::int64_t screen, std::int64_t dot, std::int64_t offset, std::int64_t client,
                std::int64_t picture) {
    Span span{INT64_MAX, INT64_MIN};
    for (std::int64_t start = 0; start < screen; start += dot) {
        const std::int64_t end = std::min(start + dot, screen);
        // centre = offset + (start + end) / 2, scaled by client / picture
        const std::int64_t numerator = (2 * offset + start + end) * client;
        const std::int64_t pixel = numerator / (2 * picture);
        span.first = std::min(span.first, pixel);
        span.last = std::max(span.last, pixel);
    }
    return span;
}

// A picture fitted into the client, centred, at s = min(cw / FitWidth, ch / FitHeight): the
// point p of the reference client (RCX x RCY) lies at cw / 2 + (p - RCX / 2) * s. Worked in
// exact fractions: twice the position times the factor's denominator.
template <typename Geometry>
std::optional<CaptureGeometry> evaluateFitted(const ScreenShape& shape, std::int64_t cw,
                                              std::int64_t ch, Geometry geometry) {
    const bool byWidth = cw * shape.fitHeight <= ch * shape.fitWidth;
    const std::int64_t num = byWidth ? cw : ch;
    const std::int64_t den = byWidth ? shape.fitWidth : shape.fitHeight;
    if (num * shape.dotWidth < den || num * shape.dotHeight < den) {
        return std::nullopt;
    }
    // twice * den times the position of reference point p / 2.
    const auto at = [&](std::int64_t client, std::int64_t reference, std::int64_t twiceP) {
        return client * den + (twiceP - reference) * num;
    };
    const std::int64_t rx = shape.screenX;
    const std::int64_t ry = shape.screenY;
    if (at(cw, shape.layoutWidth, 2 * rx) < 0 ||
        at(cw, shape.layoutWidth, 2 * (rx + shape.width)) > 2 * den * cw ||
        at(ch, shape.layoutHeight, 2 * ry) < 0 ||
        at(ch, shape.layoutHeight, 2 * (ry + shape.height)) > 2 * den * ch) {
        return std::nullopt;
    }
    if (num == den && (cw - shape.layoutWidth) % 2 == 0 && (ch - shape.layoutHeight) % 2 == 0) {
        return geometry(rx + (cw - shape.layoutWidth) / 2, ry + (ch - shape.layoutHeight) / 2,
                        shape.width, shape.height, false);
    }
    const auto centres = [&](std::int64_t screen, std::int64_t dot, std::int64_t offset,
                             std::int64_t client, std::int64_t reference) {
        Span span{INT64_MAX, INT64_MIN};
        for (std::int64_t start = 0; start < screen; start += dot) {
            const std::int64_t end = std::min(start + dot, screen);
            const std::int64_t twice = at(client, reference, 2 * offset + start + end);
            // Every centre lies inside the client, so the position is not negative.
            const std::int64_t pixel = twice / (2 * den);
            span.first = std::min(span.first, pixel);
            span.last = std::max(span.last, pixel);
        }
        return span;
    };
    const Span across = centres(shape.width, shape.dotWidth, rx, cw, shape.layoutWidth);
    const Span down = centres(shape.height, shape.dotHeight, ry, ch, shape.layoutHeight);
    return geometry(across.first, down.first, across.last + 1 - across.first,
                    down.last + 1 - down.first, true);
}

std::optional<CaptureGeometry> evaluate(const World& world, const Key& profile) {
    const auto className = textOf(profile, "ClassName");
    if (!className) {
        return std::nullopt;
    }
    const auto caption = textOf(profile, "Caption");
    std::int64_t match = dwordOf(profile, "CaptionMatch").value_or(0);
    if (match < 0 || match > 2 || (!caption && match != 2)) {
        return std::nullopt;
    }
    const Window* window = findWindow(world, *className, caption, match);
    if (window == nullptr) {
        return std::nullopt;
    }
    const Window* screen = window;
    if (const auto screenClass = textOf(profile, "ScreenClass")) {
        screen = findScreen(world, *window, *screenClass);
        if (screen == nullptr) {
            return std::nullopt;
        }
    }
    const auto cx = numberOf(profile, "CX", 1);
    const auto cy = numberOf(profile, "CY", 1);
    if (!cx || !cy) {
        return std::nullopt;
    }
    // The stand-in keeps negative sizes as 0; beyond 32767 nothing can be described.
    const std::int64_t cw = std::max<std::int64_t>(static_cast<int>(screen->width), 0);
    const std::int64_t ch = std::max<std::int64_t>(static_cast<int>(screen->height), 0);
    if (cw > 32767 || ch > 32767) {
        return std::nullopt;
    }

    ScreenShape shape;
    shape.width = static_cast<std::int16_t>(*cx);
    shape.height = static_cast<std::int16_t>(*cy);
    const char* const layoutNames[] = {"RCX", "RCY", "RX", "RY"};
    const std::int64_t layoutLeast[] = {1, 1, 0, 0};
    std::int64_t layout[4] = {};
    int valid = 0;
    int present = 0;
    for (int i = 0; i < 4; ++i) {
        const auto number = dwordOf(profile, layoutNames[i]);
        present += number ? 1 : 0;
        if (number && *number >= layoutLeast[i]) {
            layout[i] = *number;
            ++valid;
        }
    }
    if (valid == 4) {
        shape.layout = LayoutKind::Valid;
        shape.layoutWidth = static_cast<std::int16_t>(layout[0]);
        shape.layoutHeight = static_cast<std::int16_t>(layout[1]);
        shape.screenX = static_cast<std::int16_t>(layout[2]);
        shape.screenY = static_cast<std::int16_t>(layout[3]);
    } else if (present > 0) {
        shape.layout = LayoutKind::Broken;
    }
    const auto dotWidth = dwordOf(profile, "DotWidth");
    const auto dotHeight = dwordOf(profile, "DotHeight");
    const auto anyScale = dwordOf(profile, "AnyScale");
    if ((anyScale == 1 || anyScale == 2) && dotWidth.value_or(1) >= 1 &&
        dotHeight.value_or(1) >= 1) {
        const auto fitWidth = dwordOf(profile, "FitWidth");
        const auto fitHeight = dwordOf(profile, "FitHeight");
        const bool fitted = anyScale == 2 && valid == 4 && fitWidth && *fitWidth >= 1 &&
                            *fitWidth <= layout[0] && fitHeight && *fitHeight >= 1 &&
                            *fitHeight <= layout[1];
        if (anyScale == 1 || fitted) {
            shape.anyScale = anyScale == 1;
            shape.fitWidth = fitted ? static_cast<std::int16_t>(*fitWidth) : std::int16_t{0};
            shape.fitHeight = fitted ? static_cast<std::int16_t>(*fitHeight) : std::int16_t{0};
            shape.dotWidth = static_cast<std::int16_t>(dotWidth.value_or(1));
            shape.dotHeight = static_cast<std::int16_t>(dotHeight.value_or(1));
        }
    }

    // Colors 1 (its low 16 bits) records in colour; anything else in grays.
    const bool colour = dwordOf(profile, "Colors") == 1;
    auto geometry = [&](std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                        bool sampled) {
        return CaptureGeometry{window->handle,
                               static_cast<std::int16_t>(*cx),
                               static_cast<std::int16_t>(*cy),
                               static_cast<std::int16_t>(x),
                               static_cast<std::int16_t>(y),
                               static_cast<std::int16_t>(w),
                               static_cast<std::int16_t>(h),
                               screen->handle,
                               sampled,
                               shape,
                               static_cast<std::int16_t>(cw),
                               static_cast<std::int16_t>(ch),
                               colour};
    };
    if (shape.fitWidth != 0) {
        return evaluateFitted(shape, cw, ch, geometry);
    }
    if (cw % *cx == 0 && ch % *cy == 0) {
        return geometry(0, 0, cw, ch, false);
    }
    if (shape.layout == LayoutKind::Valid && cw % layout[0] == 0 && ch % layout[1] == 0) {
        const std::int64_t sx = cw / layout[0];
        const std::int64_t sy = ch / layout[1];
        if ((layout[2] + *cx) * sx > 32767 || (layout[3] + *cy) * sy > 32767) {
            return std::nullopt;
        }
        return geometry(layout[2] * sx, layout[3] * sy, *cx * sx, *cy * sy, false);
    }
    if (!shape.anyScale || shape.layout == LayoutKind::Broken) {
        return std::nullopt;
    }
    const bool bare = shape.layout == LayoutKind::None;
    const std::int64_t pw = bare ? *cx : layout[0];
    const std::int64_t ph = bare ? *cy : layout[1];
    // Within 2 px: the height from what the width implies (cw * ph / pw), or the width from
    // what the height implies.
    const bool heightClose = std::abs(cw * ph - ch * pw) <= 2 * pw;
    const bool widthClose = std::abs(cw * ph - ch * pw) <= 2 * ph;
    if (!(heightClose || widthClose) || cw * shape.dotWidth < pw || ch * shape.dotHeight < ph) {
        return std::nullopt;
    }
    const Span across = dotCentres(*cx, shape.dotWidth, bare ? 0 : layout[2], cw, pw);
    const Span down = dotCentres(*cy, shape.dotHeight, bare ? 0 : layout[3], ch, ph);
    if (across.last + 1 > 32767 || down.last + 1 > 32767) {
        return std::nullopt;
    }
    return geometry(across.first, down.first, across.last + 1 - across.first,
                    down.last + 1 - down.first, true);
}

struct Expected {
    std::optional<CaptureGeometry> match;
    const char* warning = nullptr;
};

Expected expected(const World& world) {
    switch (world.mode) {
        case 0:
        case 2:
            return {std::nullopt, kNoSoftware};
        case 1:
        case 3:
            return {std::nullopt, kNoProgram};
        default:
            break;
    }
    // Enumeration ends at the first name that does not fit 63 characters.
    for (const Key& group : world.program.subkeys) {
        if (group.name.size() >= 64) {
            break;
        }
        if (group.refused) {
            continue;
        }
        for (const Key& profile : group.subkeys) {
            if (profile.name.size() >= 64) {
                break;
            }
            if (profile.refused) {
                continue;
            }
            if (auto match = evaluate(world, profile)) {
                return {match, nullptr};
            }
        }
    }
    return {std::nullopt, kNoEmulator};
}

// What the input built, for reading a crash report (PIXMOTE_FUZZ_VERBOSE set).
std::string printable(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", u);
        shown += u >= 0x20 && u < 0x7F ? std::string(1, c) : std::string(escaped);
    }
    return shown.size() > 24 ? shown.substr(0, 10) + "..(" + std::to_string(text.size()) + ")"
                             : shown;
}

void dumpWorld(const World& world) {
    for (const Window& w : world.windows) {
        std::fprintf(stderr, "  window \"%s\" \"%s\" %lldx%lld\n", printable(w.className).c_str(),
                     printable(w.caption).c_str(), static_cast<long long>(w.width),
                     static_cast<long long>(w.height));
    }
    for (const Key& group : world.program.subkeys) {
        std::fprintf(stderr, "  group %s%s\n", printable(group.name).c_str(),
                     group.refused ? " (refused)" : "");
        for (const Key& profile : group.subkeys) {
            std::fprintf(stderr, "    profile %s%s:", printable(profile.name).c_str(),
                         profile.refused ? " (refused)" : "");
            for (const Value& value : profile.values) {
                std::string data;
                if (value.type == REG_DWORD && value.data.size() == 4) {
                    data = std::to_string(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                          value.data[3] << 24);
                } else {
                    data =
                        "\"" + printable(std::string(value.data.begin(), value.data.end())) + "\"";
                }
                std::fprintf(stderr, " %s=%u:%s", value.name.c_str(), value.type, data.c_str());
            }
            std::fprintf(stderr, "\n");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stub::reset();
    Reader in{data, size};
    const World world = buildWorld(in);
    const Expected want = expected(world);

    const CaptureGeometry untouched{reinterpret_cast<HWND>(0x5eed), 11, 22, 33, 44, 55, 66};
    CaptureGeometry result = untouched;
    const char* warning = nullptr;
    const bool matched = detectEmulator(&result, &warning);

    if (std::getenv("PIXMOTE_FUZZ_VERBOSE") != nullptr) {
        std::fprintf(stderr, "world %d, %zu windows, %zu groups: %s", world.mode,
                     world.windows.size() - 1, world.program.subkeys.size(),
                     matched              ? "match"
                     : warning == nullptr ? "no warning"
                                          : warning);
        if (matched) {
            std::fprintf(stderr, " %dx%d (%d,%d,%d,%d)", result.width, result.height,
                         result.sourceX, result.sourceY, result.sourceWidth, result.sourceHeight);
        }
        std::fprintf(stderr, "\n");
        dumpWorld(world);
    }
    require(stub::held().keys == 0, "a registry key is still open");
    if (matched) {
        require(want.match.has_value(), "a match where the reference finds none");
        require(result.width >= 1 && result.height >= 1, "a frame size below 1");
        require(result.sourceX >= 0 && result.sourceY >= 0 && result.sourceWidth >= 0 &&
                    result.sourceHeight >= 0,
                "a negative source value");
        require(result.sourceX + result.sourceWidth <= 32767 &&
                    result.sourceY + result.sourceHeight <= 32767,
                "a far edge beyond 32767");
        require(result == *want.match, "another geometry than the reference's");
        require(warning == nullptr, "a warning with a match");
    } else {
        require(!want.match.has_value(), "no match where the reference finds one");
        require(result == untouched, "a failed detection changed the result");
        require(warning != nullptr && std::strcmp(want.warning, warning) == 0,
                "another warning than the reference's");
        require(stub::boxes().empty(), "detection showed a box of its own");
    }
    return 0;
}
