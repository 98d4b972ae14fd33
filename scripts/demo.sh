#!/usr/bin/env bash
# The demo: one real recording with the Windows program under Wine.
#
# Installs what is missing, builds pixmote.exe and the test tools, starts a private X server and
# a throw-away Wine prefix, imports the emulator catalogue, opens the emulator stand-in (a
# calculator home screen with text being typed and a blinking cursor), starts pixmote.exe and
# drives one recording through its tray icon: click, file name, click, a few seconds, click.
# Leaves the GIF at the path it prints (default out/demo.gif; or the first argument).
#
#   bash scripts/demo.sh [OUTPUT.gif] [SECONDS]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-$root/out/demo.gif}")
seconds=${2:-6}

bash scripts/install-deps.sh
bash scripts/build-windows.sh >/dev/null
bash scripts/build-tools.sh >/dev/null

mkdir -p "$(dirname "$out")"
rm -f "$out"
work=$(mktemp -d /tmp/pixmote-demo.XXXXXX)
gif=$work/demo.gif

WENV_NAME=demo
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wenv_start
wenv_reg_import tests/data/standin.reg
wenv_standin --scale 2 --demo
wenv_pixmote
wenv_wait_tray Halted 30 >/dev/null || { echo "demo: Pixmote did not come up" >&2; exit 1; }

echo "demo: left click: find the emulator and ask for the file name"
# A press that arrives while Wine is still settling the new windows can go unanswered; a box,
# if one came instead, is shown and answered. Then the press is made once more.
asked=0
for attempt in 1 2; do
    wenv_driver tray left >/dev/null
    if wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null; then
        asked=1
        break
    fi
    { wenv_driver box 2>/dev/null || true; } | sed 's/^/demo: box instead of the save dialog: /' >&2
    wenv_wait_tray Halted 15 >/dev/null || true
done
((asked)) || { echo "demo: the save dialog did not appear" >&2; exit 1; }
wenv_wait_tray Ready >/dev/null || { echo "demo: Pixmote is not Ready" >&2; exit 1; }

echo "demo: left click: recording for $seconds s"
wenv_driver tray left >/dev/null
wenv_wait_tray Capturing >/dev/null || { echo "demo: Pixmote is not Capturing" >&2; exit 1; }
sleep "$seconds"  # the recording's length, as asked

echo "demo: left click: stop"
wenv_driver tray left >/dev/null
wenv_wait_tray Halted >/dev/null || { echo "demo: Pixmote did not stop" >&2; exit 1; }

[[ -s "$gif" ]] || { echo "demo: no recording was written" >&2; exit 1; }
cp "$gif" "$out"
rm -rf "$work"
frames=$(identify "$out" | wc -l)
size=$(identify -format '%wx%h\n' "$out" | head -n 1)
echo "demo: $frames images, ${size} pixels, $(stat -c %s "$out") bytes"
echo "$out"
