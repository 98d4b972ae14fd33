#!/usr/bin/env bash
# Faults around a recording, each of which must end with a whole GIF or a clean Halted, with
# nothing held afterwards: GDI objects, windows and kernel handles of Pixmote back where they
# were before the fault (counted by tools/probe, since Wine's GetGuiResources answers 0; Wine
# keeps what its dialogs and boxes load the first time, so the counts are taken after a warm-up,
# and where a fault brings something new, such as a new drive in the save dialog or two dialogs
# at once, its second run must add nothing to the first's; a burst of presses, whose states
# depend on the machine's pace, is run until a run adds nothing to the one before):
#  1. the emulator window is hidden for a while, and later closes mid-recording and another
#     opens: the recording goes on with the last picture copied (never with what lies behind
#     the window), the stop finishes a whole GIF, the next recording finds the new window;
#  2. the output folder is removed between the save dialog and the start: the warning
#     "Unable to open specified file for writing." and Halted, no file;
#  3. the session ends while capturing (WM_QUERYENDSESSION, WM_ENDSESSION): the file is
#     finished at once;
#  4. the disk fills mid-recording (a 64 KiB tmpfs as drive T:): the first write that does not
#     fit stops the recording with its warning, Halted; the file is closed (no process keeps it
#     open), cut back to its last complete image, and decodes whole; a recording after space
#     is freed is whole;
#  5. bursts of 50 tray presses within a second, from Halted, from Capturing, and left and
#     right mixed: the program survives and ends consistent (Halted once the boxes and the
#     save dialog it opened are answered), and the next recording is whole;
#  6. a catalogue of a thousand profiles with names at the length limits: names of 63
#     characters fit (group, profile, ClassName, Caption), a 64-character ClassName makes its
#     profile a non-match, a 64-character key name ends its level.
# Needs root for the tmpfs; without it part 4 is skipped (reported).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/hardening.sh"

SMALL_DISK=""
faults_cleanup() {
    local rc=$?
    if [[ -n "$SMALL_DISK" ]] && mountpoint -q "$SMALL_DISK"; then
        timeout 20 wineserver -k 2>/dev/null
        umount "$SMALL_DISK" 2>/dev/null || umount -l "$SMALL_DISK"
    fi
    (exit $rc)
    wenv_cleanup
}

wenv_start
trap faults_cleanup EXIT
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"

# Twelve frames of 3.5 ticks each.
script=$WENV_DIR/script.txt
for k in $(seq 0 11); do echo 385; done >"$script"
# The same timing with other pictures, for the window that opens later.
script2=$WENV_DIR/script2.txt
for k in $(seq 20 31); do echo "385 $k"; done >"$script2"

wenv_pixmote
wenv_standin --scale 2 --script "$(wenv_winpath "$script")"

echo "== warm-up: two recordings, a refusal box, the settings dialog" >&2
hard_quick_recording "$WENV_DIR/first.gif"
hard_start_recording "$WENV_DIR/second.gif"
wenv_driver close >/dev/null
wenv_driver box >/dev/null
wenv_driver tray left >/dev/null
t_expect_gif "a recording" "$WENV_DIR/second.gif" --size 96x64
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
wenv_driver click 1 >/dev/null
wenv_driver wait-dialog-hidden >/dev/null
t_expect_tray Halted
baseline=$(hard_objects)
echo "  after the warm-up: $baseline" >&2

echo "== 1. the emulator window is hidden, then closes mid-recording and another opens" >&2
before=$baseline
# Hidden for a second, with a new picture drawn meanwhile: the recording keeps the last picture
# copied (no copy of whatever lies behind the window) and resumes once the window is shown.
# The sleeps below are spans of the recording (pattern 3 shown, the window hidden, shown
# again), not waits for something: the check reads only the order of the pictures.
hidden_script=$WENV_DIR/hidden.txt
printf '1000 3\n1000 4\n' >"$hidden_script"
wenv_driver emu-pattern 3 >/dev/null
hard_start_recording "$WENV_DIR/hidden.gif"
sleep 1
hard_probe standin-shown 0 >/dev/null
wenv_driver emu-pattern 4 >/dev/null
sleep 1
t_expect_tray Capturing
hard_probe standin-shown 1 >/dev/null
sleep 1
wenv_driver tray left >/dev/null
t_expect_tray Halted
# A window shown again shows nothing drawn under Wine until the emulator has repainted it (its
# picture reaches the X server later than the window): a tick there may copy one blank image.
t_expect_script "$WENV_DIR/hidden.gif" "$hidden_script" --size 96x64 --step 16 --first 0 \
    --unpainted 1
gif=$WENV_DIR/closed.gif
wenv_driver emu-reset >/dev/null
hard_start_recording "$gif"
wenv_driver emu-start >/dev/null
# Spans of the recording, as above: frames of the first window, ticks on a window that is
# gone, ticks with another window open.
sleep 1.5
closed_log=$WENV_STANDIN_LOG
wenv_standin_stop
sleep 1
t_expect_eq "no warning while the window is gone" "$(wenv_driver no-box 500)" "no box"
t_expect_tray Capturing
wenv_standin --scale 2 --script "$(wenv_winpath "$script2")"
sleep 1
wenv_driver tray left >/dev/null
t_expect_tray Halted
t_expect_gif "recording through the closed window" "$gif" --size 96x64
# Only the first window's frames, in order: the recording holds the window it found.
t_expect_script "$gif" "$script" --size 96x64 --step 16 --first 0 --log "$closed_log"
t_expect_same_objects "after the closed-window recording" "$before"
echo "   the next recording finds the new window" >&2
hard_quick_recording "$WENV_DIR/reopened.gif"
t_expect_script "$WENV_DIR/reopened.gif" "$script2" --size 96x64 --step 16 --first 0
t_expect_same_objects "after the next recording" "$before"

echo "== 2. the output folder is removed before the start" >&2
before=$(hard_objects)
mkdir "$WENV_DIR/gone"
wenv_driver tray left >/dev/null
wenv_driver savefile "$(wenv_winpath "$WENV_DIR/gone/lost.gif")" >/dev/null ||
    t_fail "no save dialog"
# The folder goes and the press follows at once, possibly while the accepted save dialog is
# still closing: then the failed start's warning runs inside the dialog's loop, and its own loop
# must not leave the dialog's ending unnoticed (the next press would be ignored; see
# app/warning.cpp).
rmdir "$WENV_DIR/gone"
wenv_driver tray left >/dev/null
box=$(wenv_driver box --keep)
t_expect_contains "warning for the removed folder" "$box" \
    "text: Unable to open specified file for writing."
t_expect_tray Capturing
wenv_driver box >/dev/null
t_expect_tray Halted
t_expect_eq "no file and no folder made" "$(ls -d "$WENV_DIR/gone" 2>/dev/null)" ""
wenv_driver tray left >/dev/null
t_expect_eq "the next left press asks for a file again" \
    "$(wenv_driver --timeout 5000 savefile-cancel)" cancelled
t_expect_tray Halted
t_expect_same_objects "after the failed start" "$before"

echo "== 3. the session ends while capturing" >&2
before=$(hard_objects)
gif=$WENV_DIR/session.gif  # the window that opened in part 1 plays the second script
wenv_driver emu-reset >/dev/null
hard_start_recording "$gif"
wenv_driver emu-start >/dev/null
sleep 1.5  # a span of the recording before the session ends
out=$(wenv_driver endsession)
t_expect_contains "the session end is not refused" "$out" "queryendsession=1 (answered)"
t_expect_contains "WM_ENDSESSION answered" "$out" "endsession answered"
# Right after WM_ENDSESSION: the process may be ended from here on without a further message.
t_expect_gif "recording ended by the session end" "$gif" --size 96x64
t_expect_script "$gif" "$script2" --size 96x64 --step 16 --first 0 --log "$WENV_STANDIN_LOG"
t_expect_tray Halted
t_expect_same_objects "after the session end" "$before"

echo "== 4. the disk fills mid-recording" >&2
SMALL_DISK=$WENV_DIR/small
mkdir "$SMALL_DISK"
if ! mount -t tmpfs -o size=64k pixmote-small "$SMALL_DISK" 2>/dev/null; then
    SMALL_DISK=""
    echo "  SKIPPED: cannot mount a tmpfs (not root?)" >&2
else
    ln -s "$SMALL_DISK" "$WINEPREFIX/dosdevices/t:"
    wenv_standin_stop
    # The 320 x 240 screen (profile Color): big images, every fourth a whole new background.
    script3=$WENV_DIR/script3.txt
    for k in $(seq 0 29); do echo 330; done >"$script3"
    wenv_standin --screen 320x240 --script "$(wenv_winpath "$script3")"
    gif=$SMALL_DISK/full.gif
    wenv_driver tray left >/dev/null
    wenv_driver savefile 'T:\full.gif' >/dev/null || t_fail "no save dialog for T:"
    wenv_driver tray left >/dev/null
    wenv_driver emu-start >/dev/null
    # The first write that does not fit ends the recording: its warning, Halted, and the file
    # cut back to its last complete image.
    box=$(wenv_driver box)
    t_expect_contains "the full disk is reported" "$box" \
        "text: Unable to write to the animated GIF file. The recording was stopped; the frames recorded until then are kept."
    t_expect_tray Halted
    full_at=$(df --output=avail -k "$SMALL_DISK" | tail -n 1 | tr -d ' ')
    report=$("$GIF_INSPECT" "$gif" --size 320x240)
    sed 's/^FAIL /cut off: /; s/^/    /' <<<"$report" >&2
    size=$(stat -c %s "$gif")
    images=$(hard_field "$report" images)
    echo "  FULL-DISK FILE: $size bytes (KiB still free on the disk: $full_at);" \
        "$(head -n 1 <<<"$report")" >&2
    cp "$gif" "$PIXMOTE_ARTIFACTS/full-disk.gif" 2>/dev/null
    if ((images >= 1)) && grep -q '^GIF OK' <<<"$report"; then
        t_ok "the file decodes whole, $images images"
    else
        t_fail "the file left on the full disk is not a whole recording"
    fi
    first_on_t=$(hard_objects)
    # Nothing keeps the file open (the folder itself is Pixmote's current folder now: the save
    # dialog moves there).
    open_files() { find /proc/[0-9]*/fd -lname "$SMALL_DISK/*" 2>/dev/null | wc -l; }
    t_expect_soon -x "no file on the small disk left open" 10 0 open_files
    rm -f "$SMALL_DISK/full.gif"
    echo "   a recording after space is freed" >&2
    gif=$SMALL_DISK/after.gif
    wenv_driver emu-reset >/dev/null
    wenv_driver tray left >/dev/null
    wenv_driver savefile 'T:\after.gif' >/dev/null || t_fail "no save dialog for T:"
    wenv_driver tray left >/dev/null
    wenv_driver emu-start >/dev/null
    sleep 1  # a span of the recording
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    t_expect_gif "recording after space was freed" "$gif" --size 320x240
    t_expect_same_objects "a second recording on the small disk" "$first_on_t"
    wenv_standin_stop
    wenv_standin --scale 2 --script "$(wenv_winpath "$script")"
fi

echo "== 5. bursts of presses" >&2
# burst WHAT KIND: 50 presses within a second, then every box answered and the save dialog
# cancelled; the program must still run and be Halted.
burst() {
    local out
    out=$(hard_probe burst 50 1000 "$2")
    echo "  $out" >&2
    BURST_RESOLVED=$(hard_probe resolve 1000)
    sed 's/^/    /' <<<"$BURST_RESOLVED" >&2
    if [[ "$(wenv_driver dialog-state | grep '^visible=')" == visible=1 ]]; then
        wenv_driver click 1 >/dev/null
        wenv_driver wait-dialog-hidden >/dev/null
    fi
    t_expect_eq "$1: the program is still running" "$(wenv_pixmote_exit_code 0)" running
    t_expect_tray Halted
}
# capture_burst N: a recording of the script, 50 presses into it (the first stops it); the
# file must be whole.
capture_burst() {
    local gif=$WENV_DIR/burst$1.gif
    wenv_driver emu-reset >/dev/null
    hard_start_recording "$gif"
    wenv_driver emu-start >/dev/null
    sleep 1  # a span of the recording before the burst
    burst "50 left presses in Capturing ($1)" left
    t_expect_script "$gif" "$script" --size 96x64 --step 16 --first 0 --log "$WENV_STANDIN_LOG"
}
# expect_burst_flat WHAT KIND: bursts of KIND again, until one leaves Pixmote holding what the
# burst before left (three more at most). Wine keeps what its dialogs load the first time they
# meet a state, and which states a burst meets depends on the machine's pace; what a burst
# leaks itself, every burst adds again. The last reading is left in HARD_AFTER.
expect_burst_flat() {
    local before run
    before=$(hard_objects)
    for run in 2 3 4; do
        burst "$1, run $run" "$2"
        if POLL_INTERVAL=0.5 poll_until 10 hard_same_objects "$before"; then
            t_ok "$1: run $run holds what the run before left ($HARD_AFTER)"
            return
        fi
        echo "  run $run added:$HARD_CHANGED ('$before' to '$HARD_AFTER')" >&2
        before=$HARD_AFTER
    done
    t_fail "$1: every burst left more held ($HARD_AFTER)"
}
burst "50 left presses in Halted" left
t_expect_contains "the press during the save dialog could not start" "$BURST_RESOLVED" \
    "box: Unable to open specified file for writing."
expect_burst_flat "50 left presses in Halted" left
second_run=$HARD_AFTER
capture_burst 1
t_expect_same_objects "a burst in Capturing" "$second_run"
burst "50 left and right presses in Halted" mixed
expect_burst_flat "50 left and right presses in Halted" mixed
before=$(hard_objects)
hard_quick_recording "$WENV_DIR/after-bursts.gif" 1
t_expect_gif "a recording after the bursts" "$WENV_DIR/after-bursts.gif" --size 96x64
t_expect_same_objects "a recording after the bursts" "$before"

echo "== 6. a thousand profiles and names at the length limits" >&2
before=$(hard_objects)
n63() { printf "$1%.0s" $(seq 1 63); }
n64() { printf "$1%.0s" $(seq 1 64); }
group=$(n63 G)
root='HKEY_CURRENT_USER\Software\Pixmote'
catalogue=$WENV_DIR/big.reg
{
    printf 'REGEDIT4\r\n\r\n'
    for i in $(seq -w 0 999); do
        printf '[%s\\%s\\P%s]\r\n"ClassName"="NoSuchEmulator%s"\r\n"Caption"="Nothing"\r\n"CX"=dword:00000060\r\n"CY"=dword:00000040\r\n\r\n' \
            "$root" "$group" "$i" "$i"
    done
    # The stand-in, last in the group, under a 63-character name.
    printf '[%s\\%s\\%s]\r\n"ClassName"="CalcStandIn"\r\n"Caption"="Calculator Stand-In"\r\n"CX"=dword:00000060\r\n"CY"=dword:00000040\r\n\r\n' \
        "$root" "$group" "$(n63 Q)"
    # Right after P000: a window that exists, named by a 64-character ClassName.
    printf '[%s\\%s\\P000a]\r\n"ClassName"="%s"\r\n"Caption"="Sixty-Four"\r\n"CX"=dword:00000032\r\n"CY"=dword:00000032\r\n\r\n' \
        "$root" "$group" "$(n64 C)"
} >"$catalogue"
timeout 60 wine reg delete "$root\\StandIn" /f >>"$WENV_DIR/reg.log" 2>&1
wenv_reg_import "$catalogue"
wenv_bg window64 "$PROBE_EXE" window "$(n64 C)" Sixty-Four 100 100 300
wenv_bg window63 "$PROBE_EXE" window "$(n63 D)" "$(n63 E)" 120 90 300
# probe_windows: both windows are shown.
probe_windows() {
    local all
    all=$(wenv_driver windows)
    grep -qF "vis=1 class=$(n64 C) title=Sixty-Four " <<<"$all" &&
        grep -qF "vis=1 class=$(n63 D) title=$(n63 E) " <<<"$all"
}
poll_until 30 probe_windows || t_fail "the probe's windows did not show"

# detect_size WHAT GIF WANT: a left press must find a window; a short recording of it must be
# WANT (the GIF's logical screen) big.
detect_size() {
    local t0=$SECONDS
    hard_start_recording "$2" || return
    sleep 0.5  # a span of the recording
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    t_expect_eq "$1" "$(hard_gif_size "$2")" "$3"
}
# detect_none WHAT: a left press must end with the detection warning.
detect_none() {
    wenv_driver tray left >/dev/null
    t_expect_contains "$1" "$(wenv_driver box)" \
        "text: The software was unable to detect a supported emulator."
    t_expect_tray Halted
}
detect_size "the stand-in found behind 1000 profiles and a 64-character ClassName" \
    "$WENV_DIR/big1.gif" 100x68
printf 'REGEDIT4\r\n\r\n[%s\\%s\\P000b]\r\n"ClassName"="%s"\r\n"Caption"="%s"\r\n"CX"=dword:0000003c\r\n"CY"=dword:0000002d\r\n\r\n' \
    "$root" "$group" "$(n63 D)" "$(n63 E)" >"$WENV_DIR/p63.reg"
wenv_reg_import "$WENV_DIR/p63.reg"
detect_size "63-character ClassName and Caption fit" "$WENV_DIR/big2.gif" 64x49
timeout 60 wine reg delete "$root\\$group\\P000b" /f >>"$WENV_DIR/reg.log" 2>&1
printf 'REGEDIT4\r\n\r\n[%s\\%s\\P%s]\r\n"ClassName"="CalcStandIn"\r\n"Caption"="Calculator Stand-In"\r\n"CX"=dword:00000060\r\n"CY"=dword:00000040\r\n\r\n' \
    "$root" "$group" "$(n63 z)" >"$WENV_DIR/p64.reg"
wenv_reg_import "$WENV_DIR/p64.reg"
detect_none "a 64-character profile name ends its group"
timeout 60 wine reg delete "$root\\$group\\P$(n63 z)" /f >>"$WENV_DIR/reg.log" 2>&1
printf 'REGEDIT4\r\n\r\n[%s\\%s\\Bare]\r\n"ClassName"="CalcStandIn"\r\n"Caption"="Calculator Stand-In"\r\n"CX"=dword:00000060\r\n"CY"=dword:00000040\r\n\r\n' \
    "$root" "$(n64 F)" >"$WENV_DIR/g64.reg"
wenv_reg_import "$WENV_DIR/g64.reg"
detect_none "a 64-character group name ends the catalogue"
timeout 60 wine reg delete "$root\\$(n64 F)" /f >>"$WENV_DIR/reg.log" 2>&1
detect_size "found again once the long names are gone" "$WENV_DIR/big3.gif" 100x68
t_expect_same_objects "after the catalogue checks" "$before"

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
