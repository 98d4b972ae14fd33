// pixmote-add.exe: adds an emulator to Pixmote's catalogue. Without arguments it shows its
// window (add/add_dialog.h); with /locate it works without one (add/locate_command.h), says on
// the standard error why it wrote nothing, and exits with its code.
#include "add/add_dialog.h"
#include "add/command_line.h"
#include "add/locate_command.h"
#include "platform/win32.h"

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty()) {
        return runAddDialog(instance);
    }
    std::string why;
    const int code = runLocateCommand(args, &why);
    if (!why.empty()) {
        std::fprintf(stderr, "pixmote-add: %s\n", why.c_str());
        std::fflush(stderr);
    }
    if (code == kLocateBadArguments && args[0] != "/locate") {
        MessageBoxA(nullptr, why.c_str(), "Add an emulator to Pixmote", MB_OK | MB_ICONWARNING);
    }
    return code;
}
