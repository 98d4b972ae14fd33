# shellcheck shell=bash
# The NumWorks simulator (Epsilon 15.5.0, the firmware of a colour graphing calculator, in an
# SDL window), a real emulator for the Wine checks. Sourced after scripts/wine-env.sh:
#
#   source "$PIXMOTE_ROOT/tests/wine/lib/numworks.sh"
#   nw_build_or_skip               # before wenv_start: "SKIP: ..." and exit 0 without ../shared
#                                  # (nw_build: the same, but returns instead of ending the check)
#   wenv_start
#   nw_start                       # its window at (NW_LEFT, NW_TOP), its first screen drawn
#   wenv_pixmote
#   nw_record NAME STEP...         # one recording while the steps are typed, checked state by state
#   nw_resize W H                  # the client area to W x H, waited for
#
# The program is built once from ../shared/fixtures/numworks into build-numworks/ and reused by
# every later check (the fixture's build.sh reuses an exe built from the same snapshot). It
# saves nothing: every start shows the home screen (the apps grid).
#
# How it is driven: characters are typed through XTEST (xdotool type) to the focused X window;
# arrows, Return (OK), Escape (Back) and the other keys that it reads by polling the keyboard
# state are held 0.1 s. The window takes the focus from a click on the photo above the screen.
# The client area is photographed from the X server (ImageMagick) before the first step and
# after each one; tools/lcd_states.py then cuts the LCD out of each photograph and looks for
# every state, in order, among the recording's frames.
#
# Environment: PIXMOTE_NUMWORKS_FIXTURE (default ../shared/fixtures/numworks beside the
# repository), PIXMOTE_NUMWORKS_BUILD (default build-numworks).

# shellcheck source=tests/wine/lib/fixture.sh
source "$PIXMOTE_ROOT/tests/wine/lib/fixture.sh"

NW_FIXTURE=${PIXMOTE_NUMWORKS_FIXTURE:-$PIXMOTE_ROOT/../shared/fixtures/numworks}
NW_BUILD=${PIXMOTE_NUMWORKS_BUILD:-$PIXMOTE_ROOT/build-numworks}
NW_EXE=$NW_BUILD/epsilon.exe
NW_CHECK=$PIXMOTE_ROOT/tools/lcd_states.py
# Right of the settings dialog, the save dialog and the boxes (at the screen's origin), above
# the tray (parked at the bottom left); a 640 x 940 client still fits a 1280 x 1024 screen.
NW_LEFT=600
NW_TOP=0
WENV_SCREEN=${WENV_SCREEN:-1280x1024x24}
# The steps from the home screen to the grapher with three functions plotted: Right, OK opens
# the Functions app; OK on "Add a function" edits a new one, typed and confirmed with OK; Down
# goes from the function to "Add a function" again; at last Down, Down, OK on "Plot graph".
# shellcheck disable=SC2034  # used by the checks
NW_GRAPHER=(key:Right key:Return key:Return type:3 alt:s type:x key:Return
    key:Down key:Return type:x*x*0.25-2 key:Return
    key:Down key:Return type:x-1 key:Return
    key:Down key:Down key:Return)

NW_X=0
NW_Y=0
NW_CW=0
NW_CH=0

# nw_build: builds epsilon.exe unless it is built already. Fails, saying why, without the
# fixture (NW_MISSING=1 then) or when the build fails.
nw_build() {
    local built=0
    fixture_build numworks "$NW_FIXTURE" "$NW_BUILD" || built=1
    NW_MISSING=$FIXTURE_MISSING
    return "$built"
}

# nw_build_or_skip: nw_build, for a check about the simulator alone: skipped (exit 0) without
# the fixture, failed (exit 1) when the build fails.
nw_build_or_skip() {
    nw_build && return 0
    ((NW_MISSING == 1)) && exit 0
    exit 1
}

# nw_geometry [win-info|win-resize W H|win-move X Y]: runs the driver command on the
# simulator's window and takes NW_CW, NW_CH, NW_X, NW_Y from its answer.
nw_geometry() {
    fixture_geometry NW SDL_app "$@"
}

# nw_shot FILE: the client area as it is on the screen, as a binary PPM.
nw_shot() {
    timeout 30 import -window root -crop "${NW_CW}x${NW_CH}+${NW_X}+${NW_Y}" +repage -depth 8 \
        "ppm:$1" 2>/dev/null
}

# nw_settled FILE: two photographs 0.4 s apart are the same (the simulator has stopped
# drawing); the last one is FILE.
nw_settled() {
    local before=$WENV_DIR/nw-settle.ppm
    nw_shot "$before" || return 1
    # Two looks in a row, so a screen drawn over a few frames is seen to have stopped.
    sleep 0.4
    nw_shot "$1" || return 1
    cmp -s "$before" "$1"
}

# nw_start: starts the simulator, waits for its window, puts it in place and waits until its
# first screen is drawn and still.
nw_start() {
    wenv_bg numworks "$NW_EXE"
    # shellcheck disable=SC2034  # for the checks: the wine process of the simulator
    NW_PID=$WENV_LAST_PID
    wenv_driver --timeout 30000 win-info SDL_app >/dev/null || {
        t_fail "the simulator's window did not show"
        return 1
    }
    nw_geometry win-move "$NW_LEFT" "$NW_TOP" || return 1
    poll_until 30 nw_lcd_drawn || {
        t_fail "the simulator's screen was not drawn"
        return 1
    }
}

# nw_lcd_drawn: the screen shows something (the home screen's white) and has stopped changing.
nw_lcd_drawn() {
    local shot=$WENV_DIR/nw-start.ppm
    nw_settled "$shot" && python3 "$NW_CHECK" lit "$shot" --client "${NW_CW}x$NW_CH"
}

# nw_resize W H: the client area to W x H, once the simulator has drawn at the new size.
nw_resize() {
    nw_geometry win-resize "$1" "$2" || return 1
    poll_until 20 nw_lcd_drawn
}

# nw_focus: one click on the photo above the screen, so that typed keys reach the simulator.
nw_focus() {
    xdotool mousemove $((NW_X + NW_CW / 2)) $((NW_Y + 20)) click 1
    # The click is polled by nothing: give Wine the focus change before the first key.
    sleep 0.3
}

# nw_step STEP: one step as a user types it: key:NAME held 0.1 s (the simulator polls those
# keys), alt:C Alt with a letter (a function), type:TEXT typed as characters.
nw_step() {
    case $1 in
        key:*) xdotool keydown "${1#key:}" sleep 0.1 keyup "${1#key:}" ;;
        alt:*) xdotool key alt+"${1#alt:}" ;;
        type:*) xdotool type --delay 150 -- "${1#type:}" ;;
        *) echo "numworks: unknown step $1" >&2 ;;
    esac
}

# nw_record NAME STEP...: one whole recording through the tray while the steps are typed: a
# left press and the file name (Ready), a left press (Capturing, the simulator in front), a
# photograph of the client area before the first step and after each one (once the screen is
# still), a left press (Halted). Then tools/lcd_states.py compares the recording with the
# photographs' LCDs; its figures go to NW_FIGURES. The recording and the check's report go to
# $PIXMOTE_ARTIFACTS. NW_CHECK_ARGS adds options of the check (--colour and its bars).
nw_record() {
    local name=$1
    shift
    local gif=$WENV_DIR/numworks-$name.gif
    local shots=() n=0 step
    wenv_driver tray left >/dev/null
    if ! wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null; then
        t_fail "$name: no save dialog after a left press"
        return 1
    fi
    t_expect_tray Ready
    wenv_driver tray left >/dev/null
    t_expect_soon "$name: the start brings the simulator to the front" 15 "class=SDL_app" \
        wenv_driver foreground
    t_expect_tray Capturing
    nw_focus
    shots+=("$WENV_DIR/numworks-$name-0.ppm")
    poll_until 10 nw_settled "${shots[-1]}"
    for step in "$@"; do
        n=$((n + 1))
        nw_step "$step"
        shots+=("$WENV_DIR/numworks-$name-$n.ppm")
        # Still for 0.4 s: drawn, and seen by Pixmote, which looks every 110 ms.
        poll_until 10 nw_settled "${shots[-1]}" || t_fail "$name: the screen kept changing"
    done
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    local report rc=0
    # shellcheck disable=SC2086  # NW_CHECK_ARGS is a list of options
    report=$(python3 "$NW_CHECK" match "$gif" --client "${NW_CW}x$NW_CH" ${NW_CHECK_ARGS:-} \
        "${shots[@]}") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    mkdir -p "$PIXMOTE_ARTIFACTS"
    printf '%s\n' "$report" >"$PIXMOTE_ARTIFACTS/numworks-$name-report.txt"
    NW_FIGURES+=("$name (client ${NW_CW}x$NW_CH): $(grep '^figures' <<<"$report")")
    if ((rc == 0)); then
        t_ok "$name: every screen state is a frame of the recording, in order"
    else
        t_fail "$name: the recording does not show what the screen showed"
        cp "${shots[@]}" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    fi
    cp "$gif" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
}

# nw_stop: closes the simulator and waits for it to end.
nw_stop() {
    wenv_driver win-close SDL_app >/dev/null || t_fail "the simulator did not close"
    local limit=$((SECONDS + 10))
    while kill -0 "$NW_PID" 2>/dev/null && ((SECONDS < limit)); do
        sleep 0.1
    done
}

NW_FIGURES=()
