#!/usr/bin/env bash
# Recordings of Free42, a real calculator emulator, with nothing but the catalogue file that
# ships for it (res/catalogue/free42.reg). Keys are typed while Pixmote records, the screen is
# photographed after each key, and every screen state must be a frame of the recording, in
# order, dot for dot, the last frame the last state (tests/wine/lib/free42.sh):
#   1. the window as it first starts: the Realistic skin, 340 x 617;
#   2. the same window resized to about 1.37 times (466 x 845) and 3. to 1.5 times (510 x 926);
#   4. the Standard skin after a switch from the Skin menu, which leaves the client 2 px short
#      of the skin (300 x 346).
# Prints the figures of every recording (frames, states found, dot mismatches) at the end.
# Skipped, with a message, where ../shared/fixtures/free42 is absent.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/free42.sh
source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
f42_build_or_skip
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/free42.reg"

f42_start || t_finish
t_expect_soon -x "Free42's first window" 15 340x617 f42_client_size
f42_geometry win-info
wenv_pixmote
t_expect_tray Halted

echo "== the first-start window, 340 x 617" >&2
f42_record first "$F42_REALISTIC" 7 ENTER 6 '*'

echo "== resized to 1.37 times" >&2
f42_geometry win-resize 466 845 || t_fail "Free42 could not be resized to 466 x 845"
f42_record scale137 "$F42_REALISTIC" 1 2 ENTER 5 /

echo "== resized to 1.5 times" >&2
f42_geometry win-resize 510 926 || t_fail "Free42 could not be resized to 510 x 926"
f42_record scale150 "$F42_REALISTIC" 8 ENTER 9 -

echo "== the Standard skin, from the Skin menu" >&2
f42_skin 2 || t_fail "the Skin menu did not change the window"
t_expect_eq "client after the switch to Standard" "${F42_CW}x$F42_CH" 300x346
f42_record standard "$F42_STANDARD" 3 ENTER 4 +

wenv_screenshot free42-last >/dev/null
wenv_driver close >/dev/null
t_expect_eq "Pixmote's exit code after Exit" "$(wenv_pixmote_exit_code 15)" 0
echo "Free42 figures:" >&2
printf '  %s\n' "${F42_FIGURES[@]}" >&2
t_finish
