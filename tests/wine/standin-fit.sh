#!/usr/bin/env bash
# Recordings of the stand-in in two shapes of real emulators that the shipped profiles of the
# NumWorks simulator rely on, each checked against its frame script:
#   1. a photo fitted into a window of any size and shape (--fit: scaled smoothly by one factor,
#      centred, grey bars round it), described by AnyScale 2 with FitWidth and FitHeight: at its
#      first size (the screen 1:1), resized to 520 x 500 (1.13 times, bars at the sides) and to
#      460 x 600 (1.35 times by the width, bars above and below). (A resize while recording is
#      not checked here: the stand-in, like a real emulator, shows a half-drawn window for a
#      moment, which a recording may catch.)
#   2. a window drawn as by the GPU (--black-copies): a copy out of its own device context is
#      black while the screen shows the picture; Pixmote takes the screen's copy instead.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# The stand-in sits at (600, 40): a 520 x 500 client needs a screen wider than 1024 pixels, or
# part of the window lies off the screen, where Wine keeps no pixels.
WENV_SCREEN=${WENV_SCREEN:-1280x1024x24}
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
# The fitted stand-in: 96 x 64 dots of 3 x 3 pixels (288 x 192) 20 px inside a 328 x 444 photo,
# which fills the height of its first client area, 368 x 444, centred: the screen at (40, 20).
fitted=$WENV_DIR/fitted.reg
printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Pixmote\FitCheck]' '' \
    '[HKEY_CURRENT_USER\Software\Pixmote\FitCheck\Photo]' \
    '"ClassName"="CalcStandIn"' '"Caption"="Fitted Stand-In"' \
    '"CX"=dword:00000120' '"CY"=dword:000000c0' \
    '"RCX"=dword:00000170' '"RCY"=dword:000001bc' '"RX"=dword:00000028' '"RY"=dword:00000014' \
    '"AnyScale"=dword:00000002' '"DotWidth"=dword:00000003' '"DotHeight"=dword:00000003' \
    '"FitWidth"=dword:00000148' '"FitHeight"=dword:000001bc' >"$fitted"
wenv_reg_import "$fitted"
# What this check is about is where the pictures come from; their delays are checked by the
# other recordings. Two steps of slack, so that a busy machine does not fail it.
script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 825 495 >"$script"

wenv_pixmote
t_expect_tray Halted

echo "== a photo fitted into its first size, 368 x 444" >&2
export WENV_EMU_TITLE="Fitted Stand-In"
wenv_standin --screen 96x64 --dots 3x3 --fit 368x444 --smooth --caption "$WENV_EMU_TITLE" \
    --script "$(wenv_winpath "$script")"
t_expect_contains "fitted client area" "$(wenv_driver emu-info)" "client 368x444"
wenv_record "$WENV_DIR/fit-first.gif" "$script" --size 288x192 --dots 3x3 --step 16 --slack 2

echo "== resized to 520 x 500" >&2
t_expect_soon "resized to 520 x 500" 15 "client 520x500" \
    wenv_driver win-resize CalcStandIn 520 500
wenv_record "$WENV_DIR/fit-520x500.gif" "$script" --size 288x192 --dots 3x3 --step 16 --slack 2

echo "== resized to 460 x 600" >&2
t_expect_soon "resized to 460 x 600" 15 "client 460x600" \
    wenv_driver win-resize CalcStandIn 460 600
wenv_record "$WENV_DIR/fit-460x600.gif" "$script" --size 288x192 --dots 3x3 --step 16 --slack 2
wenv_standin_stop
unset WENV_EMU_TITLE

echo "== drawn as by the GPU: its own copy is black" >&2
wenv_standin --scale 2 --black-copies --script "$(wenv_winpath "$script")"
t_expect_contains "bare client area" "$(wenv_driver emu-info)" "client 192x128"
# The stand-in logs what copies of its client area give, twice a second.
t_expect_soon "the window's own copy is black, the screen's is not" 15 \
    "copies window black screen picture" cat "$WENV_STANDIN_LOG"
wenv_record "$WENV_DIR/black-copies.gif" "$script" --size 96x64 --step 16 --slack 2
wenv_standin_stop

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
