#!/usr/bin/env bash
# The shipped Wabbitemu profiles (res/catalogue/wabbitemu.reg, imported alone), each proven
# against the emulator stand-in made to show the window that Wabbitemu's source describes:
# class z80, caption "Wabbitemu" and later "Wabbitemu (1)", the screen in a child window of
# class wabbitlcd (96s x 64s, 128s x 64s, 320s x 240s), a status bar under it without a skin,
# and the default skin (350 x 725, the child at (80, 92), 192 x 128). Each recording is checked
# against the stand-in's frame script. Then the windows no profile describes: the screen
# drawn in the main window itself, and a caption that does not begin with "Wabbitemu".
# The LCD child is another process's child window: under Wine that window's own context gives
# no copy, so these recordings also prove the grab's copy at the child's place.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/wabbitemu.reg"
export WENV_EMU_TITLE=Wabbitemu  # wenv_record: the window brought to the front
script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 825 495 >"$script"
wabbit=(--class z80 --caption Wabbitemu --screen-class wabbitlcd)
not_found="text: The software was unable to detect a supported emulator."

# log_value KEY: the rest of the stand-in log's first line that starts with KEY.
log_value() {
    tr -d '\r' <"$WENV_STANDIN_LOG" | sed -n "s/^$1 //p" | head -n 1
}

# shape NAME DOTS CLIENT SCREEN_WINDOW ARGS...: the stand-in with --screen DOTS ARGS and the
# frame script; its client area must be CLIENT and its screen window's SCREEN_WINDOW.
shape() {
    local name=$1 dots=$2 client=$3 screen_window=$4
    shift 4
    echo "== $name" >&2
    wenv_standin --screen "$dots" "${wabbit[@]}" "$@" --script "$(wenv_winpath "$script")" ||
        t_fail "$name: the stand-in did not start"
    t_expect_eq "$name: main client area" "$(log_value client)" "$client"
    t_expect_eq "$name: the LCD window's client area" "$(log_value screen-window)" \
        "$screen_window"
}

# not_detected WHAT: a left press finds no emulator.
not_detected() {
    wenv_driver tray left >/dev/null
    t_expect_contains "$1: not detected" "$(wenv_driver box)" "$not_found"
    t_expect_tray Halted
}

wenv_pixmote

# The default skin. The caption gains " (1)" 1.2 s into the first recording: the recording
# goes on, and the next left press finds the window by its new caption.
shape skin 96x64 "350 725" "192 128" --scale 2 --skin 350x725 --screen-at 80 92 --pos 600 0 \
    --caption-suffix " (1)" --suffix-after-ms 1200
wenv_record "$WENV_DIR/skin.gif" "$script" --size 96x64 --step 16
t_expect_soon "the caption changed while recording" 10 'caption "Wabbitemu (1)"' \
    cat "$WENV_STANDIN_LOG"
wenv_record "$WENV_DIR/skin-suffix.gif" "$script" --size 96x64 --step 16
wenv_standin_stop

shape status-bar-96x64-s3 96x64 "288 212" "288 192" --scale 3 --status-bar 20
wenv_record "$WENV_DIR/96x64-s3.gif" "$script" --size 96x64 --step 16
wenv_standin_stop

shape status-bar-128x64-s2 128x64 "256 148" "256 128" --scale 2 --status-bar 20
wenv_record "$WENV_DIR/128x64-s2.gif" "$script" --size 128x64 --step 16
wenv_standin_stop

shape status-bar-320x240-s2 320x240 "640 500" "640 480" --scale 2 --status-bar 20 --pos 300 0
wenv_record "$WENV_DIR/320x240-s2.gif" "$script" --size 320x240 --step 16
wenv_standin_stop

echo "== windows no profile describes" >&2
wenv_standin --class z80 --caption Wabbitemu --scale 2 --status-bar 20
not_detected "the screen in the main window, over a status bar"
wenv_standin_stop
wenv_standin --class z80 --caption Wabbit --screen-class wabbitlcd --scale 2
not_detected "a caption that only begins like Wabbitemu's"
wenv_standin_stop

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
