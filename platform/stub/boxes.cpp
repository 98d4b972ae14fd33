// The stand-in's modal boxes: MessageBoxA and the save-file dialog. Each runs the next action
// that the test queued for it, as its nested message loop would deliver messages, and then
// returns as the user would have answered.
#include "platform/stub/world.h"

#include <cstring>
#include <utility>

namespace stub::detail {
namespace {

std::function<void()> nextAction(std::deque<std::function<void()>>& queue) {
    if (queue.empty()) {
        return nullptr;
    }
    std::function<void()> action = std::move(queue.front());
    queue.pop_front();
    return action;
}

// The filter list: strings each ending in a NUL, the list ending in one more NUL.
std::string filterList(LPCSTR filter) {
    if (filter == nullptr) {
        return std::string();
    }
    std::size_t length = 0;
    while (!(filter[length] == '\0' && filter[length + 1] == '\0')) {
        ++length;
    }
    return std::string(filter, length + 2);
}

}  // namespace
}  // namespace stub::detail

using namespace stub::detail;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    World& w = world();
    stub::Box box{owner, text == nullptr ? std::string() : std::string(text),
                  caption == nullptr ? std::string("Error") : std::string(caption), type};
    log("MessageBoxA " + box.caption + "|" + box.text + "|" + hexText(type));
    w.boxes.push_back(std::move(box));
    if (std::function<void()> action = nextAction(w.boxActions)) {
        action();
    }
    return IDOK;
}

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA record) {
    if (record == nullptr || (record->lStructSize != sizeof(OPENFILENAMEA) &&
                              record->lStructSize != OPENFILENAME_SIZE_VERSION_400A)) {
        log("GetSaveFileNameA invalid");
        return FALSE;  // CDERR_STRUCTSIZE: no dialog is shown
    }
    log("GetSaveFileNameA");
    World& w = world();
    stub::FileDialogSeen seen{};
    seen.record = *record;
    seen.filter = filterList(record->lpstrFilter);
    seen.title = record->lpstrTitle == nullptr ? std::string() : std::string(record->lpstrTitle);
    if (record->lpstrFile != nullptr && record->nMaxFile > 0) {
        seen.initialName =
            std::string(record->lpstrFile, strnlen(record->lpstrFile, record->nMaxFile));
    }
    w.fileDialogs.push_back(std::move(seen));
    if (std::function<void()> action = nextAction(w.fileDialogActions)) {
        action();
    }
    // The outcome is taken after the nested loop has run: what the user did last.
    World& after = world();
    if (after.fileOutcomes.empty()) {
        return FALSE;
    }
    const World::FileOutcome outcome = after.fileOutcomes.front();
    after.fileOutcomes.pop_front();
    if (!outcome.choose || record->lpstrFile == nullptr ||
        outcome.name.size() + 1 > record->nMaxFile) {
        return FALSE;  // cancelled, or FNERR_BUFFERTOOSMALL
    }
    std::memcpy(record->lpstrFile, outcome.name.c_str(), outcome.name.size() + 1);
    const std::size_t slash = outcome.name.find_last_of("\\/");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = outcome.name.find_last_of('.');
    record->nFileOffset = static_cast<WORD>(nameStart);
    record->nFileExtension = static_cast<WORD>(
        dot == std::string::npos || dot < nameStart ? outcome.name.size() : dot + 1);
    return TRUE;
}

namespace stub {

const std::vector<Box>& boxes() {
    return world().boxes;
}

void whileNextBoxOpen(std::function<void()> action) {
    world().boxActions.push_back(std::move(action));
}

void whileNextFileDialogOpen(std::function<void()> action) {
    world().fileDialogActions.push_back(std::move(action));
}

void nextFileDialogChooses(const std::string& name) {
    world().fileOutcomes.push_back(World::FileOutcome{true, name});
}

void nextFileDialogCancels() {
    world().fileOutcomes.push_back(World::FileOutcome{false, std::string()});
}

const std::vector<FileDialogSeen>& fileDialogs() {
    return world().fileDialogs;
}

}  // namespace stub
