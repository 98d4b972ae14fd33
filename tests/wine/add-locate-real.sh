#!/usr/bin/env bash
# pixmote-add.exe /locate on Free42's real window at the sizes a user meets in the first minute:
# the first start (340 x 617), resized to 0.75, 1.1, 1.25, 1.37 and 1.5 times, and the Standard
# skin (300 x 346, 2 px short of the skin). In each state a few digits are typed first (as a
# user does when the helper asks for them), /locate writes its profile, the profile alone is
# imported as the catalogue, and Pixmote records while keys are typed: every screen state must
# be a frame of the recording, dot for dot (tests/wine/lib/free42.sh). One Free42 start serves
# every state. Then the NumWorks simulator (../shared/fixtures/numworks, built into
# build-numworks/) at its first size, 458 x 888, recorded in grays. Prints, for each state, what
# /locate proposed and how long it took. Skipped, with a message, where
# ../shared/fixtures/free42 is absent; the NumWorks part where build-numworks/epsilon.exe is.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/free42.sh
source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
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
# first size. Keys: Return held (it polls the keyboard) opens the Calculation app, digits are
# typed as text. It is put where Free42 was, clear of the tray; the F42_* geometry and f42_shot
# serve for its window too.
NW_EXE=$PIXMOTE_ROOT/build-numworks/epsilon.exe
NW_LAYOUT=458x888+69+67

# nw_key KEY: a key held long enough for the simulator's keyboard polling.
nw_key() {
    xdotool keydown "$1" sleep 0.15 keyup "$1"
}

# nw_settled: two photographs of the client 0.5 s apart are the same (the first frames after
# the start still change).
nw_settled() {
    f42_shot "$WENV_DIR/nw-a.ppm" && sleep 0.5 && f42_shot "$WENV_DIR/nw-b.ppm" &&
        cmp -s "$WENV_DIR/nw-a.ppm" "$WENV_DIR/nw-b.ppm"
}

# nw_record NAME KEY...: as f42_record, for the simulator (keys through nw_key or typed).
nw_record() {
    local name=$1 gif=$WENV_DIR/numworks-$1.gif shots=() n=0 key
    shift
    wenv_driver tray left >/dev/null
    wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null || {
        t_fail "$name: no save dialog after a left press"
        return 1
    }
    t_expect_tray Ready
    wenv_driver tray left >/dev/null
    t_expect_soon "$name: the start brings the simulator to the front" 15 "class=SDL_app" \
        wenv_driver foreground
    t_expect_tray Capturing
    xdotool mousemove $((F42_X + 229)) $((F42_Y + 30)) click 1
    poll_until 10 nw_settled || t_fail "$name: the simulator's screen does not settle"
    shots+=("$WENV_DIR/numworks-$name-0.ppm")
    f42_shot "${shots[-1]}"
    for key in "$@"; do
        n=$((n + 1))
        if [[ "$key" == Return ]]; then nw_key Return; else xdotool type -- "$key"; fi
        poll_until 10 nw_settled || t_fail "$name: the screen does not settle after $key"
        shots+=("$WENV_DIR/numworks-$name-$n.ppm")
        f42_shot "${shots[-1]}"
    done
    # Pixmote looks every 110 ms: the last state is seen before the stop.
    sleep 0.5
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    local report rc=0
    report=$("$F42_LCD_CHECK" "$gif" --layout "$NW_LAYOUT" --dots 320x240 --dot 1x1 \
        --dump "$PIXMOTE_ARTIFACTS/numworks-$name-dots.txt" "${shots[@]}") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    F42_FIGURES+=("numworks $name (client ${F42_CW}x$F42_CH): $(grep '^frames' <<<"$report")")
    if ((rc == 0)); then
        t_ok "$name: every screen state is a frame of the recording, in order"
    else
        t_fail "$name: the recording does not show what the screen showed"
        cp "$gif" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    fi
}

if [[ -f "$NW_EXE" ]]; then
    echo "== NumWorks, first start" >&2
    wenv_bg epsilon "$NW_EXE"
    if out=$(wenv_driver --timeout 30000 win-move SDL_app "$F42_LEFT" "$F42_TOP") &&
        [[ "$out" =~ client\ ([0-9]+)x([0-9]+)\ at\ (-?[0-9]+),(-?[0-9]+) ]]; then
        F42_CW=${BASH_REMATCH[1]} F42_CH=${BASH_REMATCH[2]}
        F42_X=${BASH_REMATCH[3]} F42_Y=${BASH_REMATCH[4]}
        t_expect_eq "the simulator's first client" "${F42_CW}x$F42_CH" 458x888
        poll_until 15 nw_settled || t_fail "the simulator's first screen does not settle"
        if locate_state numworks-first SDL_app Epsilon 320 240; then
            nw_record first Return 12 + 3 Return
        fi
    else
        t_fail "the simulator's window did not show"
    fi
else
    echo "add-locate-real: $NW_EXE is absent: the NumWorks case is skipped" >&2
fi

wenv_driver close >/dev/null
echo "What /locate proposed:" >&2
printf '  %s\n' "${LOCATED[@]}" >&2
echo "Free42 figures:" >&2
printf '  %s\n' "${F42_FIGURES[@]}" >&2
t_finish
