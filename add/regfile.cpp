// REGEDIT4 text of one profile.
#include "add/regfile.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr std::size_t kMaxName = 63;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

void text(std::string* out, const char* name, const std::string& value) {
    *out += std::string("\"") + name + "\"=" + quoted(value) + "\r\n";
}

void dword(std::string* out, const char* name, int value) {
    char line[64];
    std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\r\n", name, static_cast<unsigned>(value));
    *out += line;
}

void optionalDword(std::string* out, const char* name, int value) {
    if (value != 0) {
        dword(out, name, value);
    }
}

}  // namespace

std::string profileRegText(const Profile& p, const std::string& group, const std::string& name) {
    std::string out =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Pixmote\\" + group + "\\" + name + "]\r\n";
    text(&out, "ClassName", p.className);
    text(&out, "Caption", p.caption);
    optionalDword(&out, "CaptionMatch", p.captionMatch);
    if (!p.screenClass.empty()) {
        text(&out, "ScreenClass", p.screenClass);
    }
    dword(&out, "CX", p.cx);
    dword(&out, "CY", p.cy);
    if (p.kind == ProfileKind::Layout) {
        dword(&out, "RCX", p.rcx);
        dword(&out, "RCY", p.rcy);
        dword(&out, "RX", p.rx);
        dword(&out, "RY", p.ry);
    }
    optionalDword(&out, "AnyScale", p.anyScale);
    optionalDword(&out, "DotWidth", p.dotWidth);
    optionalDword(&out, "DotHeight", p.dotHeight);
    optionalDword(&out, "FitWidth", p.fitWidth);
    optionalDword(&out, "FitHeight", p.fitHeight);
    optionalDword(&out, "Colors", p.colors);
    return out + "\r\n";
}

std::string profileNameFromCaption(const std::string& caption) {
    std::string name;
    for (char c : caption) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == ' ' || c == '-' || c == '_') {
            name += c;
        }
    }
    while (!name.empty() && name.front() == ' ') {
        name.erase(name.begin());
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    if (name.size() > kMaxName) {
        name.resize(kMaxName);
    }
    return name.empty() ? "Emulator" : name;
}
