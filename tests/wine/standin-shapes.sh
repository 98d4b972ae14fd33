#!/usr/bin/env bash
# The emulator stand-in's window shapes, seen from outside: for each shape the stand-in shows
# pattern 0 and then pattern 5; a screenshot of the display (ImageMagick) must show, under the
# centre of every calculator dot, exactly that dot's gray (pixmote-shot-check), at the place
# the stand-in logs for its screen. The client sizes, the child window that holds the screen,
# its class, and a caption that gains a suffix are checked too. Pixmote is not involved.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
SHOT_CHECK=$PIXMOTE_TOOLS/pixmote-shot-check
[[ -x "$SHOT_CHECK" ]] || { echo "missing $SHOT_CHECK (scripts/build-tools.sh)" >&2; exit 1; }
wenv_start

# log_value KEY: the rest of the stand-in log's first line that starts with KEY.
log_value() {
    tr -d '\r' <"$WENV_STANDIN_LOG" | sed -n "s/^$1 //p" | head -n 1
}

# shape NAME DOTS CLIENT SCREEN_WINDOW ARGS...: starts the stand-in with --screen DOTS ARGS;
# its client area must be CLIENT ("W H"), the client of its screen window SCREEN_WINDOW ("-"
# when there is none); then both patterns are checked dot by dot.
shape() {
    local name=$1 dots=$2 client=$3 screen_window=$4
    shift 4
    echo "== $name" >&2
    wenv_standin --screen "$dots" "$@" || { t_fail "$name: the stand-in did not start"; return; }
    t_expect_eq "$name: client area" "$(log_value client)" "$client"
    if [[ "$screen_window" != - ]]; then
        t_expect_eq "$name: the screen's window" "$(log_value screen-window)" "$screen_window"
    fi
    local k
    read -r -a SHAPE_PLACE <<<"$(log_value screen-on-display)"
    for k in 0 5; do
        if ((k != 0)); then
            wenv_driver emu-pattern "$k" >/dev/null
        fi
        # The picture reaches the X server some time after the stand-in has drawn it.
        if poll_until 15 shot_shows "$dots" "$k"; then
            t_ok "$name: pattern $k drawn right ($SHOT_REPORT)"
        else
            t_fail "$name: pattern $k: $SHOT_REPORT"
            mkdir -p "$PIXMOTE_ARTIFACTS"
            convert "$SHOT" "$PIXMOTE_ARTIFACTS/shape-$name-$k.png" 2>/dev/null
        fi
    done
}

# shot_shows DOTS K: a screenshot of the display shows pattern K at SHAPE_PLACE; the
# screenshot is $SHOT, the check's answer SHOT_REPORT.
SHOT=$WENV_DIR/shot.ppm
shot_shows() {
    timeout 30 import -window root -depth 8 "ppm:$SHOT" 2>/dev/null
    SHOT_REPORT=$("$SHOT_CHECK" "$SHOT" --place "${SHAPE_PLACE[@]}" --screen "$1" --pattern "$2")
}

wabbit=(--class z80 --caption Wabbitemu --screen-class wabbitlcd)

shape bare-2 96x64 "192 128" - --scale 2
wenv_standin_stop
shape dots-2x3 131x16 "262 48" - --dots 2x3
wenv_standin_stop
shape dots-2x3-scale-2 131x16 "524 96" - --dots 2x3 --scale 2 --pos 300 40
wenv_standin_stop
shape nearest-1.37 96x64 "132 88" - --scale 1.37
wenv_standin_stop
shape smooth-1.37-dots-2x3 131x16 "359 66" - --dots 2x3 --scale 1.37 --smooth
wenv_standin_stop
shape face-1.5 96x64 "240 420" - --face --scale 1.5
wenv_standin_stop
shape status-bar-96x64 96x64 "192 148" "192 128" "${wabbit[@]}" --scale 2 --status-bar 20
# The main window's other parts are not the screen: the child window is.
t_expect_contains "status bar: the screen is a child of class wabbitlcd" \
    "$(wenv_driver children Wabbitemu)" "class=wabbitlcd"
wenv_standin_stop
shape status-bar-128x64 128x64 "384 212" "384 192" "${wabbit[@]}" --scale 3 --status-bar 20
wenv_standin_stop
shape status-bar-320x240 320x240 "640 500" "640 480" "${wabbit[@]}" --scale 2 --status-bar 20 \
    --pos 300 0
wenv_standin_stop
shape skin 96x64 "350 725" "192 128" "${wabbit[@]}" --scale 2 --skin 350x725 \
    --screen-at 80 92 --pos 600 0 --caption-suffix " (1)" --suffix-after-ms 9000
t_expect_contains "skin: the caption before the suffix" "$(wenv_driver children Wabbitemu)" \
    "class=z80"
if wenv_wait_file "$WENV_STANDIN_LOG" 15 '^caption "Wabbitemu (1)"'; then
    t_expect_contains "skin: the caption gained its suffix" \
        "$(wenv_driver children 'Wabbitemu (1)')" "class=wabbitlcd"
else
    t_fail "skin: the caption gained no suffix"
fi
wenv_standin_stop

t_finish
