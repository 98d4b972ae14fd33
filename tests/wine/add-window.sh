#!/usr/bin/env bash
# pixmote-add.exe's window, used as a person would: the emulator stand-in runs under a class
# and caption no profile knows; the helper first says that Pixmote is not installed for this
# account, then, with the program key there, picks the window by dragging the finder's cross
# onto it (the installer check picks it from the list), takes the 96 x 64
# calculator and finds the screen (a face at scale 2); the window's picture beside the preview
# outlines that screen in red (found in a screenshot). The caption then gains a file name while
# the helper watches: the profile matches the caption's beginning (CaptionMatch). The helper
# saves, and exports the profile as a .reg file (compared byte for byte). pixmote.exe then records that emulator, and the recording is
# checked against the stand-in's script. Screenshots of the three steps go to
# $PIXMOTE_ARTIFACTS/add-window-*.png.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/add_window.sh
source "$PIXMOTE_ROOT/tests/wine/lib/add_window.sh"
ADD_EXE=${PIXMOTE_ADD_EXE:-$(dirname "$PIXMOTE_EXE")/pixmote-add.exe}
[[ -f "$ADD_EXE" ]] || { echo "FAIL $WENV_NAME: $ADD_EXE is missing"; exit 1; }
wenv_start

script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 495 >"$script"
wenv_standin --class MyCalc --caption "My Calc" --face --scale 2 --script "$(wenv_winpath "$script")" \
    --caption-suffix " - game.8xp" --suffix-after-ms 300
addw_start "$ADD_EXE" || t_finish

echo "== 1, 2. pick the window with the finder, say which calculator, find the screen" >&2
addw_find add-window drag

echo "== the window's picture outlines the screen found" >&2
t_expect_soon "the outline on the screen in the window's picture" 15 \
    "outline at the screen's place" addw_mark_at

echo "== the caption changes while the helper watches" >&2
wenv_driver emu-start >/dev/null  # the suffix comes 300 ms after the script starts
t_expect_contains "the helper sees the caption change" "$(addw_status "caption changed" 10)" \
    'the profile matches every caption that begins "My Calc"'
t_expect_soon "the profile matches the caption's beginning" 10 \
    "$ADDW_PROFILE_TEXT; caption begins \"My Calc\"" wenv_driver add-text $ADDW_PROFILE
values=("${ADDW_REG_VALUES[@]:0:2}" '"CaptionMatch"=dword:00000001' "${ADDW_REG_VALUES[@]:2}")

echo "== 3. save" >&2
wenv_driver add-click $ADDW_SAVE >/dev/null
box=$(wenv_driver box --keep)
wenv_screenshot add-window-3-not-installed >/dev/null
t_expect_contains "Pixmote not installed for this account" "$box" \
    "Pixmote is not installed for this account"
t_expect_contains "the box belongs to the helper's window" "$box" \
    "owner: Add an emulator to Pixmote"
wenv_driver box >/dev/null
t_expect_eq "nothing written without the program key" \
    "$(timeout 60 wine reg query 'HKCU\Software\Pixmote' >/dev/null 2>&1 && echo key || echo none)" \
    none
wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'
addw_save add-window

echo "== export .reg" >&2
exported=$WENV_DIR/exported.reg
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Pixmote\Added\My Calc]' \
    "${values[@]}" '' >"$WENV_DIR/expected.reg"
wenv_driver add-click $ADDW_EXPORT >/dev/null
t_expect_contains "the export's save dialog" \
    "$(wenv_driver savefile "$(wenv_winpath "$exported")")" "saved"
t_expect_contains "the helper says where" "$(addw_status Exported 10)" "Exported to"
if poll_until 10 cmp -s "$exported" "$WENV_DIR/expected.reg"; then
    t_ok "the exported .reg holds the saved profile"
else
    t_fail "the exported .reg differs: $(od -c "$exported" 2>&1 | head -20)"
fi

echo "== the saved profile, recorded by pixmote.exe" >&2
wenv_pixmote
WENV_EMU_TITLE="My Calc" wenv_record "$WENV_DIR/added.gif" "$script" --size 96x64 --step 16
addw_close
wenv_driver close >/dev/null
wenv_standin_stop
t_finish
