#!/usr/bin/env python3
"""Enlarged recordings decode in a second decoder (PIL) as the x1 recording enlarged.

Runs the enlargement tests (tests/session_sampled_test.cpp), which leave each recording at x1
and at xk (k = 2, 3, 4; bare, face and sampled profiles; animation and StillMode) in a folder;
then every xk file must open in PIL with as many frames as its x1 file, the same durations and
loop, and each frame, as PIL composes it, equal to the x1 frame resized k times with nearest
neighbours.

    enlarge_decode_test.py PIXMOTE_TESTS_BINARY
Exits 0 on success, 1 on a failure, 77 (skipped) when PIL is not installed.
"""
import os
import re
import sys
import tempfile

from pil_decode import Image, decoded, run_keeping


def frames(path):
    """Every frame as PIL composes it for display, with its duration, and the loop count."""
    size, loop, shown = decoded(path)
    return shown, loop, size


def main():
    binary = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="pixmote-enlarge-") as folder:
        if not run_keeping(binary, "Sizes/EnlargedRecording.*", "PIXMOTE_ENLARGE_OUT", folder,
                           "the enlargement tests"):
            return 1
        pairs = sorted((m.group(1), int(m.group(2))) for name in os.listdir(folder)
                       if (m := re.fullmatch(r"(\w+?)-x([234])\.gif", name)))
        if len(pairs) != 11:
            print(f"FAIL: expected 11 enlarged recordings, found {pairs}")
            return 1
        failures = 0
        for name, k in pairs:
            small, small_loop, small_size = frames(os.path.join(folder, f"{name}-x1.gif"))
            large, large_loop, large_size = frames(os.path.join(folder, f"{name}-x{k}.gif"))
            problems = []
            if large_size != (small_size[0] * k, small_size[1] * k):
                problems.append(f"size {large_size} for {small_size} at x{k}")
            if large_loop != small_loop:
                problems.append(f"loop {large_loop} against {small_loop}")
            if len(large) != len(small) or not small:
                problems.append(f"{len(large)} frames against {len(small)}")
            for i, ((a, da), (b, db)) in enumerate(zip(small, large)):
                expected = a.resize((a.width * k, a.height * k), Image.NEAREST)
                if b.tobytes() != expected.tobytes():
                    problems.append(f"frame {i} is not the x1 frame enlarged")
                if da != db:
                    problems.append(f"frame {i} lasts {db} ms against {da}")
            if problems:
                failures += 1
                print(f"FAIL: {name} x{k}: " + "; ".join(problems[:4]))
        if failures:
            return 1
        print(f"PASS: {len(pairs)} enlarged recordings decode in PIL as their x1 file enlarged")
        return 0


if __name__ == "__main__":
    sys.exit(main())
