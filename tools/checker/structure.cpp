// The structure of a Pixmote GIF: the head, the image placement and the border.
#include "tools/checker/structure.h"

#include "tests/support/colour_replay.h"

namespace {

std::string str(int v) {
    return std::to_string(v);
}

}  // namespace

void checkHead(const DecodedGif& gif, const Structure& want, std::vector<std::string>* failures) {
    if (gif.version != "GIF89a") {
        failures->push_back("version " + gif.version + ", want GIF89a");
    }
    if (want.width > 0 &&
        (gif.screenWidth != want.width + 4 || gif.screenHeight != want.height + 4)) {
        failures->push_back("screen " + str(gif.screenWidth) + "x" + str(gif.screenHeight) +
                            ", want " + str(want.width + 4) + "x" + str(want.height + 4));
    }
    bool grays = gif.hasGlobalMap && gif.globalMap.size() == 16;
    for (std::size_t i = 0; grays && i < 16; ++i) {
        const int g = 255 - 17 * static_cast<int>(i);
        grays = gif.globalMap[i][0] == g && gif.globalMap[i][1] == g && gif.globalMap[i][2] == g;
    }
    if (want.colour) {
        if (!gif.hasGlobalMap) {
            failures->push_back("no global colour table");
        }
    } else if (!grays) {
        failures->push_back("global palette is not the 16 grays");
    }
    bool looping = false;
    bool banner = false;
    for (const GifRecord& r : gif.records) {
        if (r.kind == GifRecordKind::Application && r.blocks.size() == 2 &&
            std::string(r.blocks[0].begin(), r.blocks[0].end()) == "NETSCAPE2.0" &&
            r.blocks[1] == std::vector<std::uint8_t>{1, 0, 0}) {
            looping = true;
        }
        if (r.kind == GifRecordKind::Comment &&
            std::string(r.data.begin(), r.data.end()) == "Pixmote v2.0") {
            banner = true;
        }
    }
    if (!looping) {
        failures->push_back("no looping block (NETSCAPE2.0, loop 0)");
    }
    if (!banner) {
        failures->push_back("no banner comment \"Pixmote v2.0\"");
    }
}

void checkImages(const DecodedGif& gif, const Structure& want, std::vector<std::string>* failures) {
    const int last = gif.imageCount() - 1;
    int index = 0;
    bool controlBefore = false;
    for (const GifRecord& r : gif.records) {
        if (r.kind == GifRecordKind::GraphicControl) {
            controlBefore = true;
            continue;
        }
        if (r.kind != GifRecordKind::Image) {
            continue;
        }
        const std::string at = "image " + str(index);
        const bool still = want.still || (want.endsStill && index == last);
        if (index == 0 || still) {
            if (r.left != 0 || r.top != 0 || r.width != gif.screenWidth ||
                r.height != gif.screenHeight) {
                failures->push_back(at + " is not the whole framed screen");
            }
        } else if (r.left < 2 || r.top < 2 || r.width < 1 || r.height < 1 ||
                   r.left + r.width > gif.screenWidth - 2 ||
                   r.top + r.height > gif.screenHeight - 2) {
            failures->push_back(at + " reaches outside the frame: region " + str(r.left) + "," +
                                str(r.top) + " " + str(r.width) + "x" + str(r.height));
        }
        if (controlBefore == still) {
            failures->push_back(at +
                                (still ? " has a graphic control" : " has no graphic control"));
        }
        controlBefore = false;
        ++index;
    }
    if (index == 0) {
        failures->push_back("no image");
    }
    if (want.still && index != 1) {
        failures->push_back("a still holds " + str(index) + " images, want 1");
    }
    if (want.endsStill && index < 2) {
        failures->push_back("an animation ended by still mode holds " + str(index) +
                            " images, want 2 or more");
    }
    if (want.colour) {
        const ColourReplay replay = replayColourBytes(gif.bytes);
        if (!replay.ok) {
            failures->push_back("giflib cannot replay it: " + replay.error);
        }
        for (std::size_t i = 0; i < replay.shown.size(); ++i) {
            if (!hasColourBorder(replay.shown[i].canvas)) {
                failures->push_back("no border after image " + str(static_cast<int>(i)));
                break;
            }
        }
        return;
    }
    const std::vector<ShownCanvas> shown = replayGif(gif);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (!hasPixmoteBorder(shown[i])) {
            failures->push_back("no border after image " + str(static_cast<int>(i)));
            break;
        }
    }
}
