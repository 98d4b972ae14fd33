#!/usr/bin/env bash
# Runs every test of Pixmote on a fresh Debian 12 machine:
#   1. installs what is missing,
#   2. the native unit tests (GoogleTest under CTest) against the Win32 stand-in, then the
#      standard Release build and its tests,
#   3. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      and the two libFuzzer targets for about 30 s each over their seed corpus,
#   4. the Windows build (mingw-w64, giflib from Debian's source package) and its resource check,
#   5. the end-to-end checks of the real pixmote.exe under Wine and Xvfb,
#   6. the demo, and its GIF decoded by headless Chromium.
# Every build here treats warnings as errors (PIXMOTE_WERROR). Exits non-zero when any step
# fails. PIXMOTE_SKIP_WINE=1 skips steps 4 to 6.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh || { echo "test.sh: installing dependencies failed" >&2; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
failed_steps=()

step() {
    local name=$1
    shift
    echo
    echo "=== $name"
    local start=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        echo "=== $name: ok ($((SECONDS - start)) s)"
    else
        failed=$((failed + 1))
        failed_steps+=("$name")
        echo "=== $name: FAILED ($((SECONDS - start)) s)"
    fi
}

# native_tests DIR BUILD_TYPE [cmake arguments]
native_tests() {
    local dir=$1 type=$2
    shift 2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DPIXMOTE_WERROR=ON "$@" >/dev/null &&
        cmake --build "$dir" -j"$jobs" &&
        ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout 300
}

# The README's demo, then the GIF it left, loaded by a browser's own decoder.
demo_in_browser() {
    local gif=$root/build-wine-artifacts/demo.gif
    bash scripts/demo.sh "$gif" 4 && bash tests/browser/gif-plays.sh "$gif" 100x68
}

# The Windows build, then its resource check against the built pixmote.exe.
windows_build() {
    bash scripts/build-windows.sh -DPIXMOTE_WERROR=ON &&
        ctest --test-dir build-win --output-on-failure --timeout 300
}

sanitizer_tests() {
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        native_tests build-asan RelWithDebInfo -DPIXMOTE_SANITIZE=ON
}

step "native tests" native_tests build RelWithDebInfo
# The build a newcomer makes first; the optimiser's own warnings differ from one level to the
# next, so a warning that only Release shows is caught here.
step "native Release build and tests" native_tests build-release Release
step "sanitizer tests" sanitizer_tests
step "fuzzers (short run over the seed corpus)" env PIXMOTE_WERROR=ON bash scripts/fuzz.sh 30
if [[ "${PIXMOTE_SKIP_WINE:-0}" != 1 ]]; then
    step "windows build" windows_build
    step "wine end-to-end" bash scripts/wine-e2e.sh
    step "demo plays in a browser" demo_in_browser
fi

echo
if ((failed > 0)); then
    echo "failed steps: ${failed_steps[*]}"
fi
echo "Steps: $passed passed, $failed failed"
((failed == 0))
