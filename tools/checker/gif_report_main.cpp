// pixmote-gif-inspect: checks the structure of any GIF that Pixmote wrote, whatever the screen
// showed (the frame-script check, pixmote-gif-check, needs the stand-in's script), and tells
// how much of a damaged or cut-off file still decodes. Native; used by the hardening checks.
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
#include "tools/checker/structure.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: pixmote-gif-inspect GIF [--size WxH] [--still]\n");
    return 2;
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
    std::vector<std::string> failures;
    if (!gif.ok) {
        failures.push_back("stream ends before its trailer: " + gif.error);
    }
    // A file cut off before its first image still has its head checked.
    const Structure want{width, height, still, false};
    if (gif.screenWidth > 0) {
        checkHead(gif, want, &failures);
        if (gif.imageCount() > 0) {
            checkImages(gif, want, &failures);
        }
    }
    for (const std::string& f : failures) {
        std::printf("FAIL %s\n", f.c_str());
    }
    const bool ok = failures.empty();
    std::printf("%s\n", ok ? "GIF OK" : "GIF WRONG");
    return ok ? 0 : 1;
}
