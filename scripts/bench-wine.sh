#!/usr/bin/env bash
# The whole capture tick of the Windows program under Wine, measured against the emulator
# stand-in's real window (bench/wine/tick.cpp): the program's own operations (captureTick after
# a real detection, save dialog and start) beside the bare GDI calls of the grab, for a 96 x 64
# screen at scale 2 and a 320 x 240 screen at scales 1 and 2. Results: bench/README.md, "Under
# Wine".
#
#   scripts/bench-wine.sh [TICKS]          (default 300 ticks per screen)
#
# Then, when ../shared/fixtures/free42 is there, Free42's real window, its screen still, from
# the shipped catalogue: at its first-start size (the Realistic skin's layout at scale 1, the
# StretchBlt grab) and resized to 1.37 times (AnyScale: the grab samples each dot's centre).
# PIXMOTE_BENCH_STANDIN=0 or PIXMOTE_BENCH_FREE42=0 leaves a part out; PIXMOTE_WIN_BUILD and
# PIXMOTE_BENCH_OUT choose the Windows build and the output folder.
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
out=${PIXMOTE_BENCH_OUT:-$repo/build-bench-wine}
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
free42=0
if [[ ${PIXMOTE_BENCH_FREE42:-1} != 0 ]]; then
    # shellcheck source=../tests/wine/lib/free42.sh
    source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
    f42_build && free42=1
fi
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
: >"$out/results.txt"
# Each screen twice: a new picture every third tick (every fourth picture a new background, so
# every twelfth tick rewrites the whole screen), and a screen that never changes.
configs=("96x64 2 3" "320x240 1 3" "320x240 2 3" "96x64 2 100000" "320x240 1 100000"
    "320x240 2 100000")
[[ ${PIXMOTE_BENCH_STANDIN:-1} == 0 ]] && configs=()
for config in "${configs[@]}"; do
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
# Free42: the first-start window, then 1.37 times its size, alternately, so that both see the
# same load.
if ((free42 == 1)); then
    wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/free42.reg"
    f42_start
    for round in 1 2 3; do
        for size in "340 617" "466 845"; do
            read -r width height <<<"$size"
            f42_geometry win-resize "$width" "$height" || continue
            gif=$WENV_DIR/bench-free42-$width-$round.gif
            line=$(timeout 600 wine "$out/pixmote-tick-bench.exe" "$(wenv_winpath "$gif")" \
                --ticks "$ticks" --still 2>>"$WENV_DIR/bench.err" | tr -d '\r')
            echo "free42 round $round $line" | tee -a "$out/results.txt"
        done
    done
    f42_stop
fi
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs);" \
    "load average $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version)" | tee -a "$out/results.txt"
