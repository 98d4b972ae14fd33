// /locate: window, picture, screen, profile, .reg file.
#include "add/locate_command.h"

#include "add/client_picture.h"
#include "add/colour_choice.h"
#include "add/locate.h"
#include "add/profile.h"
#include "add/regfile.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMaxDots = 1024;
// What the user can do when the screen is not found.
constexpr const char* kLocateAdvice =
    "Resize the emulator's window to the size it first opened at, press a few calculator keys "
    "so that its screen shows text, and run /locate again; or run pixmote-add.exe without "
    "arguments, pick the window, and set Left, Top and Dot by hand in the preview";

struct LocateRequest {
    std::string className;
    std::string caption;
    int across = 0;
    int down = 0;
    std::string out;
    std::string group = "Added";
    std::string name;
    int colours = -1;  // -1: decided from the screen; 0: /grays; 1: /colors
};

bool parseDots(const std::string& text, int* value) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 1 || n > kMaxDots) {
        return false;
    }
    *value = static_cast<int>(n);
    return true;
}

bool parseRequest(const std::vector<std::string>& args, LocateRequest* r) {
    if (args.size() < 5 || args[0] != "/locate" || !parseDots(args[3], &r->across) ||
        !parseDots(args[4], &r->down)) {
        return false;
    }
    r->className = args[1];
    r->caption = args[2];
    std::size_t i = 5;
    while (i < args.size()) {
        if (args[i] == "/colors" || args[i] == "/grays") {  // switches without a value
            r->colours = args[i] == "/colors" ? 1 : 0;
            ++i;
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            return false;
        }
        if (args[i] == "/out") {
            r->out = args[i + 1];
        } else if (args[i] == "/group") {
            r->group = args[i + 1];
        } else if (args[i] == "/name") {
            r->name = args[i + 1];
        } else {
            return false;
        }
        i += 2;
    }
    return !r->out.empty() && !r->className.empty();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int runLocateCommand(const std::vector<std::string>& args, std::string* why) {
    LocateRequest request;
    if (!parseRequest(args, &request)) {
        *why =
            "usage: /locate \"<class>\" \"<caption>\" <dots across> <dots down> /out <file.reg> "
            "[/group <group>] [/name <name>] [/colors | /grays]";
        return kLocateBadArguments;
    }
    HWND window = FindWindowA(request.className.c_str(), request.caption.c_str());
    if (window == nullptr) {
        *why =
            "no window of class \"" + request.className + "\" titled \"" + request.caption + "\"";
        return kLocateNoWindow;
    }
    Picture picture;
    if (!grabClientPicture(window, &picture)) {
        *why = "the window's client area could not be copied";
        return kLocateNoScreen;
    }
    const ScreenPlace place = locateScreen(picture, request.across, request.down);
    Profile profile;
    if (!proposeProfile(place, request.across, request.down, picture.width, picture.height,
                        &profile)) {
        *why = (place.outcome == LocateOutcome::Found ? "the dots' shape fits no whole size"
                                                      : place.how) +
               ". " + kLocateAdvice;
        return kLocateNoScreen;
    }
    nameProfile(request.className, request.caption, &profile);
    profile.colors = request.colours >= 0 ? request.colours
                     : screenHasColours(picture, place.x, place.y, place.width, place.height) ? 1
                                                                                              : 0;
    const std::string name =
        request.name.empty() ? profileNameFromCaption(request.caption) : request.name;
    if (!writeFile(request.out, profileRegText(profile, request.group, name))) {
        *why = "could not write " + request.out;
        return kLocateBadArguments;
    }
    *why = profile.note;
    return kLocateWritten;
}
