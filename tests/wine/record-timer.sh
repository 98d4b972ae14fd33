#!/usr/bin/env bash
# Whole recordings of the stand-in's bare screen at scale 2 with each timer choice, 110, 220
# and 330 ms: every frame of the script must reach the GIF, in order, with the right pixels,
# and a delay within one step (16, 32, 48) of its screen time x 160 / 110. Each frame is held
# for a whole number of ticks and a half, so the ticks' jitter cannot add a step.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"

# script MULTIPLIER FILE: frames held 4.5 to 7.5 ticks of 110 x MULTIPLIER ms.
script() {
    local m=$1 hold
    : >"$2"
    for hold in 495 605 715 495 825 605; do
        echo $((hold * m)) >>"$2"
    done
}

choose_timer() {
    wenv_driver tray right >/dev/null
    wenv_driver wait-dialog-visible >/dev/null
    wenv_driver click "$1" >/dev/null
    wenv_driver click 1 >/dev/null
    wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
}

script 1 "$WENV_DIR/script-1.txt"
script 2 "$WENV_DIR/script-2.txt"
script 3 "$WENV_DIR/script-3.txt"

wenv_pixmote
t_expect_tray Halted

echo "== 110 ms" >&2
wenv_standin --scale 2 --script "$(wenv_winpath "$WENV_DIR/script-1.txt")"
wenv_record "$WENV_DIR/t110.gif" "$WENV_DIR/script-1.txt" --size 96x64 --step 16
wenv_standin_stop

echo "== 220 ms" >&2
choose_timer 40007
wenv_standin --scale 2 --script "$(wenv_winpath "$WENV_DIR/script-2.txt")"
wenv_record "$WENV_DIR/t220.gif" "$WENV_DIR/script-2.txt" --size 96x64 --step 32
wenv_standin_stop

echo "== 330 ms" >&2
choose_timer 40008
wenv_standin --scale 2 --script "$(wenv_winpath "$WENV_DIR/script-3.txt")"
wenv_record "$WENV_DIR/t330.gif" "$WENV_DIR/script-3.txt" --size 96x64 --step 48

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
