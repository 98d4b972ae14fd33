#!/usr/bin/env bash
# pixmote-add.exe's window, used as a person would: the emulator stand-in runs under a class
# and caption no profile knows; the helper first says that Pixmote is not installed for this
# account, then, with the program key there, picks the window from its list, takes the 96 x 64
# calculator, finds the screen (a face at scale 2) and saves. pixmote.exe then records that
# emulator, and the recording is checked against the stand-in's script. Screenshots of the three
# steps go to build-wine-artifacts/add-window-*.png.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
ADD_EXE=${PIXMOTE_ADD_EXE:-$(dirname "$PIXMOTE_EXE")/pixmote-add.exe}
[[ -f "$ADD_EXE" ]] || { echo "FAIL $WENV_NAME: $ADD_EXE is missing"; exit 1; }
wenv_start

# The helper's controls (add/resource.h).
WINDOWS=1101
CALCULATORS=1104
FIND=1107
STATUS=1108
PROFILE=1117
SAVE=1120

# status_until PATTERN SECONDS: waits until the helper's status line matches; prints it.
status_until() {
    local limit=$((SECONDS + $2)) text=""
    while ((SECONDS < limit)); do
        text=$(wenv_driver add-text $STATUS 2>/dev/null)
        grep -q -- "$1" <<<"$text" && break
        sleep 0.3
    done
    echo "$text"
}

script=$WENV_DIR/script.txt
printf '%s\n' 495 715 605 495 >"$script"
wenv_standin --class MyCalc --caption "My Calc" --face --scale 2 --script "$(wenv_winpath "$script")"
wenv_driver --timeout 30000 emu-info >/dev/null

wenv_bg add "$ADD_EXE"
for _ in $(seq 1 100); do
    wenv_driver add-text $STATUS >/dev/null 2>&1 && break
    sleep 0.3
done

echo "== 1. pick the window" >&2
t_expect_contains "the list offers the emulator" "$(wenv_driver add-select $WINDOWS "My Calc")" \
    "selected row"
t_expect_contains "picked" "$(status_until Picked 10)" 'Picked "My Calc"'
wenv_screenshot add-window-1-pick >/dev/null

echo "== 2. which calculator, find the screen" >&2
wenv_driver add-select $CALCULATORS "TI-73" >/dev/null
wenv_driver add-click $FIND >/dev/null
t_expect_contains "found" "$(status_until Found 20)" "Found"
t_expect_contains "the proposed profile" "$(wenv_driver add-text $PROFILE)" \
    "CX 96, CY 64; RCX 160, RCY 280, RX 32, RY 40"
wenv_screenshot add-window-2-find >/dev/null

echo "== 3. preview and save" >&2
sleep 1
wenv_screenshot add-window-3-preview >/dev/null
wenv_driver add-click $SAVE >/dev/null
t_expect_contains "Pixmote not installed for this account" "$(wenv_driver box)" \
    "Pixmote is not installed for this account"
wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'
wenv_driver add-click $SAVE >/dev/null
t_expect_contains "saved and found by Pixmote" "$(status_until Saved 20)" \
    'Saved as Added\My Calc. Pixmote now records this window at 96 x 64.'
wenv_screenshot add-window-3-saved >/dev/null

echo "== the saved profile, recorded by pixmote.exe" >&2
wenv_pixmote
WENV_EMU_TITLE="My Calc" wenv_record "$WENV_DIR/added.gif" "$script" --size 96x64 --step 16
wenv_driver close >/dev/null
wenv_standin_stop
t_finish
