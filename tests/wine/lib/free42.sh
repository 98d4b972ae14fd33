# shellcheck shell=bash
# Free42, a real calculator emulator (HP-42S, Windows port), for the Wine checks. Sourced after
# scripts/wine-env.sh:
#
#   source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
#   f42_build_or_skip              # before wenv_start: "SKIP: ..." and exit 0 without ../shared
#                                  # (f42_build: the same, but returns instead of ending the check)
#   wenv_start
#   f42_start                      # its window at (600, 0); F42_CW x F42_CH client at F42_X, F42_Y
#   wenv_pixmote
#   f42_record NAME LAYOUT KEY...  # one recording while typing keys, checked dot by dot
#
# The program is built once from ../shared/fixtures/free42 into build-free42/ and reused by
# every later check (the fixture's build.sh reuses an exe built from the same snapshot). Its
# state lives in %APPDATA%\Free42 of the check's own prefix, so each check starts it afresh,
# with the Realistic skin at 340 x 617.
#
# How it is driven: keys go through XTEST (xdotool) to the focused X window, and the window
# takes the focus from a click on its skin away from the keys, at client (200, 20). The screen
# is photographed from the X server (ImageMagick), the whole client area, after every key;
# pixmote-lcd-check then reduces each photograph to the 131 x 16 dots (each dot's centre,
# quantized like Pixmote does) and looks for every state, in order, among the recording's
# frames.
#
# Environment: PIXMOTE_FREE42_FIXTURE (default ../shared/fixtures/free42 beside the
# repository), PIXMOTE_FREE42_BUILD (default build-free42).

# shellcheck source=tests/wine/lib/fixture.sh
source "$PIXMOTE_ROOT/tests/wine/lib/fixture.sh"

F42_FIXTURE=${PIXMOTE_FREE42_FIXTURE:-$PIXMOTE_ROOT/../shared/fixtures/free42}
F42_BUILD=${PIXMOTE_FREE42_BUILD:-$PIXMOTE_ROOT/build-free42}
F42_EXE=$F42_BUILD/free42.exe
F42_LCD_CHECK=$PIXMOTE_TOOLS/pixmote-lcd-check
# Layouts at scale 1 as pixmote-lcd-check takes them: the client, and where the screen starts.
# shellcheck disable=SC2034  # used by the checks
F42_REALISTIC=340x617+40+138
# shellcheck disable=SC2034
F42_STANDARD=302x348+20+20
# Where the window is put: right of the settings dialog, the save dialog and the boxes (at the
# screen's origin) and above the tray (parked at the bottom left). A window 1.5 times the first
# size is 950 px tall with its frame, so the checks ask for a 1280 x 1024 screen.
F42_LEFT=600
F42_TOP=0
WENV_SCREEN=${WENV_SCREEN:-1280x1024x24}

F42_X=0
F42_Y=0
F42_CW=0
F42_CH=0

# f42_build: builds free42.exe unless it is built already. Fails, saying why, without the
# fixture (F42_MISSING=1 then) or when the build fails.
f42_build() {
    local built=0
    fixture_build free42 "$F42_FIXTURE" "$F42_BUILD" || built=1
    F42_MISSING=$FIXTURE_MISSING
    ((built == 0)) || return 1
    [[ -x "$F42_LCD_CHECK" ]] || {
        echo "free42: missing $F42_LCD_CHECK (scripts/build-tools.sh)" >&2
        return 1
    }
}

# f42_build_or_skip: f42_build, for a check about Free42 alone: skipped (exit 0) without the
# fixture, failed (exit 1) when the build fails.
f42_build_or_skip() {
    f42_build && return 0
    ((F42_MISSING == 1)) && exit 0
    exit 1
}

# f42_geometry [win-info|win-resize W H|win-move X Y]: runs the driver command on Free42's
# window and takes F42_CW, F42_CH, F42_X, F42_Y from its answer. Fails when there is none.
f42_geometry() {
    fixture_geometry F42 FREE42 "$@"
}

# f42_start: starts Free42 in the check's prefix, waits for its window and puts it in place.
f42_start() {
    wenv_bg free42 "$F42_EXE"
    # shellcheck disable=SC2034  # for the checks: the wine process of the emulator
    F42_PID=$WENV_LAST_PID
    wenv_driver --timeout 30000 win-info FREE42 >/dev/null || {
        t_fail "Free42's window did not show"
        return 1
    }
    f42_geometry win-move "$F42_LEFT" "$F42_TOP"
}

# f42_stop: closes Free42 (as its close box does) and waits for it to end.
f42_stop() {
    wenv_driver win-close FREE42 >/dev/null || t_fail "Free42 did not close"
    poll_until 10 wenv_process_gone "$F42_PID"
}

# f42_client_size: Free42's client size now, WxH.
f42_client_size() {
    f42_geometry win-info >/dev/null && echo "${F42_CW}x$F42_CH"
}

# f42_focus: one click on the skin away from the keys, so that typed keys reach Free42, and
# until Free42 is the foreground window.
f42_focus() {
    xdotool mousemove $((F42_X + 200)) $((F42_Y + 20)) click 1
    poll_output 10 "class=FREE42" wenv_driver foreground >/dev/null
    # Where X puts the keyboard focus is not seen through Wine: the pause lets the click's
    # focus change settle before the first key is typed.
    sleep 0.3
}

# f42_menu_open: a menu of Free42 has popped up.
f42_menu_open() {
    wenv_driver windows | grep -q "vis=1 class=#32768 "
}

# f42_lcd_digest SHOT LAYOUT: a digest of the screen, with a little of the face around it, in a
# photograph of the client area.
f42_lcd_digest() {
    local lw lh rx ry
    IFS='x+' read -r lw lh rx ry <<<"$2"
    local x=$(((rx - 4) * F42_CW / lw)) y=$(((ry - 4) * F42_CH / lh))
    local w=$(((262 + 8) * F42_CW / lw)) h=$(((48 + 8) * F42_CH / lh))
    convert "$1" -crop "${w}x$h+$x+$y" +repage -depth 8 rgb:- 2>/dev/null | md5sum
}

# f42_lcd_changed SHOT LAYOUT DIGEST: a new photograph SHOT shows a screen other than DIGEST.
f42_lcd_changed() {
    f42_shot "$1" && [[ "$(f42_lcd_digest "$1" "$2")" != "$3" ]]
}

# f42_press KEY: one key as a user types it: ENTER is Return, anything else its character.
f42_press() {
    if [[ "$1" == ENTER ]]; then
        xdotool key Return
    else
        xdotool type -- "$1"
    fi
}

# f42_shot FILE: the client area as it is on the screen, as a binary PPM.
f42_shot() {
    timeout 30 import -window root -crop "${F42_CW}x${F42_CH}+${F42_X}+${F42_Y}" +repage -depth 8 \
        "ppm:$1" 2>/dev/null
}

# f42_skin N: picks item N (from 1: Realistic, Standard) of the Skin menu with the keyboard,
# and waits for the client size to change. F10 enters the menu bar and S opens the Skin menu
# with its first item lit. (Not Alt+S: Free42 keeps its own note that Alt is held, from the
# key's press to its release, and the menu swallows the release; every key typed afterwards
# would then count as Alt+key and do nothing.)
f42_skin() {
    local before="${F42_CW}x$F42_CH" i
    f42_focus
    xdotool key F10
    # Menu mode shows nothing outside Free42 until a menu opens: the pause keeps F10 and S
    # apart as a typist would.
    sleep 0.3
    xdotool key s
    poll_until 10 f42_menu_open || return 1
    for ((i = 1; i < $1; ++i)); do
        xdotool key Down
        # The lit item is not seen from outside the menu: a typist's pace between keys.
        sleep 0.1
    done
    xdotool key Return
    POLL_INTERVAL=0.2 poll_until 10 f42_size_is_not "$before"
}

# f42_size_is_not SIZE: Free42's client size (F42_CW x F42_CH, read afresh) is not SIZE.
f42_size_is_not() {
    f42_geometry win-info && [[ "${F42_CW}x$F42_CH" != "$1" ]]
}

# f42_lcd_pngs NAME LAYOUT SHOT...: each shot's screen, with a little of the face around it,
# enlarged 3 times, as $PIXMOTE_ARTIFACTS/free42-NAME-N.png, to look at.
f42_lcd_pngs() {
    local name=$1 layout=$2 n=0 shot
    shift 2
    local lw lh rx ry
    IFS='x+' read -r lw lh rx ry <<<"$layout"
    local x=$(((rx - 4) * F42_CW / lw)) y=$(((ry - 4) * F42_CH / lh))
    local w=$(((262 + 8) * F42_CW / lw)) h=$(((48 + 8) * F42_CH / lh))
    mkdir -p "$PIXMOTE_ARTIFACTS"
    for shot in "$@"; do
        convert "$shot" -crop "${w}x$h+$x+$y" +repage -scale 300% \
            "$PIXMOTE_ARTIFACTS/free42-$name-$n.png" 2>/dev/null
        n=$((n + 1))
    done
}

# f42_record NAME LAYOUT KEY...: one whole recording through the tray while the keys are
# typed: a left press and the file name (Ready), a left press (Capturing, Free42 in front), a
# photograph of the client area before the first key and after each key, a left press
# (Halted). Then pixmote-lcd-check compares the recording with the photographs (LAYOUT as
# F42_REALISTIC or F42_STANDARD). The recording, the photographs' screens and the check's
# dump go to $PIXMOTE_ARTIFACTS.
f42_record() {
    local name=$1 layout=$2
    shift 2
    local gif=$WENV_DIR/free42-$name.gif
    local shots=() n=0 key
    wenv_driver tray left >/dev/null
    if ! wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null; then
        t_fail "$name: no save dialog after a left press"
        return 1
    fi
    t_expect_tray Ready
    wenv_driver tray left >/dev/null
    t_expect_soon "$name: the start brings Free42 to the front" 15 "class=FREE42" \
        wenv_driver foreground
    t_expect_tray Capturing
    f42_focus
    # Pixmote's ticks are not seen from outside until the file is finished: each screen state
    # is held for a few of them (110 ms each) before the next key or the stop.
    sleep 0.4
    shots+=("$WENV_DIR/free42-$name-0.ppm")
    f42_shot "${shots[-1]}"
    local before
    for key in "$@"; do
        n=$((n + 1))
        before=$(f42_lcd_digest "${shots[-1]}" "$layout")
        f42_press "$key"
        shots+=("$WENV_DIR/free42-$name-$n.ppm")
        # Every key of the checks changes the screen: the photograph waits for the redraw.
        poll_until 10 f42_lcd_changed "${shots[-1]}" "$layout" "$before" ||
            t_fail "$name: the screen did not change after the key $key"
        # Held for Pixmote's ticks (see above), then photographed again, settled.
        sleep 0.6
        f42_shot "${shots[-1]}"
    done
    sleep 0.4
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    local report rc=0
    report=$("$F42_LCD_CHECK" "$gif" --layout "$layout" \
        --dump "$PIXMOTE_ARTIFACTS/free42-$name-dots.txt" "${shots[@]}") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    F42_FIGURES+=("$name (client ${F42_CW}x$F42_CH): $(grep '^frames' <<<"$report")")
    if ((rc == 0)); then
        t_ok "$name: every screen state is a frame of the recording, in order"
    else
        t_fail "$name: the recording does not show what the screen showed"
    fi
    cp "$gif" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    f42_lcd_pngs "$name" "$layout" "${shots[@]}"
}

F42_FIGURES=()
