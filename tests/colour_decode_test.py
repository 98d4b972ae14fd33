#!/usr/bin/env python3
"""Colour recordings decode in a second decoder (PIL) to the screens they recorded.

Runs the colour session tests (tests/colour_session_test.cpp), which leave each recording and
the screens painted for it in a folder (NAME.gif, NAME-N.rgb); then PIL decodes each file, and
every frame, without its two-pixel border, must show screen N: exactly where the screens hold
at most 256 colours, and by the bar where they hold more (the NumWorks screens: at least
99.8 % of the pixels exact on the home screen and 99.5 % on the grapher, a mean error of at most
0.05 per channel).

    colour_decode_test.py PIXMOTE_TESTS_BINARY
Exits 0 on success, 1 on a failure, 77 (skipped) when PIL is not installed.
"""
import os
import sys
import tempfile

from pil_decode import decoded, run_keeping

# Per recording, the share of pixels each frame must show exactly (1.0: every pixel).
BARS = {
    "few": [1.0, 1.0, 1.0, 1.0],
    "numworks-sequence": [0.998, 0.995, 0.998],
}
MEAN_ERROR = 0.05


def frames(path):
    """Every frame as PIL composes it for display, as RGB bytes, and the frame's size."""
    size, _, shown = decoded(path)
    return size, [frame.tobytes() for frame, _ in shown]


def inside(rgb, width, height, border=2):
    """The frame's pixels inside the border, as RGB bytes."""
    rows = []
    for y in range(border, height - border):
        start = (y * width + border) * 3
        rows.append(rgb[start:start + (width - 2 * border) * 3])
    return b"".join(rows)


def compare(shown, screen):
    """(share of pixels exact, mean error per channel)."""
    pixels = len(screen) // 3
    exact = sum(shown[i:i + 3] == screen[i:i + 3] for i in range(0, len(screen), 3))
    error = sum(abs(a - b) for a, b in zip(shown, screen))
    return exact / pixels, error / (3 * pixels)


def main():
    binary = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="pixmote-colour-") as folder:
        if not run_keeping(binary, "ColourSessionTest.*", "PIXMOTE_KEEP_COLOUR_GIFS", folder,
                           "the colour session tests"):
            return 1
        failures = 0
        for name, bars in BARS.items():
            path = os.path.join(folder, name + ".gif")
            try:
                (width, height), shown = frames(path)
            except (OSError, ValueError) as error:
                print(f"FAIL: {name}.gif does not decode: {error}")
                failures += 1
                continue
            if len(shown) != len(bars):
                print(f"FAIL: {name}.gif shows {len(shown)} frames, want {len(bars)}")
                failures += 1
                continue
            for n, bar in enumerate(bars):
                with open(os.path.join(folder, f"{name}-{n}.rgb"), "rb") as f:
                    screen = f.read()
                exact, error = compare(inside(shown[n], width, height), screen)
                line = f"{name} frame {n}: {100 * exact:.3f} % exact, mean error {error:.4f}"
                if exact < bar or error > MEAN_ERROR or (bar == 1.0 and error != 0):
                    print(f"FAIL: {line} (want {100 * bar:.1f} %)")
                    failures += 1
                else:
                    print(line)
        if failures:
            return 1
        print(f"PASS: {len(BARS)} colour recordings decode in PIL to their screens")
        return 0


if __name__ == "__main__":
    sys.exit(main())
