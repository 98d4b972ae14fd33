// pixmote-add.exe: adds an emulator to Pixmote's catalogue. With /locate it works without a
// window of its own (see add/locate_command.h) and exits with its code.
#include "add/command_line.h"
#include "add/locate_command.h"
#include "platform/win32.h"

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const std::vector<std::string> args = splitCommandLine(commandLine);
    std::string why;
    const int code = runLocateCommand(args, &why);
    if (code != kLocateWritten && (args.empty() || args[0] != "/locate")) {
        MessageBoxA(nullptr, why.c_str(), "Add an emulator to Pixmote", MB_OK | MB_ICONWARNING);
    }
    return code;
}
