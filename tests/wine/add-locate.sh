#!/usr/bin/env bash
# pixmote-add.exe /locate on real windows: the emulator stand-in in its bare and face shapes,
# and Free42 at its first-start size (built from ../shared/fixtures/free42; skipped with a
# message when that folder is absent). Each written profile is compared with the exact one;
# the stand-in's face profile is then imported and recorded by pixmote.exe.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
ADD_EXE=${PIXMOTE_ADD_EXE:-$(dirname "$PIXMOTE_EXE")/pixmote-add.exe}
[[ -f "$ADD_EXE" ]] || { echo "FAIL $WENV_NAME: $ADD_EXE is missing"; exit 1; }
wenv_start

# locate NAME CLASS CAPTION ACROSS DOWN: runs /locate into $WENV_DIR/NAME.reg; prints the exit
# code and the profile's values, one a line, without the header.
locate() {
    local name=$1 reg=$WENV_DIR/$1.reg rc
    rm -f "$reg"
    timeout 60 wine "$ADD_EXE" /locate "$2" "$3" "$4" "$5" /out "$(wenv_winpath "$reg")" \
        >/dev/null 2>>"$WENV_DIR/add.err"
    rc=$?
    echo "exit $rc"
    [[ -f "$reg" ]] && grep '^"' "$reg" | tr -d '\r' | grep -v -e ClassName -e '"Caption"'
}

# locate_line ARGS...: locate's answer on one line.
locate_line() {
    locate "$@" | tr '\n' ' '
}

# expect_profile WHAT SECONDS WANT LOCATE_ARGS...: /locate comes to write the profile WANT
# (the window may not show its screen yet when it is first found).
expect_profile() {
    local what=$1 seconds=$2 want=$3
    shift 3
    t_expect_soon -x "$what" "$seconds" "$(tr '\n' ' ' <<<"$want")" locate_line "$@"
}

for scale in 1 2 3; do
    echo "== bare stand-in, scale $scale" >&2
    wenv_standin --scale "$scale" --pattern 3
    expect_profile "bare x$scale" 20 'exit 0
"CX"=dword:00000060
"CY"=dword:00000040' bare$scale CalcStandIn "Calculator Stand-In" 96 64
    wenv_standin_stop
done

echo "== face stand-in, scale 2" >&2
wenv_standin --face --scale 2 --pattern 5
wenv_screenshot add-locate-face >/dev/null
expect_profile "face x2" 20 'exit 0
"CX"=dword:00000060
"CY"=dword:00000040
"RCX"=dword:000000a0
"RCY"=dword:00000118
"RX"=dword:00000020
"RY"=dword:00000028' face CalcStandIn "Calculator Stand-In" 96 64
t_expect_eq "no such window" "$(locate none CalcStandIn "No Such Caption" 96 64)" "exit 2"
t_expect_eq "no screen of that size" "$(locate big CalcStandIn "Calculator Stand-In" 400 64)" \
    "exit 3"
t_expect_eq "bad arguments" "$(locate bad CalcStandIn "Calculator Stand-In" 96 0)" "exit 4"

echo "== the face profile, recorded" >&2
script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 495 >"$script"
wenv_standin_stop
wenv_reg_import "$WENV_DIR/face.reg"
wenv_standin --face --scale 2 --script "$(wenv_winpath "$script")"
wenv_pixmote
wenv_record "$WENV_DIR/face.gif" "$script" --size 96x64 --step 16
wenv_driver close >/dev/null
wenv_standin_stop

free42=$PIXMOTE_ROOT/../shared/fixtures/free42
if [[ -x "$free42/build.sh" ]]; then
    echo "== Free42, first start" >&2
    exe=$("$free42/build.sh" "${PIXMOTE_FREE42_DIR:-$PIXMOTE_ROOT/build-free42}" 2>>"$WENV_DIR/free42-build.log" | tail -1)
    wenv_bg free42 "$exe"
    # Free42 starts, sizes its window and draws its skin and screen: /locate is asked until it
    # finds the whole profile.
    expect_profile "Free42 first start" 90 'exit 0
"CX"=dword:00000106
"CY"=dword:00000030
"RCX"=dword:00000154
"RCY"=dword:00000269
"RX"=dword:00000028
"RY"=dword:0000008a
"AnyScale"=dword:00000001
"DotWidth"=dword:00000002
"DotHeight"=dword:00000003' free42 FREE42 "Free42 Binary" 131 16
    wenv_screenshot add-locate-free42 >/dev/null
else
    echo "add-locate: $free42 is absent: the Free42 case is skipped" >&2
fi
t_finish
