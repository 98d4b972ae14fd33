// A profile of the emulator catalogue in the stand-in's registry, written value by value, for
// the detection and session tests:
//
//   catalogueProfile("Group", "Name", "FREE42", "Free42 ", 262, 48).layout(302, 348, 20, 20);
#pragma once

#include "platform/stub/stub.h"

#include <string>
#include <vector>

struct CatalogueProfile {
    std::string path;  // below HKEY_CURRENT_USER

    const CatalogueProfile& text(const char* name, const std::string& value,
                                 DWORD type = REG_SZ) const {
        stub::regSetString(path, name, value, type);
        return *this;
    }
    const CatalogueProfile& number(const char* name, DWORD value) const {
        stub::regSetDword(path, name, value);
        return *this;
    }
    const CatalogueProfile& bytes(const char* name, const std::vector<BYTE>& data,
                                  DWORD type) const {
        stub::regSetBinary(path, name, data, type);
        return *this;
    }
    const CatalogueProfile& layout(DWORD rcx, DWORD rcy, DWORD rx, DWORD ry) const {
        return number("RCX", rcx).number("RCY", rcy).number("RX", rx).number("RY", ry);
    }
    const CatalogueProfile& dots(DWORD width, DWORD height) const {
        return number("AnyScale", 1).number("DotWidth", width).number("DotHeight", height);
    }
};

// Software\Pixmote\GROUP\NAME with ClassName, Caption, CX and CY. Profiles and groups are
// enumerated in the order they are made.
inline CatalogueProfile catalogueProfile(const std::string& group, const std::string& name,
                                         const std::string& className, const std::string& caption,
                                         DWORD cx, DWORD cy) {
    const CatalogueProfile made{"Software\\Pixmote\\" + group + "\\" + name};
    stub::regCreateKey(made.path);
    made.text("ClassName", className).text("Caption", caption).number("CX", cx).number("CY", cy);
    return made;
}
