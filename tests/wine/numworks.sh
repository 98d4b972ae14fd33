#!/usr/bin/env bash
# Recordings of the NumWorks simulator, a real colour calculator emulator drawn by Direct3D in an
# SDL window, with nothing but the catalogue file that ships for it (res/catalogue/numworks.reg).
# Keys are typed while Pixmote records: from the home screen into the grapher, three functions
# typed and plotted. The client area is photographed after each key, and every LCD state must be
# a frame of the recording, in order, the last frame the last state (tests/wine/lib/numworks.sh,
# tools/lcd_states.py):
#   1. the window as it first starts, 458 x 888, the LCD 1:1;
#   2. the same window resized to 640 x 940, a size that is no whole scale and of another shape
#      (the photo is fitted, centred, with bars at the sides), started afresh.
# Prints the figures of every recording at the end. The simulator is built from
# ../shared/fixtures/numworks (cached in build-numworks/); skipped, with a message, where that
# folder is absent.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/numworks.sh
source "$PIXMOTE_ROOT/tests/wine/lib/numworks.sh"
nw_build_or_skip
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/numworks.reg"
# A profile that records in colour is held to the bar of exact pixels: at least 99.8 % on the
# home screen (the first state), 99.5 % on every other, a mean error of at most 0.05 a channel.
if grep -qi '^"Colors"=dword:00000001' "$PIXMOTE_ROOT/res/catalogue/numworks.reg"; then
    NW_CHECK_ARGS="--colour --first-exact 99.8 --exact 99.5 --mean-error 0.05"
fi

nw_start || t_finish
t_expect_eq "the simulator's first window" "${NW_CW}x$NW_CH" 458x888
wenv_pixmote
t_expect_tray Halted

echo "== the first-start window, 458 x 888" >&2
nw_record first "${NW_GRAPHER[@]}"
nw_stop

echo "== resized to 640 x 940, started afresh" >&2
nw_start || t_finish
nw_resize 640 940 || t_fail "the simulator could not be resized to 640 x 940"
t_expect_eq "client after the resize" "${NW_CW}x$NW_CH" 640x940
nw_record resized "${NW_GRAPHER[@]}"
nw_stop

wenv_driver close >/dev/null
t_expect_eq "Pixmote's exit code after Exit" "$(wenv_pixmote_exit_code 15)" 0
echo "NumWorks figures:" >&2
printf '  %s\n' "${NW_FIGURES[@]}" >&2
t_finish
