#!/usr/bin/env bash
# Builds the end-to-end test tools (tools/CMakeLists.txt) into build-tools/: the emulator
# stand-in and the driver for Windows (mingw-w64), the recording check natively; then runs the
# check's self-test.
#
#   scripts/build-tools.sh [BUILD_DIR]     (default: $PIXMOTE_TOOLS, else build-tools/)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${PIXMOTE_TOOLS:-$repo/build-tools}}

cmake -S "$repo/tools" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"
ctest --test-dir "$build" --output-on-failure
echo "built $build/calc-standin.exe $build/pixmote-driver.exe $build/pixmote-gif-check" \
    "$build/pixmote-lcd-check"
