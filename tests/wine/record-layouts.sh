#!/usr/bin/env bash
# Recordings of the stand-in in the other window shapes the catalogue describes, at 110 ms:
# the calculator face at scale 2 (the screen is found inside the 320 x 560 client area
# through the layout values) and the bare screen at scale 3 (288 x 192, shrunk to 96 x 64).
# The settings dialog stays open beside the emulator until the second recording, in which a
# right press does nothing and a close request is refused with a box while the recording
# goes on ticking behind it. Then the bare window is moved and recorded once more.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 825 495 >"$script"

# shellcheck disable=SC2317  # called by wenv_record
while_capturing() {
    wenv_driver tray right >/dev/null
    t_expect_eq "right press while Capturing shows no dialog" \
        "$(wenv_driver dialog-state | grep '^visible=')" "visible=0"
    wenv_driver close >/dev/null
    local box
    box=$(wenv_driver box --keep)
    t_expect_contains "close refused while Capturing" "$box" \
        "text: The current screenshot has not yet been completed"
    wenv_screenshot refusal-during-recording >/dev/null
    sleep 1  # a span of the recording ticking on behind the box: nothing to wait for
    wenv_driver box >/dev/null
}

wenv_pixmote
# The settings dialog in front, so that the start has to bring the emulator forward.
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
t_expect_soon "settings dialog in front" 15 "title=Pixmote Configuration" wenv_driver foreground

echo "== face layout, scale 2" >&2
wenv_standin --face --scale 2 --script "$(wenv_winpath "$script")"
t_expect_contains "face client area" "$(wenv_driver emu-info)" "client 320x560"
wenv_record "$WENV_DIR/face.gif" "$script" --size 96x64 --step 16
wenv_screenshot face-layout >/dev/null
wenv_standin_stop
wenv_driver click 1 >/dev/null  # OK hides the dialog
wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"

echo "== bare screen, scale 3, a close request while recording" >&2
wenv_standin --scale 3 --script "$(wenv_winpath "$script")"
t_expect_contains "bare client area" "$(wenv_driver emu-info)" "client 288x192"
# Making the refusal's box keeps the program from its ticks for a moment, which a busy machine
# draws out to a few hundred ms: the ticks lost then shorten that frame's delay. Four steps of
# slack for this recording.
WENV_DURING_CAPTURE=while_capturing wenv_record "$WENV_DIR/bare3.gif" "$script" \
    --size 96x64 --step 16 --slack 4

echo "== the same window, moved" >&2
wenv_driver emu-move 40 320 >/dev/null || t_fail "the stand-in could not be moved"
wenv_record "$WENV_DIR/moved.gif" "$script" --size 96x64 --step 16

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
