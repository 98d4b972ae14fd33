#!/usr/bin/env python3
"""A recording cut short by a failed write decodes in a second decoder (PIL).

Runs the writer's failure test (tests/gif_writer_test.cpp), which leaves the whole
recording and one cut file per number of kept images in a folder; then each cut file must open
in PIL, hold exactly that many frames, and show frame for frame what the whole recording shows.

    gif_cut_decode_test.py PIXMOTE_TESTS_BINARY
Exits 0 on success, 1 on a failure, 77 (skipped) when PIL is not installed.
"""
import os
import re
import sys
import tempfile

from pil_decode import decoded, run_keeping


def frames(path):
    """Every frame as PIL composes it for display, as RGB bytes."""
    return [frame.tobytes() for frame, _ in decoded(path)[2]]


def main():
    binary = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="pixmote-cut-") as folder:
        if not run_keeping(binary, "GifWriteFailure.FileKeepsTheImagesCompletedBeforeTheFailure",
                           "PIXMOTE_KEEP_CUT_GIFS", folder, "the failure test"):
            return 1

        whole = frames(os.path.join(folder, "whole.gif"))
        cuts = sorted((int(m.group(1)), name) for name in os.listdir(folder)
                      if (m := re.fullmatch(r"cut-(\d+)\.gif", name)))
        if len(whole) != 6 or [kept for kept, _ in cuts] != list(range(1, 6)):
            print(f"FAIL: {len(whole)} frames in the whole file, cut files {cuts}")
            return 1
        failures = 0
        for kept, name in cuts:
            try:
                shown = frames(os.path.join(folder, name))
            except (OSError, ValueError) as error:
                print(f"FAIL: {name} does not decode: {error}")
                failures += 1
                continue
            if shown != whole[:kept]:
                print(f"FAIL: {name} shows {len(shown)} frames, not the first {kept} of the whole")
                failures += 1
        if failures:
            return 1
        print(f"PASS: {len(cuts)} cut files decode in PIL with the frames they kept")
        return 0


if __name__ == "__main__":
    sys.exit(main())
