// The program's own start and loop, with its dialog destroyed from inside, as only Windows
// itself would do it: does the loop still end with the quit message's exit code? Prints
// "appRun returned N" and exits with N; 2 when the dialog could not be made.
// Built for Windows beside pixmote.exe; run by tests/wine/destroy.sh.
#include "app/app.h"

#include <cstdio>

int main() {
    const HWND dialog = appCreate(GetModuleHandleA(nullptr));
    if (dialog == nullptr) {
        std::printf("no dialog\n");
        return 2;
    }
    DestroyWindow(dialog);
    const int code = appRun(dialog);
    std::printf("appRun returned %d\n", code);
    return code;
}
