#!/usr/bin/env bash
# The emulator stand-in itself, which the recording checks rely on: its client area has the
# exact size of each shape (bare at scales 1 and 3, the face at scales 1 and 2, the colour-size
# screen), and read back through a window DC it shows exactly the pattern the checker expects;
# the demo screen moves.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start

# shape ARGS -- CLIENT PATTERN [W H]
shape() {
    local args=() client pattern size
    while [[ $1 != -- ]]; do args+=("$1"); shift; done
    shift
    client=$1 pattern=$2
    shift 2
    wenv_standin "${args[@]}" --pattern "$pattern"
    t_expect_contains "${args[*]}: client area" "$(wenv_driver emu-info)" "client $client"
    size=$(wenv_driver emu-verify "$pattern" "$@" | tail -n 1)
    t_expect_contains "${args[*]}: pixels of pattern $pattern" "$size" ": 0 wrong pixels"
}

shape --scale 1 -- 96x64 1
wenv_driver emu-pattern 7 >/dev/null
t_expect_contains "pattern changed on request" "$(wenv_driver emu-verify 7 | tail -n 1)" \
    ": 0 wrong pixels"
wenv_standin_stop
shape --scale 3 -- 288x192 2
wenv_standin_stop
shape --face -- 160x280 3
wenv_standin_stop
shape --face --scale 2 -- 320x560 4
wenv_standin_stop
shape --screen 320x240 -- 320x240 5 320 240
wenv_standin_stop

# demo_window: the stand-in's X window is there; its id in window.
demo_window() {
    window=$(xdotool search --onlyvisible --name '^Calculator Stand-In$' 2>/dev/null | head -n 1)
    [[ -n "$window" ]]
}

# demo_picture: a digest of what the stand-in's X window shows.
demo_picture() {
    timeout 20 import -window "$window" -depth 8 rgb:- 2>/dev/null | md5sum
}

# demo_moved: the window shows something other than the picture before, $a; $a becomes that.
demo_moved() {
    local now
    now=$(demo_picture)
    [[ "$now" != "$a" ]] && a=$now
}

wenv_standin --demo --scale 2
poll_until 15 demo_window || t_fail "no X window of the stand-in"
# Two changes in a row: the first could be the window's first picture reaching the X server.
a=$(demo_picture)
if poll_until 15 demo_moved && poll_until 15 demo_moved; then
    t_ok "demo screen moves"
else
    t_fail "demo screen stands still"
fi
shot=$(wenv_screenshot standin-demo) && echo "  screenshot: $shot" >&2
t_finish
