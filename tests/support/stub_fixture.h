// The fixture of every test that runs program code against the Win32 stand-in: each case
// starts from an empty world (no registry, windows, dialog, queue or scripted faults) and
// from the Settings the program starts with.
#pragma once

#include "app/settings.h"
#include "platform/stub/stub.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class StubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stub::reset();
        settings = Settings{};
    }

    // Every key, context, bitmap, block, lock, timer and icon has been given back. On failure
    // the message names what is still held.
    static void expectNothingHeld() {
        const stub::Held h = stub::held();
        EXPECT_TRUE(stub::nothingHeld())
            << "still held: keys " << h.keys << ", window DCs " << h.windowDCs << ", memory DCs "
            << h.memoryDCs << ", GDI objects " << h.gdiObjects << ", global blocks "
            << h.globalBlocks << ", global locks " << h.globalLocks << ", timers " << h.timers
            << ", icons " << h.icons;
    }

    // The REG_DWORD value name of the key at path; 0xFFFFFFFF when it is missing or not one.
    static DWORD dwordValue(const std::string& path, const std::string& name) {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (!stub::regGetValue(path, name, &type, &data) || type != REG_DWORD || data.size() != 4) {
            return 0xFFFFFFFF;
        }
        return static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
    }

    // How many lines of the call log start with prefix.
    static int countCalls(const std::string& prefix) {
        int count = 0;
        for (const std::string& line : stub::calls()) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                ++count;
            }
        }
        return count;
    }
};
