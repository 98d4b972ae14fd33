#!/usr/bin/env python3
"""The NumWorks simulator's LCD, read from photographs of its client area, against a recording.

    lcd_states.py lit SHOT.ppm --client WxH
        exit 0 when the LCD in the photograph shows a screen: not one colour, some of it white
    lcd_states.py match GIF --client WxH [--colour] SHOT.ppm...
        exit 0 when every state of the LCD, photographed in that order, is a frame of the
        recording, each a later frame than the state before it, and the last frame is the last
        state; prints the figures

Where the LCD is: the simulator lays its photo out as SDL does in its source (the area of
interest, 940 x 2150 of the 1160 x 2220 photo, fitted into the client, centred; the frame's
rectangle truncated to whole pixels; the LCD, 776 x 582 photo pixels at (192, 191), rounded).
That rule is the simulator's own; Pixmote does not use it.

What a state is: the LCD's pixels. Where the LCD is drawn 1:1 (320 x 240 at the first start's
size) they are compared with a frame pixel for pixel: with --colour, the frame must be exact on
at least --exact percent of the pixels (the first state, --first-exact if given) with a mean
error per channel of at most --mean-error (of 255); without, the recording holds 16 grays, and the frame's grays must follow the LCD's
red (a gray recording reads only the red channel and stretches it to 16 grays: correlation
at least --gray-correlation). Where the LCD is drawn at another size it is first brought to
320 x 240 by averaging what each LCD dot covers, and the frame must come close to that
(correlation at least --scaled-gray-correlation; in colour, a mean error per channel of at most
--scaled-error).

The recording is decoded by ImageMagick (convert -coalesce), not by the decoder Pixmote uses.
Standard library only, besides ImageMagick.
"""

import argparse
import math
import os
import subprocess
import sys
import tempfile

LCD = (320, 240)
BORDER = 2


def read_ppm(path):
    """(width, height, bytes RGB) of a binary PPM."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    i = 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            while data[i:i + 1] not in (b"\n", b""):
                i += 1
            continue
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError(f"{path}: not an 8-bit binary PPM")
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[i + 1:i + 1 + 3 * w * h]


def lcd_rect(cw, ch):
    """(x, y, w, h) of the LCD in a client area of cw x ch, as the simulator draws it."""
    bw, bh = 1160.0, 2220.0
    aoi = (110 / bw, 30 / bh, 940 / bw, 2150 / bh)
    screen = (192 / bw, 191 / bh, 776 / bw, 582 / bh)
    aoi_ratio = (aoi[2] / aoi[3]) * (bw / bh)
    if aoi_ratio > cw / ch:
        fw = cw / aoi[2]
        fh = (cw / aoi_ratio) / aoi[3]
        fx = -aoi[0] * fw
        fy = (ch - cw / aoi_ratio) / 2 - aoi[1] * fh
    else:
        fh = ch / aoi[3]
        fw = (ch * aoi_ratio) / aoi[2]
        fy = -aoi[1] * fh
        fx = (cw - ch * aoi_ratio) / 2.0 - aoi[0] * fw
    fx, fy, fw, fh = (int(v) for v in (fx, fy, fw, fh))  # SDL_Rect: truncated
    return (round(screen[0] * fw + fx), round(screen[1] * fh + fy), round(screen[2] * fw),
            round(screen[3] * fh))


def crop(image, rect):
    """The pixels of rect, as a list of (r, g, b), row by row."""
    w, _, data = image
    x0, y0, rw, rh = rect
    out = []
    for y in range(y0, y0 + rh):
        row = data[3 * (y * w + x0):3 * (y * w + x0 + rw)]
        out.extend(tuple(row[k:k + 3]) for k in range(0, len(row), 3))
    return out


def to_lcd(pixels, rw, rh):
    """A rw x rh picture of the LCD brought to 320 x 240: each dot the average of what it
    covers (weighted by the part of each pixel inside it)."""
    if (rw, rh) == LCD:
        return pixels

    def spans(n, length):
        out = []
        for i in range(n):
            a, b = i * length / n, (i + 1) * length / n
            parts = []
            for p in range(int(a), min(length, math.ceil(b))):
                weight = min(b, p + 1) - max(a, p)
                if weight > 0:
                    parts.append((p, weight))
            out.append(parts)
        return out

    across, down = spans(LCD[0], rw), spans(LCD[1], rh)
    out = []
    for rows in down:
        for cols in across:
            total = [0.0, 0.0, 0.0]
            weight = 0.0
            for y, wy in rows:
                for x, wx in cols:
                    p = pixels[y * rw + x]
                    w = wx * wy
                    weight += w
                    for c in range(3):
                        total[c] += p[c] * w
            out.append(tuple(t / weight for t in total))
    return out


def gif_frames(path):
    """The recording's frames as shown (coalesced), each the LCD inside the 2-pixel frame."""
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["convert", path, "-coalesce", "+adjoin",
                        os.path.join(folder, "f-%05d.ppm")], check=True)
        frames = []
        for name in sorted(os.listdir(folder)):
            image = read_ppm(os.path.join(folder, name))
            if (image[0], image[1]) != (LCD[0] + 2 * BORDER, LCD[1] + 2 * BORDER):
                raise ValueError(f"the recording is {image[0]} x {image[1]}, want "
                                 f"{LCD[0] + 2 * BORDER} x {LCD[1] + 2 * BORDER}")
            frames.append(crop(image, (BORDER, BORDER) + LCD))
        return frames


def correlation(a, b):
    """Of the red channels: a gray recording reads only red, stretched to 16 grays."""
    la = [p[0] for p in a]
    lb = [p[0] for p in b]
    n = len(la)
    ma, mb = sum(la) / n, sum(lb) / n
    cov = sum((x - ma) * (y - mb) for x, y in zip(la, lb))
    va = sum((x - ma) ** 2 for x in la)
    vb = sum((y - mb) ** 2 for y in lb)
    if va == 0 or vb == 0:
        return 1.0 if va == vb else 0.0
    return cov / math.sqrt(va * vb)


def exactness(state, frame):
    """(percent of pixels exact, mean error per channel)."""
    exact = 0
    error = 0.0
    for p, q in zip(state, frame):
        exact += p == q
        error += abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2])
    n = len(state)
    return 100.0 * exact / n, error / (3 * n)


def score(state, frame, args, whole, first=False):
    """(passes, figures text, sort key: higher is better)."""
    if args.colour:
        exact, error = exactness(state, frame)
        if whole:
            least = args.first_exact if first and args.first_exact is not None else args.exact
            ok = exact >= least and error <= args.mean_error
        else:
            ok = error <= args.scaled_error
        return ok, f"{exact:.2f} % exact, mean error {error:.3f}", -error
    r = correlation(state, frame)
    least = args.gray_correlation if whole else args.scaled_gray_correlation
    return r >= least, f"gray correlation {r:.4f}", r


def command_lit(args):
    cw, ch = args.client
    image = read_ppm(args.shot)
    if (image[0], image[1]) != (cw, ch):
        return 1
    pixels = crop(image, lcd_rect(cw, ch))
    whites = sum(1 for p in pixels if min(p) >= 240)
    return 0 if len(set(pixels)) > 1 and whites > len(pixels) // 4 else 1


def command_match(args):
    cw, ch = args.client
    rect = lcd_rect(cw, ch)
    whole = rect[2:] == LCD
    states = []
    for shot in args.shots:
        image = read_ppm(shot)
        if (image[0], image[1]) != (cw, ch):
            print(f"FAIL {shot} is {image[0]} x {image[1]}, not the client's {cw} x {ch}")
            return 1
        state = to_lcd(crop(image, rect), rect[2], rect[3])
        if not states or state != states[-1]:
            states.append(state)
    frames = gif_frames(args.gif)
    print(f"LCD at {rect[0]},{rect[1]} {rect[2]}x{rect[3]} in {cw}x{ch}; "
          f"{len(states)} distinct states, {len(frames)} frames")
    failed = False
    start = 0
    worst = None
    found = []
    for k, state in enumerate(states):
        best = None
        # Two states in a row differ, so each is a frame after the one before it.
        for f in range(start + 1 if k > 0 else start, len(frames)):
            ok, text, key = score(state, frames[f], args, whole, k == 0)
            if best is None or key > best[2]:
                best = (f, text, key, ok)
        if best is None or not best[3]:
            failed = True
            print(f"FAIL state {k}: no frame from {start} on shows it (best: frame "
                  f"{best[0] if best else '-'}, {best[1] if best else '-'})")
            continue
        print(f"state {k}: frame {best[0]}, {best[1]}")
        found.append(best[0])
        start = best[0]
        if worst is None or best[2] < worst[2]:
            worst = best
    if found and found[-1] != len(frames) - 1:
        ok, text, _ = score(states[-1], frames[-1], args, whole)
        if not ok:
            failed = True
            print(f"FAIL the last frame is not the last state ({text})")
    print(f"figures: {len(frames)} frames, {len(found)} of {len(states)} states found"
          + (f", worst {worst[1]}" if worst else ""))
    return 1 if failed else 0


def size(text):
    w, h = text.lower().split("x")
    return int(w), int(h)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    lit = sub.add_parser("lit")
    lit.add_argument("shot")
    lit.add_argument("--client", type=size, required=True)
    match = sub.add_parser("match")
    match.add_argument("gif")
    match.add_argument("shots", nargs="+")
    match.add_argument("--client", type=size, required=True)
    match.add_argument("--colour", action="store_true")
    match.add_argument("--exact", type=float, default=99.5)
    match.add_argument("--first-exact", type=float)
    match.add_argument("--mean-error", type=float, default=0.05)
    # Thin curves weigh most: a dot-centre reading against the dot's average. The plotted graph
    # at 640 x 940 measured 7.0 in one run and 9.3 in another. States a key apart differ by
    # less than that: there the best match and the order of the states tell them apart.
    match.add_argument("--scaled-error", type=float, default=12.0)
    match.add_argument("--gray-correlation", type=float, default=0.97)
    match.add_argument("--scaled-gray-correlation", type=float, default=0.75)
    args = parser.parse_args(argv)
    return command_lit(args) if args.command == "lit" else command_match(args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
