#!/usr/bin/env bash
# The whole capture tick of the Windows program under Wine, measured against the emulator
# stand-in's real window (bench/wine/tick.cpp): the program's own operations (captureTick after
# a real detection, save dialog and start) beside the bare GDI calls of the grab, for a 96 x 64
# screen at scale 2 and a 320 x 240 screen at scales 1 and 2. Results: bench/README.md, "Under
# Wine".
#
#   scripts/bench-wine.sh [TICKS]          (default 300 ticks per screen)
#
# Builds build-bench-wine/pixmote-tick-bench.exe from bench/wine/tick.cpp, app/main.cpp (for
# appCreate) and the resources, linked with the Windows build's libraries in build-win
# (scripts/build-windows.sh makes them when missing); needs the test tools
# (scripts/build-tools.sh) for the stand-in and the Wine harness (scripts/wine-env.sh).
# Prints one line per screen and writes them to build-bench-wine/results.txt.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
ticks=${1:-300}
win=${PIXMOTE_WIN_BUILD:-$repo/build-win}
out=$repo/build-bench-wine
giflib=$repo/build-win-giflib/prefix

if [[ ! -f "$win/libpixmote_app.a" || ! -f "$win/libpixmote_core.a" ]]; then
    bash scripts/build-windows.sh >/dev/null || exit 1
fi
[[ -x "${PIXMOTE_TOOLS:-$repo/build-tools}/calc-standin.exe" ]] ||
    bash scripts/build-tools.sh "${PIXMOTE_TOOLS:-$repo/build-tools}" >/dev/null || exit 1
mkdir -p "$out"
x86_64-w64-mingw32-windres -I "$win/icons" -I "$repo/res" "$repo/res/pixmote.rc" -O coff \
    -o "$out/pixmote-res.o" || exit 1
x86_64-w64-mingw32-g++-win32 -std=c++20 -O2 -static -Wall -Wextra -Wpedantic -Wshadow \
    -Wconversion -Wsign-conversion -Werror "-I$repo" -o "$out/pixmote-tick-bench.exe" \
    bench/wine/tick.cpp app/main.cpp "$out/pixmote-res.o" "$win/libpixmote_app.a" \
    "$win/libpixmote_core.a" "$giflib/lib/libgif.a" \
    -luser32 -lgdi32 -lcomdlg32 -lshell32 -ladvapi32 || exit 1

# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"
WENV_NAME=bench-wine
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
: >"$out/results.txt"
# Each screen twice: a new picture every third tick (every fourth picture a new background, so
# every twelfth tick rewrites the whole screen), and a screen that never changes.
for config in "96x64 2 3" "320x240 1 3" "320x240 2 3" "96x64 2 100000" "320x240 1 100000" \
    "320x240 2 100000"; do
    read -r screen scale every <<<"$config"
    wenv_standin --screen "$screen" --scale "$scale"
    gif=$WENV_DIR/bench-$screen-$scale-$every.gif
    line=$(timeout 600 wine "$out/pixmote-tick-bench.exe" "$(wenv_winpath "$gif")" \
        --ticks "$ticks" --change-every "$every" 2>>"$WENV_DIR/bench.err" | tr -d '\r')
    echo "scale $scale $line" | tee -a "$out/results.txt"
    if [[ -x "$PIXMOTE_TOOLS/pixmote-gif-inspect" ]]; then
        "$PIXMOTE_TOOLS/pixmote-gif-inspect" "$gif" --size "$screen" | tail -n 1
    fi
    wenv_standin_stop
done
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs);" \
    "load average $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version)" | tee -a "$out/results.txt"
