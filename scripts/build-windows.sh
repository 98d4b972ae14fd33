#!/usr/bin/env bash
# Builds the Windows program build-win/pixmote.exe with mingw-w64 (x86_64): first giflib for
# Windows (scripts/build-giflib-windows.sh, into build-win-giflib/), then the program.
#
#   scripts/build-windows.sh [extra cmake configure arguments]
#
# Environment: BUILD_TYPE (default Release), JOBS (default: number of processors).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

giflib=$repo/build-win-giflib
bash scripts/build-giflib-windows.sh "$giflib"

cmake -S . -B build-win \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
    -DGIFLIB_PREFIX="$giflib/prefix" \
    "$@"
cmake --build build-win -j "${JOBS:-$(nproc)}"
echo "built $repo/build-win/pixmote.exe"
