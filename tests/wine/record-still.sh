#!/usr/bin/env bash
# StillMode: with the box ticked and OK pressed, a recording ends by itself at its second tick
# (the tray goes back to Halted without a press) and the file holds one framed image of the
# screen, without a delay; the next left press detects afresh. The file chosen exists already:
# the save dialog asks first, and the file is rewritten only when the recording starts. Then StillMode switched on with
# OK while an animation records: the next tick ends it with a framed image without a delay.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
script=$WENV_DIR/script.txt
printf '%s\n' 1045 1045 1045 1045 1045 1045 >"$script"

wenv_pixmote
wenv_standin --scale 2 --script "$(wenv_winpath "$script")"

echo "== StillMode set before the recording" >&2
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
wenv_driver click 1005 >/dev/null
wenv_driver click 1 >/dev/null
wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
# An existing file: the save dialog asks before it takes the name, and the file is replaced
# only when the recording starts.
still=$WENV_DIR/still.gif
echo "an older file" >"$still"
wenv_driver tray left >/dev/null
asked=$(wenv_driver savefile "$(wenv_winpath "$still")")
t_expect_contains "the save dialog asks before replacing a file" "$asked" "asked: "
wenv_driver box --yes >/dev/null || t_fail "no question to answer"
t_expect_tray Ready
t_expect_eq "the old file is untouched while Ready" "$(cat "$still")" "an older file"
wenv_driver tray left >/dev/null
t_expect_tray Halted 10
if report=$("$GIF_CHECK" "$still" --script "$script" --size 96x64 --still --first 0); then
    t_ok "still image matches the screen"
else
    t_fail "still image wrong"
fi
sed 's/^/    /' <<<"$report" >&2
[[ -f "$still" ]] && cp "$still" "$PIXMOTE_ARTIFACTS/still.gif"

wenv_driver tray left >/dev/null
t_expect_eq "the next left press asks for a file again" "$(wenv_driver savefile-cancel)" cancelled
t_expect_tray Halted

echo "== StillMode switched on while recording" >&2
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
wenv_driver click 1005 >/dev/null  # untick: an animation
wenv_driver click 1 >/dev/null
anim=$WENV_DIR/ends-still.gif
wenv_driver emu-reset >/dev/null
wenv_driver tray right >/dev/null  # the dialog stays open during the recording
wenv_driver wait-dialog-visible >/dev/null
wenv_driver tray left >/dev/null
wenv_driver savefile "$(wenv_winpath "$anim")" >/dev/null || t_fail "no save dialog"
wenv_driver tray left >/dev/null
wenv_driver emu-start >/dev/null
t_expect_tray Capturing
# Let three frames pass, then tick the box and press OK.
wenv_wait_file "$WENV_STANDIN_LOG" 20 '^frame 3 ' || t_fail "the stand-in's script stalled"
wenv_driver click 1005 >/dev/null
wenv_driver click 1 >/dev/null
t_expect_tray Halted 10
if report=$("$GIF_CHECK" "$anim" --script "$script" --size 96x64 --first 0 --ends-still \
    --slack "$WENV_SLACK"); then
    t_ok "animation ended by still mode matches the screen"
else
    t_fail "animation ended by still mode wrong"
fi
sed 's/^/    /' <<<"$report" >&2

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
