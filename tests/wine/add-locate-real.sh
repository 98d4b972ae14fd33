#!/usr/bin/env bash
# pixmote-add.exe /locate on Free42's real window at the sizes a user meets in the first minute:
# the first start (340 x 617), resized to 0.75, 1.1, 1.25, 1.37 and 1.5 times, and the Standard
# skin (300 x 346, 2 px short of the skin). In each state a few digits are typed first (as a
# user does when the helper asks for them), /locate writes its profile, the profile alone is
# imported as the catalogue, and Pixmote records while keys are typed: every screen state must
# be a frame of the recording, dot for dot (tests/wine/lib/free42.sh). One Free42 start serves
# every state. Then the NumWorks simulator (../shared/fixtures/numworks, built into
# build-numworks/) at its first size, 458 x 888, and resized to 640 x 940 and 600 x 1000 (its
# photo fitted between bars, the LCD smoothly scaled), and recorded once more at 540 x 960 with
# the last profile. Prints, for each state, what /locate proposed and how long it took. Skipped,
# with a message, where ../shared/fixtures/free42 is absent; the NumWorks part where
# ../shared/fixtures/numworks is.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/free42.sh
source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
# shellcheck source=tests/wine/lib/numworks.sh
source "$PIXMOTE_ROOT/tests/wine/lib/numworks.sh"
ADD_EXE=${PIXMOTE_ADD_EXE:-$(dirname "$PIXMOTE_EXE")/pixmote-add.exe}
[[ -f "$ADD_EXE" ]] || { echo "FAIL $WENV_NAME: $ADD_EXE is missing"; exit 1; }
f42_build_or_skip
wenv_start
wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'

LOCATED=()

# locate_state NAME [CLASS CAPTION ACROSS DOWN]: /locate on the emulator's window (Free42's by
# default) into $WENV_DIR/NAME.reg; the profile replaces the catalogue's group Added. Counts a
# failure when /locate finds nothing.
locate_state() {
    local name=$1 reg=$WENV_DIR/$1.reg rc started ms values
    local class=${2:-FREE42} caption=${3:-Free42 Binary} across=${4:-131} down=${5:-16}
    rm -f "$reg"
    # The picture /locate looks at, kept as a PNG (tests/data/locate is cut from these).
    f42_shot "$WENV_DIR/$name-client.ppm" &&
        convert "$WENV_DIR/$name-client.ppm" "$PIXMOTE_ARTIFACTS/add-locate-real-$name.png"
    started=$(date +%s%N)
    timeout 120 wine "$ADD_EXE" /locate "$class" "$caption" "$across" "$down" \
        /out "$(wenv_winpath "$reg")" >/dev/null 2>"$WENV_DIR/$name-locate.err"
    rc=$?
    ms=$((($(date +%s%N) - started) / 1000000))
    values=$(grep '^"' "$reg" 2>/dev/null | tr -d '\r' | grep -v -e ClassName -e Caption |
        tr '\n' ' ')
    LOCATED+=("$name (client ${F42_CW}x$F42_CH): exit $rc in $ms ms: $values")
    if ((rc != 0)); then
        t_fail "$name: /locate found no screen: $(tr -d '\r' <"$WENV_DIR/$name-locate.err")"
        return 1
    fi
    t_ok "$name: /locate wrote a profile"
    timeout 60 wine reg delete 'HKCU\Software\Pixmote\Added' /f >>"$WENV_DIR/reg.log" 2>&1
    wenv_reg_import "$reg"
}

# type_digits KEY...: typed into Free42, each seen on the screen before the next is typed.
type_digits() {
    local key
    f42_focus
    for key in "$@"; do
        f42_press "$key"
        # Free42 redraws at once on a key; the keys are only needed before /locate looks.
        sleep 0.2
    done
}

# check_state NAME LAYOUT W H: Free42 resized to W x H (or left as it is for W 0), digits typed,
# located, recorded.
check_state() {
    local name=$1 layout=$2 w=$3 h=$4
    echo "== $name" >&2
    if ((w > 0)); then
        f42_geometry win-resize "$w" "$h" || t_fail "Free42 could not be resized to $w x $h"
        t_expect_soon "$name: Free42's client is ${w}x$h" 10 "client ${w}x$h" \
            wenv_driver win-info FREE42
        f42_geometry win-info
    fi
    type_digits 1 2 3 4 5 6 7 8 9 0 1 2 ENTER
    locate_state "$name" || return
    # Keys without Shift: Free42 ends the number entry on Shift's own press and redraws before
    # the shifted key arrives, a state the photograph after the key may miss.
    f42_record "$name" "$layout" 7 ENTER 6 -
}

f42_start || t_finish
t_expect_eq "Free42's first window" "${F42_CW}x$F42_CH" 340x617
wenv_pixmote
t_expect_tray Halted

check_state first "$F42_REALISTIC" 0 0
check_state scale075 "$F42_REALISTIC" 255 463
check_state scale110 "$F42_REALISTIC" 374 679
check_state scale125 "$F42_REALISTIC" 425 771
check_state scale137 "$F42_REALISTIC" 466 845
check_state scale150 "$F42_REALISTIC" 510 926
echo "== the Standard skin" >&2
f42_geometry win-resize 340 617
f42_skin 2 || t_fail "the Skin menu did not change the window"
t_expect_eq "client after the switch to Standard" "${F42_CW}x$F42_CH" 300x346
check_state standard "$F42_STANDARD" 0 0

f42_stop

# The NumWorks simulator: a colour LCD inside a photograph of the calculator, drawn 1:1 at the
# first size; resized, the photo is fitted into the client, centred between gray bars, and the
# LCD scaled smoothly. In each state /locate looks at the window, its profile alone is the
# catalogue, and Pixmote records while a calculation is typed (Return held opens the Calculation
# app from the home screen; later Returns enter the line), checked state by state against the
# photographs' LCDs (tests/wine/lib/numworks.sh, tools/lcd_states.py). Then the window is resized
# once more and recorded with the last profile: the profile follows the window.
NW_OPEN=(key:Return type:12 type:+3 key:Return)
NW_MORE=(type:7 type:*8 key:Return)

# nw_state NAME W H STEP...: the simulator resized to W x H (left as it is for W 0), located,
# recorded while the steps are typed.
nw_state() {
    local name=$1 w=$2 h=$3
    shift 3
    echo "== NumWorks, $name" >&2
    if ((w > 0)); then
        nw_resize "$w" "$h" || t_fail "the simulator could not be resized to $w x $h"
        t_expect_eq "the simulator's client for $name" "${NW_CW}x$NW_CH" "${w}x$h"
    fi
    # locate_state photographs the window through the F42_* geometry.
    F42_CW=$NW_CW F42_CH=$NW_CH F42_X=$NW_X F42_Y=$NW_Y
    locate_state "numworks-$name" SDL_app Epsilon 320 240 || return 1
    nw_check_args "$WENV_DIR/numworks-$name.reg"
    nw_record "$name" "$@"
}

# nw_check_args REG: the oracle's options for the profile's colours: a colour recording is held
# to the bar of tests/wine/numworks.sh; a gray one to the LCD's red.
nw_check_args() {
    if grep -qi '^"Colors"=dword:00000001' "$1"; then
        NW_CHECK_ARGS="--colour --first-exact 99.8 --exact 99.5 --mean-error 0.05"
    else
        NW_CHECK_ARGS=""
    fi
}

if nw_build; then
    if nw_start; then
        t_expect_eq "the simulator's first client" "${NW_CW}x$NW_CH" 458x888
        nw_state first 0 0 "${NW_OPEN[@]}"
        nw_state 640x940 640 940 "${NW_MORE[@]}"
        nw_state 600x1000 600 1000 "${NW_MORE[@]}"
        echo "== NumWorks, resized again to 540 x 960 with the profile found at 600 x 1000" >&2
        nw_resize 540 960 || t_fail "the simulator could not be resized to 540 x 960"
        t_expect_eq "the simulator's client, resized again" "${NW_CW}x$NW_CH" 540x960
        nw_record 540x960-again "${NW_MORE[@]}"
        nw_stop
    fi
else
    echo "add-locate-real: the NumWorks simulator is not built: its cases are skipped" >&2
fi

wenv_driver close >/dev/null
echo "What /locate proposed:" >&2
printf '  %s\n' "${LOCATED[@]}" >&2
echo "Free42 figures:" >&2
printf '  %s\n' "${F42_FIGURES[@]}" >&2
echo "NumWorks figures:" >&2
printf '  %s\n' "${NW_FIGURES[@]}" >&2
t_finish
