#!/usr/bin/env bash
# A recording on a display scaled to 150 %: the prefix's DPI is 144 (LogPixels, set before
# Wine's shell starts) and the stand-in declares itself DPI-aware (--dpi-aware), as the
# emulators that draw in physical pixels do. Pixmote must see the stand-in's client area in
# physical pixels (192 x 128 at scale 2, as the stand-in logs it itself), find it, and record
# every frame of the script with the right pixels; its tray icon must be the 24 x 24 art, the
# small-icon size at 150 %, pixel for pixel, in each state.
#
# What Wine 8 does at 144 DPI: it treats every process as DPI-aware, with a manifest or
# without one (IsProcessDPIAware is TRUE in a program that never asked), so every program gets
# the 144-DPI fonts and system metrics (SM_CXSMICON 24) and nothing is virtualised:
# GetClientRect reports physical pixels to everyone, and the stand-in's client area is
# 192 x 128 with or without --dpi-aware. Its shell's tray grows to 28-pixel slots and shows
# the 24 x 24 image unscaled. So Wine cannot show the fault the manifest mends on Windows (a
# DPI-unaware program seeing logical sizes); this check shows that Pixmote records and shows
# its tray right at 150 %.
# shellcheck source=scripts/wine-env.sh
WENV_DPI=144
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
script=$WENV_DIR/script.txt
for hold in 495 605 715 495 825 1045; do echo "$hold"; done >"$script"

t_expect_eq "the prefix's DPI" \
    "$(timeout 60 wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null |
        tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')" 0x90

# expect_icon STATE GROUP: around icon slot 0 the screen comes to show the 24 x 24 art of
# GROUP (res/icons/halted-24.txt with the group's lamps), every opaque pixel exact.
expect_icon() {
    if poll_until 15 icon_shows "$@"; then
        t_ok "$1: $ICON_REPORT"
    else
        t_fail "$1: $ICON_REPORT"
    fi
}

# icon_shows STATE GROUP: one look at slot 0 (the pointer moved away, so that no tooltip covers
# it; the tooltip goes some time later); what it found in ICON_REPORT.
icon_shows() {
    local dump=$WENV_DIR/slot-$1.txt
    xdotool mousemove $((slot_x + 150)) $((slot_y + 60)) 2>/dev/null
    timeout 20 import -window root -crop "48x48+$((slot_x - 8))+$((slot_y - 12))" +repage \
        -depth 8 txt:- >"$dump" 2>/dev/null
    ICON_REPORT=$(python3 - "$PIXMOTE_ROOT" "$dump" "$2" <<'EOF'
import os, re, sys
root, dump, group = sys.argv[1], sys.argv[2], int(sys.argv[3])
sys.path.insert(0, os.path.join(root, "tools"))
import make_icons
shot = {}
with open(dump, errors="replace") as f:
    for line in f:
        m = re.match(r"^(\d+),(\d+):.*#([0-9A-Fa-f]{6})", line)
        if m:
            shot[(int(m[1]), int(m[2]))] = tuple(int(m[3][i:i + 2], 16) for i in (0, 2, 4))
groups = make_icons.read_lamps(os.path.join(root, "res/icons/lamps.txt"))
art = make_icons.read_art(os.path.join(root, "res/icons/halted-24.txt"))
rows = make_icons.repaint(art, groups[0][1], dict(groups)[group])
opaque = [(x, y, make_icons.VGA_PALETTE[int(c, 16)])
          for y, row in enumerate(rows) for x, c in enumerate(row) if c != "."]
exact, dx, dy = max((sum(shot.get((x + dx, y + dy)) == c for x, y, c in opaque), dx, dy)
                    for dy in range(25) for dx in range(25))
print(f"{exact}/{len(opaque)} pixels of the 24 x 24 art of group {group} exact, "
      f"at ({dx - 8},{dy - 12}) of the slot")
sys.exit(0 if exact == len(opaque) else 1)
EOF
    )
}

# tray_settled: parks the tray window afresh; true once its client area is where the parking
# before found it (the shell sets the window's frame after showing it).
tray_settled() {
    local now
    rm -f "$WENV_DIR/tray-client"
    now=$(wenv_tray_park "$tray")
    [[ -n "$now" && "$now" == "${tray_parked:-}" ]] && return 0
    tray_parked=$now
    return 1
}

wenv_pixmote
tray=$(wenv_tray_window) || t_fail "no tray window"
POLL_INTERVAL=0.5 poll_until 15 tray_settled || t_fail "the tray window did not settle"
read -r slot_x slot_y <<<"$tray_parked"
t_expect_tray Halted
expect_icon Halted 101

wenv_standin --dpi-aware --scale 2 --script "$(wenv_winpath "$script")"
t_expect_eq "the stand-in's own client size" \
    "$(tr -d '\r' <"$WENV_STANDIN_LOG" | sed -n 's/^client //p')" "192 128"
t_expect_contains "the client size as a program without a manifest sees it" \
    "$(wenv_driver emu-info)" "client 192x128"

during_capture() {
    expect_icon Capturing 103
    wenv_screenshot dpi-144-capturing >/dev/null
}
WENV_DURING_CAPTURE=during_capture
wenv_record "$WENV_DIR/dpi144.gif" "$script" --size 96x64 --step 16
expect_icon Halted-again 101

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
