#!/usr/bin/env bash
# Runs the end-to-end checks of the real pixmote.exe under Wine and Xvfb: every
# tests/wine/*.sh (or only those named), each with its own X server and a prefix cloned from
# one made here, so a check starts from a clean registry. Builds the test tools first
# (scripts/build-tools.sh); pixmote.exe comes from scripts/build-windows.sh.
#
#   scripts/wine-e2e.sh [tests/wine/NAME.sh ...]
#
# Prints each check's result and time, then "N passed, M failed"; exits non-zero when any
# check failed. Screenshots and wrong recordings land in build-wine-artifacts/.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo" || exit 1
# shellcheck source=scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
WENV_NAME=wine-e2e  # read by the helpers
export WENV_NAME

if ! bash scripts/build-tools.sh >"${TMPDIR:-/tmp}/pixmote-build-tools.log" 2>&1; then
    cat "${TMPDIR:-/tmp}/pixmote-build-tools.log"
    echo "wine-e2e: building the test tools failed"
    exit 1
fi
if [[ ! -f "$PIXMOTE_EXE" ]]; then
    echo "wine-e2e: $PIXMOTE_EXE is missing; run scripts/build-windows.sh first"
    exit 1
fi
wenv_require || exit 1

checks=("$@")
if ((${#checks[@]} == 0)); then
    checks=(tests/wine/*.sh)
fi

# One prefix for all checks, made once; each check clones it.
WENV_DIR=$(mktemp -d /tmp/pixmote-e2e.XXXXXX)
trap wenv_cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE
started=$SECONDS
wenv_start_xvfb || exit 1
export WINEPREFIX=$WENV_DIR/base
wenv_make_base "$WINEPREFIX" || exit 1
export PIXMOTE_WINE_BASE=$WINEPREFIX
echo "wine-e2e: prefix ready ($((SECONDS - started)) s)"

passed=0
failed=0
failures=()
for check in "${checks[@]}"; do
    name=$(basename "${check%.sh}")
    t0=$SECONDS
    WINEPREFIX="" DISPLAY="" WENV_NAME=$name timeout 600 bash "$check"
    rc=$?
    if ((rc == 0)); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        ((rc == 124)) && echo "FAIL $name: timed out"
    fi
    echo "--- $name: $((SECONDS - t0)) s"
done

echo
((failed > 0)) && echo "failed: ${failures[*]}"
echo "wine end-to-end: $passed passed, $failed failed ($((SECONDS - started)) s)"
((failed == 0))
