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

wenv_standin --demo --scale 2
window=$(xdotool search --name '^Calculator Stand-In$' | head -n 1)
a=$(import -window "$window" -depth 8 rgb:- | md5sum)
sleep 1.2
b=$(import -window "$window" -depth 8 rgb:- | md5sum)
if [[ "$a" != "$b" ]]; then
    t_ok "demo screen moves"
else
    t_fail "demo screen stands still"
fi
shot=$(wenv_screenshot standin-demo) && echo "  screenshot: $shot" >&2
t_finish
