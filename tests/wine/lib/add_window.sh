# shellcheck shell=bash
# The helper pixmote-add.exe used through its window as a person would, for the Wine checks.
# Sourced after scripts/wine-env.sh:
#
#   source "$PIXMOTE_ROOT/tests/wine/lib/add_window.sh"
#   wenv_standin --class MyCalc --caption "My Calc" --face --scale 2 ...
#   addw_start "$ADD_EXE"           # starts the helper and waits for its window
#   addw_find NAME [drag]           # picks "My Calc" in the list (or drags the finder's cross
#                                   # onto it), takes the 96 x 64 calculator, finds the screen;
#                                   # screenshots NAME-1-pick, NAME-2-find
#   addw_mark_at                    # where the outline is in the window's picture against
#                                   # where the stand-in's screen lies (a screenshot)
#   addw_save NAME                  # presses Save and expects the profile saved and found by
#                                   # Pixmote's detection; screenshot NAME-3-saved
#   addw_close                      # Close, and waits for the helper to end
#
# The stand-in at scale 2 in its face layout (320 x 560) gives the profile ADDW_PROFILE_TEXT
# (one GIF pixel per dot, the values ADDW_REG_VALUES), saved as Added\My Calc.

# The helper's controls (add/resource.h).
ADDW_WINDOWS=1101
ADDW_FINDER=1103
ADDW_CALCULATORS=1104
ADDW_FIND=1107
ADDW_STATUS=1108
ADDW_PROFILE=1117
ADDW_SAVE=1120
ADDW_CLOSE=2
ADDW_EXPORT=1121
ADDW_WINDOW_MARK=1123
ADDW_PROFILE_TEXT="CX 96, CY 64; RCX 160, RCY 280, RX 32, RY 40"
# The values of that profile, as lines of a .reg file, in the order the helper exports them.
ADDW_REG_VALUES=('"ClassName"="MyCalc"' '"Caption"="My Calc"' '"CX"=dword:00000060'
    '"CY"=dword:00000040' '"RCX"=dword:000000a0' '"RCY"=dword:00000118' '"RX"=dword:00000020'
    '"RY"=dword:00000028')
ADDW_PID=""

# addw_status TEXT SECONDS: waits until the helper's status line holds TEXT; prints it.
addw_status() {
    POLL_INTERVAL=0.3 poll_output "$2" "$1" wenv_driver add-text $ADDW_STATUS
}

addw_start() {
    wenv_bg add "$1"
    ADDW_PID=$WENV_LAST_PID
    POLL_INTERVAL=0.3 poll_until 30 wenv_driver add-text $ADDW_STATUS >/dev/null 2>&1 && return 0
    t_fail "the helper's window did not show"
    return 1
}

addw_find() {
    if [[ "${2:-}" == drag ]]; then
        addw_drag_pick
        t_expect_contains "the emulator picked with the finder" "$(addw_status Picked 10)" \
            'Picked "My Calc"'
        t_expect_soon "the list shows the picked window" 10 "My Calc  [MyCalc]  320 x 560" \
            wenv_driver add-text $ADDW_WINDOWS
    else
        t_expect_contains "the helper's list offers the emulator" \
            "$(wenv_driver add-select $ADDW_WINDOWS "My Calc")" "selected row"
        t_expect_contains "the emulator picked" "$(addw_status Picked 10)" 'Picked "My Calc"'
    fi
    wenv_screenshot "$1-1-pick" >/dev/null
    wenv_driver add-select $ADDW_CALCULATORS "TI-73" >/dev/null
    wenv_driver add-click $ADDW_FIND >/dev/null
    t_expect_contains "the screen found" "$(addw_status Found 20)" "Found"
    t_expect_soon "the proposed profile" 10 "$ADDW_PROFILE_TEXT" wenv_driver add-text $ADDW_PROFILE
    # A few ticks of the live preview for the screenshot, which is only looked at: nothing to
    # wait for.
    sleep 1
    wenv_screenshot "$1-2-find" >/dev/null
}

# addw_drag_pick: presses on the finder's cross, drags the pointer onto the middle of the
# stand-in's client area (X pointer events, as a person's mouse gives them) and lets go there.
addw_drag_pick() {
    local finder info x y
    read -r -a finder <<<"$(wenv_driver add-rect $ADDW_FINDER)"
    info=$(wenv_driver win-info MyCalc)
    if ((${#finder[@]} != 4)) || [[ ! "$info" =~ client\ ([0-9]+)x([0-9]+)\ at\ (-?[0-9]+),(-?[0-9]+) ]]; then
        t_fail "no finder or no stand-in to drag onto ($info)"
        return 1
    fi
    x=$((BASH_REMATCH[3] + BASH_REMATCH[1] / 2))
    y=$((BASH_REMATCH[4] + BASH_REMATCH[2] / 2))
    # The pauses pace the drag as a hand does: the finder follows the pointer inside the
    # helper, which shows nothing outside to wait for; what it picked is polled by the caller.
    xdotool mousemove $(((finder[0] + finder[2]) / 2)) $(((finder[1] + finder[3]) / 2)) \
        sleep 0.3 mousedown 1 sleep 0.3 mousemove $((x - 40)) $((y - 40)) sleep 0.3 \
        mousemove "$x" "$y" sleep 0.3 mouseup 1 2>/dev/null
}

# addw_mark_at: finds the red outline in a screenshot of the helper's window picture and prints
# "outline at the screen's place" when each of its edges lies within 2 pixels of where the
# stand-in's screen (192 x 128 at (64, 80) of its 320 x 560 client) comes, scaled into the
# static and centred there as the static centres its bitmap; otherwise what it measured.
addw_mark_at() {
    local box shot=$WENV_DIR/mark.png found
    read -r -a box <<<"$(wenv_driver add-rect $ADDW_WINDOW_MARK)"
    ((${#box[@]} == 4)) || { echo "no window picture"; return 1; }
    timeout 30 import -window root "$shot" 2>/dev/null || { echo "no screenshot"; return 1; }
    # The bounding box of the pure red pixels inside the static: WxH+X+Y.
    found=$(convert "$shot" -crop "$((box[2] - box[0]))x$((box[3] - box[1]))+${box[0]}+${box[1]}" \
        +repage -fill black +opaque '#FF0000' -fill white -opaque '#FF0000' -format '%@' info: \
        2>/dev/null)
    # (A picture without red trims to one pixel.)
    if [[ ! "$found" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || ((BASH_REMATCH[1] < 5)); then
        echo "no outline ($found)"
        return 1
    fi
    awk -v w="$((box[2] - box[0]))" -v h="$((box[3] - box[1]))" -v fw="${BASH_REMATCH[1]}" \
        -v fh="${BASH_REMATCH[2]}" -v fx="${BASH_REMATCH[3]}" -v fy="${BASH_REMATCH[4]}" '
        function round(v) { return int(v + 0.5) }
        BEGIN {
            # The static has a 1-pixel sunken edge; the bitmap fits inside, never enlarged.
            iw = w - 2; ih = h - 2
            s = iw / 320; if (ih / 560 < s) s = ih / 560; if (s > 1) s = 1
            bw = round(320 * s); bh = round(560 * s)
            ox = 1 + int((iw - bw) / 2); oy = 1 + int((ih - bh) / 2)
            l = ox + round(64 * bw / 320) - 2; t = oy + round(80 * bh / 560) - 2
            r = ox + round(256 * bw / 320) + 2; b = oy + round(208 * bh / 560) + 2
            d = 0
            for (i = 1; i <= 4; i++) {
                v = (i == 1 ? fx - l : i == 2 ? fy - t : i == 3 ? fx + fw - r : fy + fh - b)
                if (v < 0) v = -v
                if (v > d) d = v
            }
            if (d <= 2) print "outline at the screen'"'"'s place"
            else printf "outline %d,%d-%d,%d, want %d,%d-%d,%d\n", fx, fy, fx + fw, fy + fh, l, t, r, b
        }'
}

addw_save() {
    wenv_driver add-click $ADDW_SAVE >/dev/null
    t_expect_contains "saved and found by Pixmote" "$(addw_status Saved 20)" \
        'Saved as Added\My Calc. Pixmote now records this window at 96 x 64.'
    wenv_screenshot "$1-3-saved" >/dev/null
}

addw_close() {
    wenv_driver add-click $ADDW_CLOSE >/dev/null
    poll_until 15 wenv_process_gone "$ADDW_PID" || t_fail "the helper did not end after Close"
    return 0
}
