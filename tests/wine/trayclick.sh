#!/usr/bin/env bash
# The real tray icon clicked with the mouse: xdotool presses the buttons over icon slot 0 of
# Wine's "Wine System Tray" window (explorer.exe's notification area), explorer passes each
# press on to Pixmote as WM_TRAYNOTIFY with WM_LBUTTONDOWN or WM_RBUTTONDOWN, and Pixmote walks
# through a whole recording: Halted, Ready with the save dialog open, Capturing, Halted. At
# every state the icon's picture is taken from a screenshot and compared, pixel by pixel, with
# the 16 x 16 art (res/icons/halted-16.txt with the lamps of res/icons/lamps.txt; the traffic
# light is columns 11 to 16): red lamp lit for Halted, yellow for Ready, green for Capturing.
# explorer's own trace (+systray) shows the message it relays.
WENV_WINEDEBUG=${WENV_WINEDEBUG:-+systray}
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/hardening.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
script=$WENV_DIR/script.txt
for k in $(seq 0 5); do echo 495; done >"$script"

wenv_pixmote
wenv_standin --scale 2 --script "$(wenv_winpath "$script")"
t_expect_tray Halted
tray=$(wenv_tray_window) || t_fail "no tray window"
read -r slot_x slot_y < <(wenv_tray_park "$tray")
echo "  tray window $tray, icon slot 0 at ($slot_x, $slot_y)" >&2

# expect_icon STATE GROUP: screenshots of slot 0 come to show icon GROUP.
expect_icon() {
    if poll_until 15 icon_shows "$@"; then
        t_ok "$1: $ICON_REPORT"
    else
        t_fail "$1: the icon is not group $2: $ICON_REPORT"
    fi
}

# icon_shows STATE GROUP: one screenshot of slot 0, the pointer moved away so that no tooltip
# covers it (the tooltip goes some time later); what it found in ICON_REPORT.
icon_shows() {
    local dump=$WENV_DIR/slot-$1.txt
    xdotool mousemove $((slot_x + 150)) $((slot_y + 40)) 2>/dev/null
    timeout 20 import -window root -crop "20x20+$slot_x+$slot_y" +repage "$PIXMOTE_ARTIFACTS/tray-$1.png" \
        2>/dev/null
    convert "$PIXMOTE_ARTIFACTS/tray-$1.png" -depth 8 txt:- >"$dump" 2>/dev/null
    ICON_REPORT=$(python3 "$PIXMOTE_ROOT/tests/wine/lib/icon_pixels.py" "$dump" "$2")
}

# click BUTTON: a real press and release of mouse button BUTTON over icon slot 0.
click() {
    xdotool mousemove $((slot_x + 10)) $((slot_y + 10)) click "$1" 2>/dev/null
}

# relayed MESSAGE: how often explorer's trace shows MESSAGE (hex) relayed to an icon's owner.
# explorer.exe writes to the stderr of whichever program started it first (the keeper's log
# or the driver's).
relayed() {
    cat "$WENV_DIR"/*.log "$WENV_DIR"/*.err 2>/dev/null | grep -c "systray:notify_owner relaying $1\b"
}

expect_icon Halted 101
gif=$WENV_DIR/clicked.gif
click 1
if wenv_driver --timeout 30000 children "Create Animated Screenshot" >/dev/null; then
    t_ok "a left click on the icon opened the save dialog"
else
    t_fail "no save dialog after a left click on the icon"
fi
t_expect_tray Ready
expect_icon Ready 102
wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null || t_fail "the save dialog took no name"
# A user's pause before the next click: nothing is awaited (savefile saw the dialog close),
# the press is meant to come a while after it.
sleep 1
click 1
wenv_driver emu-start >/dev/null
t_expect_tray Capturing
expect_icon Capturing 103
# The recording's length (the script's six frames take 3 s); t_expect_script checks the
# frames it holds, however many the load let it take.
sleep 3
click 1
t_expect_tray Halted
expect_icon Halted-again 101
t_expect_script "$gif" "$script" --size 96x64 --step 16 --first 0 --log "$WENV_STANDIN_LOG"

click 3
if wenv_driver wait-dialog-visible >/dev/null; then
    t_ok "a right click on the icon showed the settings dialog"
else
    t_fail "no settings dialog after a right click on the icon"
fi
wenv_driver click 1 >/dev/null
wenv_driver wait-dialog-hidden >/dev/null

# Three left clicks and a right one, each press relayed as such (the releases as 0x202, 0x205).
t_expect_soon -x "left presses relayed by explorer (WM_LBUTTONDOWN 0x201)" 10 3 relayed 0x201
t_expect_soon -x "right presses relayed by explorer (WM_RBUTTONDOWN 0x204)" 10 1 relayed 0x204

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
