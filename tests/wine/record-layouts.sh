#!/usr/bin/env bash
# Recordings of the stand-in in the other window shapes the catalogue describes, at 110 ms:
# the calculator face at scale 2 (the screen is found inside the 320 x 560 client area
# through the layout values) and the bare screen at scale 3 (288 x 192, shrunk to 96 x 64).
# The settings dialog stays open beside the emulator the whole time.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/standin.reg"
script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 825 495 >"$script"

wenv_pixmote
# The settings dialog in front, so that the start has to bring the emulator forward.
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
t_expect_contains "settings dialog in front" "$(wenv_driver foreground)" \
    "title=Pixmote Configuration"

echo "== face layout, scale 2" >&2
wenv_standin --face --scale 2 --script "$(wenv_winpath "$script")"
t_expect_contains "face client area" "$(wenv_driver emu-info)" "client 320x560"
wenv_record "$WENV_DIR/face.gif" "$script" --size 96x64 --step 16
wenv_screenshot face-layout >/dev/null
wenv_standin_stop

echo "== bare screen, scale 3" >&2
wenv_standin --scale 3 --script "$(wenv_winpath "$script")"
t_expect_contains "bare client area" "$(wenv_driver emu-info)" "client 288x192"
wenv_record "$WENV_DIR/bare3.gif" "$script" --size 96x64 --step 16

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
