// pixmote-gif-inspect: checks the structure of any GIF that Pixmote wrote, whatever the screen
// showed (the frame-script check, pixmote-gif-check, needs the stand-in's script), and tells
// how much of a damaged or cut-off file still decodes. Native; built by the hardening checks.
//
//   pixmote-gif-inspect GIF [--size WxH] [--still]
//
// Prints "bytes= complete= images= screen= ..." and what is wrong; exit code 0 when the file
// is a whole, well-formed Pixmote recording (of a W x H screen when --size is given), 1 when
// not, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/gif_replay.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: pixmote-gif-inspect GIF [--size WxH] [--still]\n");
    return 2;
}

struct Verdict {
    bool ok = true;
    void fail(const std::string& why) {
        ok = false;
        std::printf("FAIL %s\n", why.c_str());
    }
};

// The parts every recording has before its first image.
void checkHead(const DecodedGif& gif, int width, int height, Verdict& v) {
    if (gif.version != "GIF89a") {
        v.fail("version " + gif.version);
    }
    if (width > 0 && (gif.screenWidth != width + 4 || gif.screenHeight != height + 4)) {
        v.fail("screen " + std::to_string(gif.screenWidth) + "x" +
               std::to_string(gif.screenHeight));
    }
    bool grays = gif.hasGlobalMap && gif.globalMap.size() == 16;
    for (std::size_t i = 0; grays && i < 16; ++i) {
        const int g = 255 - 17 * static_cast<int>(i);
        grays = gif.globalMap[i][0] == g && gif.globalMap[i][1] == g && gif.globalMap[i][2] == g;
    }
    if (!grays) {
        v.fail("global palette is not the 16 grays");
    }
    bool loop = false;
    bool banner = false;
    for (const GifRecord& r : gif.records) {
        if (r.kind == GifRecordKind::Application && !r.blocks.empty() &&
            std::string(r.blocks[0].begin(), r.blocks[0].end()) == "NETSCAPE2.0") {
            loop = true;
        }
        if (r.kind == GifRecordKind::Comment &&
            std::string(r.data.begin(), r.data.end()) == "Pixmote v2.0") {
            banner = true;
        }
    }
    if (!loop) {
        v.fail("no looping block");
    }
    if (!banner) {
        v.fail("no banner comment");
    }
}

// Image placement and the border after every image; a graphic control before each image of
// an animation, none in a still.
void checkImages(const DecodedGif& gif, bool still, Verdict& v) {
    int images = 0;
    bool controlBefore = false;
    for (const GifRecord& r : gif.records) {
        if (r.kind == GifRecordKind::GraphicControl) {
            controlBefore = true;
            continue;
        }
        if (r.kind != GifRecordKind::Image) {
            continue;
        }
        const std::string at = "image " + std::to_string(images);
        if (images == 0) {
            if (r.left != 0 || r.top != 0 || r.width != gif.screenWidth ||
                r.height != gif.screenHeight) {
                v.fail(at + " is not the whole framed screen");
            }
        } else if (r.left < 2 || r.top < 2 || r.left + r.width > gif.screenWidth - 2 ||
                   r.top + r.height > gif.screenHeight - 2 || r.width < 1 || r.height < 1) {
            v.fail(at + " reaches outside the frame");
        }
        if (controlBefore == still) {
            v.fail(at + (still ? " has a graphic control" : " has no graphic control"));
        }
        controlBefore = false;
        ++images;
    }
    if (images == 0) {
        v.fail("no image");
    }
    if (still && images != 1) {
        v.fail("a still holds " + std::to_string(images) + " images");
    }
    std::vector<ShownCanvas> shown = replayGif(gif);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (!hasPixmoteBorder(shown[i])) {
            v.fail("no border after image " + std::to_string(i));
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    int width = 0;
    int height = 0;
    bool still = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
                return usage();
            }
        } else if (a == "--still") {
            still = true;
        } else if (path.empty() && !a.empty() && a[0] != '-') {
            path = a;
        } else {
            return usage();
        }
    }
    if (path.empty()) {
        return usage();
    }
    DecodedGif gif = decodeGif(path);
    long delays = 0;
    for (const GifRecord& r : gif.records) {
        if (r.kind == GifRecordKind::GraphicControl) {
            delays += r.delay;
        }
    }
    std::printf("bytes=%zu complete=%s images=%d screen=%dx%d delay=%ld\n", gif.bytes.size(),
                gif.ok ? "yes" : "no", gif.imageCount(), gif.screenWidth, gif.screenHeight, delays);
    Verdict v;
    if (!gif.ok) {
        v.fail("stream ends before its trailer: " + gif.error);
    }
    if (gif.screenWidth > 0) {
        checkHead(gif, width, height, v);
        if (gif.imageCount() > 0) {
            checkImages(gif, still, v);
        }
    }
    std::printf("%s\n", v.ok ? "GIF OK" : "GIF WRONG");
    return v.ok ? 0 : 1;
}
