#!/usr/bin/env bash
# Photographs two screens of the NumWorks simulator under Wine for the colour tests: its home
# screen and the grapher plotting three functions, as 320 x 240 PNG crops of the LCD
# (tests/data/numworks-home.png and numworks-grapher.png). Run once by hand; the tests read the
# PNGs, never the simulator.
#
#   scripts/numworks-screens.sh [EPSILON_EXE] [OUT_DIR]
#       (defaults: build-numworks/epsilon.exe, built by ../shared/fixtures/numworks/build.sh,
#        and tests/data)
#
# Its own Xvfb (1280 x 1024) and a throw-away Wine prefix; every wait polls with a deadline.
# Keys are held 0.1 s, as the simulator polls the keyboard state.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${1:-$repo/build-numworks/epsilon.exe}
out=${2:-$repo/tests/data}
[[ -f "$exe" ]] || { echo "no $exe (../shared/fixtures/numworks/build.sh build-numworks)" >&2; exit 1; }

work=$(mktemp -d /tmp/numworks-screens.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/displayfd" >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 display <"$work/displayfd"
export DISPLAY=":$display" WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
timeout 180 wineboot -i >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1
timeout 60 wineserver -w

timeout 600 wine "$exe" >/dev/null 2>&1 &
pids+=($!)

# until COMMAND succeeds, for at most SECONDS.
poll() {
    local seconds=$1
    shift
    local limit=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < limit)) || return 1
        sleep 0.2
    done
}
window=""
find_window() { window=$(xdotool search --name '^Epsilon$' 2>/dev/null | head -1); [[ -n "$window" ]]; }
poll 30 find_window || { echo "no Epsilon window" >&2; exit 1; }
# The LCD: its top rows are the status bar, #FFB531 all across; found on the display once the
# first screen is drawn, rather than trusted to lie at client (69, 67).
lcd=""
find_lcd() {
    import -window root "$work/display.png"
    lcd=$(/usr/bin/python3 - "$work/display.png" <<'PY'
import sys
from PIL import Image
image = Image.open(sys.argv[1]).convert("RGB")
width, height = image.size
pixels = image.load()
for y in range(height):
    run = 0
    for x in range(width):
        run = run + 1 if pixels[x, y] == (255, 181, 49) else 0
        if run == 300:
            left = x - 299
            while left > 0 and pixels[left - 1, y] == (255, 181, 49):
                left -= 1
            print(f"320x240+{left}+{y}")
            sys.exit(0)
PY
)
    [[ -n "$lcd" ]]
}
poll 30 find_lcd || { echo "no status bar on the display" >&2; exit 1; }
echo "LCD at $lcd" >&2
IFS=+ read -r _ lcd_x lcd_y <<<"$lcd"
X=$((lcd_x - 69))  # the client's origin: the LCD is at client (69, 67)
Y=$((lcd_y - 67))

# The LCD once it shows something and has held still for a whole second (two photographs a
# second apart agree).
shot=0
settled() {
    shot=$((shot + 1))
    import -window root -crop "$lcd" +repage "$work/lcd-$shot.png"
    [[ $shot -gt 1 ]] && (($(convert "$work/lcd-$shot.png" -format %k info:) > 1)) &&
        compare -metric AE "$work/lcd-$((shot - 1)).png" "$work/lcd-$shot.png" null: 2>/dev/null
}
settle() {
    local limit=$((SECONDS + 30))
    shot=0
    until settled; do
        ((SECONDS < limit)) || { echo "the screen never settled" >&2; exit 1; }
        sleep 1
    done
    cp "$work/lcd-$shot.png" "$1"
}
# Each key held 0.1 s, then until the LCD shows its effect (it differs from before the key).
changed() {
    import -window root -crop "$lcd" +repage "$work/after.png"
    ! compare -metric AE "$work/before.png" "$work/after.png" null: 2>/dev/null
}
press() {
    for k in "$@"; do
        import -window root -crop "$lcd" +repage "$work/before.png"
        case $k in
            alt+*) xdotool keydown Alt_L keydown "${k#alt+}" sleep 0.1 keyup "${k#alt+}" keyup Alt_L ;;
            type:*) xdotool type --delay 300 "${k#type:}" ;;
            *) xdotool keydown "$k" sleep 0.1 keyup "$k" ;;
        esac
        poll 10 changed || { echo "the key $k changed nothing on the LCD" >&2; exit 1; }
    done
}

settle "$work/home.png"
xdotool mousemove $((X + 229)) $((Y + 30)) click 1
focused() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$window" ]]; }
poll 10 focused || echo "the window did not report the focus; going on" >&2
press Right Return Return type:3 alt+s type:x Return
press Down Return type:'x*x*0.25-2' Return
press Down Return type:'x/2+1' Return
press Down Down
settle "$work/list.png"
press Return
settle "$work/grapher.png"
mkdir -p "$out"
convert "$work/home.png" -strip PNG24:"$out/numworks-home.png"
convert "$work/grapher.png" -strip PNG24:"$out/numworks-grapher.png"
for f in home grapher; do
    echo "$out/numworks-$f.png: $(convert "$out/numworks-$f.png" -format %k info:) colours"
done
