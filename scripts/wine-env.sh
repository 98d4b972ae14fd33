# shellcheck shell=bash
# Sourceable helpers that run the real pixmote.exe under Wine on a private X server, for the
# end-to-end checks in tests/wine/. Every wait is bounded, and everything started here is
# stopped by the EXIT trap that wenv_start installs, also when a check fails half-way.
#
#   source scripts/wine-env.sh
#   wenv_start                       # Xvfb, a throw-away WINEPREFIX, the shell keeper
#   wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
#   wenv_standin --scale 2 --script "$script"
#   wenv_pixmote
#   wenv_wait_tray Halted
#   wenv_driver tray left ...
#   t_finish                         # "PASS name" / "FAIL name", exit code
#
# Environment read:
#   PIXMOTE_EXE        the program (default build-win/pixmote.exe)
#   PIXMOTE_TOOLS      where scripts/build-tools.sh put the tools (default build-tools)
#   PIXMOTE_WINE_BASE  a ready prefix made by wenv_make_base; cloned instead of a wineboot
#   PIXMOTE_ARTIFACTS  where screenshots and failed recordings go (build-wine-artifacts)
#   WENV_KEEP=1        keep the temporary directory for inspection
#   WENV_EMU_TITLE     the emulator window's title that wenv_record expects in front (default
#                      Calculator Stand-In; the stand-in's --caption changes it)
#   WENV_SCREEN        the X screen, WIDTHxHEIGHTxDEPTH (default 1024x768x24)
#   WENV_WINEDEBUG     Wine's debug channels (default -all)
#   WENV_DPI           the display's DPI for every program of the check, the shell included
#                      (Wine's LogPixels; default 96, that is 100 %)
#
# How the tray is observed. Wine's shell (explorer.exe) shows the notification area, when no
# X tray manager runs, as its own top-level window named "Wine System Tray"; icon slot i
# (from 0) is the 20 x 20 square at x = 20 i of its client area. Neither shell32's nor
# explorer's trace channels (+systray, +tooltips) print the tooltip text, so the checks read
# it the way a user does: the pointer is moved with xdotool onto an empty slot and then onto
# slot 0, explorer shows the icon's tooltip window (class tooltips_class32), and
# `pixmote-driver tooltip` reads that window's text with WM_GETTEXT (which Wine carries across
# processes). The tray window is first moved (`pixmote-driver tray-park`) to the bottom left,
# clear of the settings dialog (which sits at the screen's origin), the boxes and the
# stand-in. The picture is checked too: the screen is grabbed with ImageMagick and the
# traffic light of slot 0 searched for its lit lamp: pure red (255, 0, 0) for Halted, yellow
# (255, 255, 0) for Ready, lime (0, 255, 0) for Capturing. Moving the pointer over the icon
# sends WM_MOUSEMOVE notifications to Pixmote, which it ignores.
#
# Windows are unmanaged in the prefixes made here (see wenv_boot_prefix): Wine draws their
# frames itself and places them where the programs ask.

PIXMOTE_ROOT=${PIXMOTE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
PIXMOTE_EXE=${PIXMOTE_EXE:-$PIXMOTE_ROOT/build-win/pixmote.exe}
PIXMOTE_TOOLS=${PIXMOTE_TOOLS:-$PIXMOTE_ROOT/build-tools}
PIXMOTE_ARTIFACTS=${PIXMOTE_ARTIFACTS:-$PIXMOTE_ROOT/build-wine-artifacts}
STANDIN_EXE=$PIXMOTE_TOOLS/calc-standin.exe
DRIVER_EXE=$PIXMOTE_TOOLS/pixmote-driver.exe
GIF_CHECK=$PIXMOTE_TOOLS/pixmote-gif-check
# How many steps the recordings' delays may be off against the stand-in's screen times (the
# check's --slack; a later --slack of a check wins). A busy machine lets Pixmote see a change a
# tick or two late, and the stand-in show it late.
WENV_SLACK=2

WENV_DIR=""
WENV_XVFB_PID=""
WENV_PIDS=()
WENV_PIXMOTE_PID=""
WENV_STANDIN_PID=""
WENV_NAME=${WENV_NAME:-$(basename "${0%.sh}")}
T_FAILURES=0
T_STARTED=$SECONDS
# shellcheck source=tests/wine/lib/poll.sh
source "$PIXMOTE_ROOT/tests/wine/lib/poll.sh"

wenv_log() {
    echo "[$WENV_NAME $((SECONDS - T_STARTED))s] $*" >&2
}

# ---------------------------------------------------------------------------------------------
# Assertions: a failed check is counted and reported, the script goes on; t_finish decides.

t_fail() {
    T_FAILURES=$((T_FAILURES + 1))
    echo "  FAIL: $*" >&2
}

t_ok() {
    echo "  ok: $*" >&2
}

# t_expect_eq WHAT ACTUAL EXPECTED
t_expect_eq() {
    if [[ "$2" == "$3" ]]; then
        t_ok "$1"
    else
        t_fail "$1: got '$2', want '$3'"
    fi
}

# t_expect_contains WHAT TEXT PART
t_expect_contains() {
    if [[ "$2" == *"$3"* ]]; then
        t_ok "$1"
    else
        t_fail "$1: '$3' not in '$2'"
    fi
}

t_finish() {
    if ((T_FAILURES == 0)); then
        echo "PASS $WENV_NAME ($((SECONDS - T_STARTED)) s)"
        exit 0
    fi
    echo "FAIL $WENV_NAME: $T_FAILURES failed checks ($((SECONDS - T_STARTED)) s)"
    exit 1
}

# ---------------------------------------------------------------------------------------------
# Set-up and clean-up.

wenv_require() {
    local f
    for f in "$PIXMOTE_EXE" "$STANDIN_EXE" "$DRIVER_EXE" "$GIF_CHECK"; do
        if [[ ! -e "$f" ]]; then
            echo "wine-env: missing $f (scripts/build-windows.sh, scripts/build-tools.sh)" >&2
            return 1
        fi
    done
    local tool
    for tool in wine wineserver Xvfb xdotool import convert timeout; do
        command -v "$tool" >/dev/null || { echo "wine-env: $tool not installed" >&2; return 1; }
    done
}

wenv_cleanup() {
    local rc=$?
    trap - EXIT INT TERM HUP PIPE
    # Callers may run with errexit; nothing here may stop the clean-up half-way.
    set +e
    local pid
    for pid in "${WENV_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
        timeout 20 wineserver -k 2>/dev/null
        timeout 20 wineserver -w 2>/dev/null
    fi
    for pid in "${WENV_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [[ -n "$WENV_XVFB_PID" ]]; then
        kill "$WENV_XVFB_PID" 2>/dev/null
        wait "$WENV_XVFB_PID" 2>/dev/null
    fi
    if [[ -n "$WENV_DIR" && -d "$WENV_DIR" ]]; then
        if [[ "${WENV_KEEP:-0}" == 1 ]]; then
            echo "wine-env: kept $WENV_DIR" >&2
        else
            rm -rf "$WENV_DIR"
        fi
    fi
    exit "$rc"
}

# Starts Xvfb on a free display (it picks the number itself and tells it through a pipe).
wenv_start_xvfb() {
    local fifo=$WENV_DIR/displayfd
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${WENV_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$fifo" \
        >"$WENV_DIR/xvfb.log" 2>&1 &
    WENV_XVFB_PID=$!
    local display=""
    read -r -t 20 display <"$fifo" || true
    if [[ -z "$display" ]]; then
        echo "wine-env: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
}

# A fresh prefix: wineboot -i, with Mono and Gecko skipped. Takes 10 to 30 s.
# Its windows are left unmanaged: with no window manager on the X server, Wine would wait
# 2 s for one each time it hides a managed window (a message box, the save dialog, the
# settings dialog), and that wait stops the whole GUI thread, timer ticks included.
wenv_boot_prefix() {
    local prefix=$1
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        timeout 180 wineboot -i >"$WENV_DIR/wineboot.log" 2>&1 || {
        echo "wine-env: wineboot failed (see $WENV_DIR/wineboot.log)" >&2
        return 1
    }
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' \
        /v Managed /t REG_SZ /d N /f >>"$WENV_DIR/wineboot.log" 2>&1
    WINEPREFIX=$prefix timeout 60 wineserver -w
}

# wenv_make_base DIR: a prefix that later wenv_start calls clone (PIXMOTE_WINE_BASE=DIR).
# Needs a display; used by scripts/wine-e2e.sh inside its own wenv_start.
wenv_make_base() {
    local base=$1
    wenv_boot_prefix "$base"
}

# Clones a base prefix: hard links for the large, unchanging files, real copies of the
# registry files that Wine rewrites.
wenv_clone_prefix() {
    local base=$1 prefix=$2
    cp -al "$base" "$prefix" && rm -f "$prefix"/*.reg && cp "$base"/*.reg "$prefix"/
}

wenv_start() {
    wenv_require || exit 1
    WENV_DIR=$(mktemp -d /tmp/pixmote-wine.XXXXXX)
    trap wenv_cleanup EXIT
    trap 'exit 130' INT TERM HUP PIPE
    mkdir -p "$PIXMOTE_ARTIFACTS"
    wenv_start_xvfb || exit 1
    export WINEPREFIX=$WENV_DIR/prefix
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG=${WENV_WINEDEBUG:--all}
    if [[ -n "${PIXMOTE_WINE_BASE:-}" && -f "$PIXMOTE_WINE_BASE/system.reg" ]]; then
        wenv_clone_prefix "$PIXMOTE_WINE_BASE" "$WINEPREFIX" || exit 1
    else
        wenv_boot_prefix "$WINEPREFIX" || exit 1
    fi
    if [[ -n "${WENV_DPI:-}" ]]; then
        # Every process reads the DPI when it starts; reg.exe brings up the shell before it
        # writes, so the shell is let go and starts again with the keeper below.
        timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
            /d "$WENV_DPI" /f >>"$WENV_DIR/reg.log" 2>&1 || exit 1
        timeout 60 wineserver -w
    fi
    # The keeper holds the desktop for the whole check, so explorer.exe and its tray stay up
    # while Pixmote is stopped and started again.
    wenv_bg keeper "$DRIVER_EXE" hold 900
    wenv_driver --timeout 30000 wait-shell >/dev/null || {
        echo "wine-env: Wine's shell did not come up" >&2
        exit 1
    }
    wenv_log "display $DISPLAY, prefix $WINEPREFIX"
}

# wenv_bg NAME PROGRAM ARGS...: runs a Windows program in the background under a time limit;
# its output goes to $WENV_DIR/NAME.log, its exit code, when it ends, to
# $WENV_LAST_RC_FILE. Sets WENV_LAST_PID.
wenv_bg() {
    local name=$1
    shift
    WENV_LAST_RC_FILE=$WENV_DIR/$name-$RANDOM.rc
    local rc_file=$WENV_LAST_RC_FILE
    {
        timeout 900 wine "$@" >"$WENV_DIR/$name.log" 2>&1
        echo $? >"$rc_file"
    } &
    WENV_LAST_PID=$!
    WENV_PIDS+=("$WENV_LAST_PID")
}

# wenv_winpath UNIX_PATH: the same file seen from Windows (drive Z: is the root).
wenv_winpath() {
    local p=$1
    echo "Z:${p//\//\\}"
}

# wenv_tool EXE NAME ARGS...: runs a Windows test tool for at most 90 s; its stdout, without
# carriage returns, on stdout; its exit code. Its stderr goes to $WENV_DIR/NAME.err.
wenv_tool() {
    local exe=$1 name=$2 out rc
    shift 2
    out=$(timeout 90 wine "$exe" "$@" 2>>"$WENV_DIR/$name.err")
    rc=$?
    printf '%s\n' "${out//$'\r'/}"
    return $rc
}

# wenv_driver [--timeout MS] COMMAND ARGS...: runs the driver (wenv_tool).
wenv_driver() {
    wenv_tool "$DRIVER_EXE" driver "$@"
}

# ---------------------------------------------------------------------------------------------
# The registry of the prefix.

# wenv_reg_import FILE.reg
wenv_reg_import() {
    local copy=$WENV_DIR/import-$RANDOM.reg
    cp "$1" "$copy"
    timeout 60 wine reg import "$(wenv_winpath "$copy")" >>"$WENV_DIR/reg.log" 2>&1
}

# wenv_reg_default KEY: the text of KEY's default value, or "<none>" when it has none.
wenv_reg_default() {
    local out
    out=$(timeout 60 wine reg query "$1" /ve 2>/dev/null | tr -d '\r')
    if [[ "$out" =~ \(Default\)[[:space:]]+REG_SZ[[:space:]]{4}(.*)$ ]]; then
        echo "${BASH_REMATCH[1]}"
    elif [[ "$out" =~ \(Default\)[[:space:]]+REG_SZ[[:space:]]*$ ]]; then
        echo ""
    else
        echo "<none>"
    fi
}

# wenv_reg_add_key KEY: creates a key without values ("reg add" would give it an empty
# default value). KEY in the long form, HKEY_CURRENT_USER\...
wenv_reg_add_key() {
    local file=$WENV_DIR/key-$RANDOM.reg
    printf 'REGEDIT4\r\n\r\n[%s]\r\n\r\n' "$1" >"$file"
    wenv_reg_import "$file"
}

# wenv_reg_set_default KEY TEXT: sets KEY's default value to the REG_SZ TEXT.
wenv_reg_set_default() {
    timeout 60 wine reg add "$1" /ve /t REG_SZ /d "$2" /f >>"$WENV_DIR/reg.log" 2>&1
}

# ---------------------------------------------------------------------------------------------
# The programs.

# wenv_pixmote: starts pixmote.exe and waits until its dialog exists.
wenv_pixmote() {
    wenv_bg pixmote "$PIXMOTE_EXE"
    # shellcheck disable=SC2034  # for the checks: the wine process of the program
    WENV_PIXMOTE_PID=$WENV_LAST_PID
    WENV_PIXMOTE_RC_FILE=$WENV_LAST_RC_FILE
    wenv_driver --timeout 30000 pid >/dev/null
}

# wenv_pixmote_exit_code SECONDS: waits for pixmote.exe to end; prints its exit code, or
# "running" when it is still running after SECONDS.
wenv_pixmote_exit_code() {
    if poll_until "$1" test -s "$WENV_PIXMOTE_RC_FILE"; then
        cat "$WENV_PIXMOTE_RC_FILE"
    else
        echo running
        return 1
    fi
}

# wenv_standin ARGS...: starts the emulator stand-in at (600, 40), clear of the settings
# dialog, the save dialog, the message boxes and the tray, and waits until its window is
# shown at its size with its first picture: the stand-in logs "frame 0" after that (its
# window exists, and the driver finds it, before it is sized, shown and drawn). Its frame log
# is $WENV_STANDIN_LOG.
wenv_standin() {
    WENV_STANDIN_LOG=$WENV_DIR/standin-$RANDOM.log
    wenv_bg standin "$STANDIN_EXE" --pos 600 40 --log "$(wenv_winpath "$WENV_STANDIN_LOG")" "$@"
    WENV_STANDIN_PID=$WENV_LAST_PID
    wenv_wait_file "$WENV_STANDIN_LOG" 30 '^frame 0 ' &&
        wenv_driver --timeout 30000 emu-info >/dev/null
}

# wenv_process_gone PID: the background process PID has ended.
wenv_process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# wenv_standin_stop: closes the stand-in and waits for it to end.
wenv_standin_stop() {
    wenv_driver emu-close >/dev/null
    poll_until 10 wenv_process_gone "$WENV_STANDIN_PID"
}

# wenv_script_ms SCRIPT: the total hold time of a frame script, in ms.
wenv_script_ms() {
    awk '{ sub(/#.*/, "") } NF { total += $1 } END { print total + 0 }' "$1"
}

# wenv_record GIF SCRIPT CHECK_ARGS...: one whole recording of the stand-in's frame script
# (the stand-in runs with --script SCRIPT): a left press and the file name GIF (Ready), a left
# press (Capturing), the script from its first frame to its end, a left press (Halted). Then
# pixmote-gif-check compares GIF with SCRIPT (--first 0 --complete CHECK_ARGS...). Checks
# each step; a wrong recording is kept under $PIXMOTE_ARTIFACTS. When WENV_DURING_CAPTURE
# names a function, it runs while the recording is on (it must end before the script does).
wenv_record() {
    local gif=$1 script=$2
    shift 2
    local done_before
    done_before=$(grep -c '^done' "$WENV_STANDIN_LOG" 2>/dev/null)
    wenv_driver emu-reset >/dev/null
    wenv_driver tray left >/dev/null
    if ! wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null; then
        t_fail "no save dialog after a left press"
        return 1
    fi
    t_expect_tray Ready
    t_expect_eq "no file before the start" "$([[ -e "$gif" ]] && echo exists || echo none)" none
    wenv_driver tray left >/dev/null
    wenv_driver emu-start >/dev/null
    t_expect_soon "the start brings the emulator to the front" 15 \
        "title=${WENV_EMU_TITLE:-Calculator Stand-In}" wenv_driver foreground
    t_expect_tray Capturing
    if [[ -n "${WENV_DURING_CAPTURE:-}" ]]; then
        "$WENV_DURING_CAPTURE"
    fi
    # The stand-in logs "done" when its last frame's hold has passed.
    poll_until $(($(wenv_script_ms "$script") / 1000 + 20)) wenv_standin_done_after "$done_before" ||
        t_fail "the stand-in's script did not end"
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
    local report rc=0
    # The delays are compared with the times the stand-in really showed its frames (its log):
    # on a busy machine it is late now and then.
    report=$("$GIF_CHECK" "$gif" --script "$script" --first 0 --complete \
        --slack "$WENV_SLACK" --log "$WENV_STANDIN_LOG" "$@") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    if ((rc == 0)); then
        t_ok "recording $(basename "$gif") matches its script"
    else
        t_fail "recording $(basename "$gif") does not match its script"
        mkdir -p "$PIXMOTE_ARTIFACTS"
        cp "$gif" "$script" "$WENV_STANDIN_LOG" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    fi
}

# wenv_standin_done_after N: the stand-in's log holds more than N "done" lines.
wenv_standin_done_after() {
    local ended
    ended=$(grep -c '^done' "$WENV_STANDIN_LOG" 2>/dev/null)
    ((${ended:-0} > $1))
}

# wenv_file_holds PATH [PATTERN]: PATH exists (and holds a line matching PATTERN).
wenv_file_holds() {
    [[ -f "$1" ]] && { [[ -z "${2:-}" ]] || grep -q -- "$2" "$1"; }
}

# wenv_wait_file PATH SECONDS [PATTERN]: until PATH exists (and holds a line matching PATTERN).
wenv_wait_file() {
    poll_until "$2" wenv_file_holds "$1" "${3:-}"
}

# wenv_screenshot NAME: the whole display as $PIXMOTE_ARTIFACTS/NAME.png.
wenv_screenshot() {
    local out=$PIXMOTE_ARTIFACTS/$1.png
    timeout 30 import -window root "$out" 2>/dev/null && echo "$out"
}

# ---------------------------------------------------------------------------------------------
# The tray (see the top of this file).

# wenv_tray_shown: the tray's X window is shown; its id in WENV_TRAY_XID.
wenv_tray_shown() {
    WENV_TRAY_XID=$(xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null |
        head -n 1)
    [[ -n "$WENV_TRAY_XID" ]]
}

# The tray's X window, waiting up to 5 s for it to be shown.
wenv_tray_window() {
    poll_until 5 wenv_tray_shown && echo "$WENV_TRAY_XID"
}

# Moves the tray window to the bottom left, clear of the other windows (through Wine, so
# that Wine and the X server agree where it is), and prints where its client area, and so
# icon slot 0, starts on the screen: "X Y".
wenv_tray_park() {
    local w=$1 where=$WENV_DIR/tray-client
    if [[ ! -s "$where" ]] ||
        ! xwininfo -id "$w" 2>/dev/null | grep -q 'Absolute upper-left X:  20$'; then
        wenv_driver tray-park 20 660 | sed -n 's/.*client at \([0-9]*\),\([0-9]*\).*/\1 \2/p' \
            >"$where"
    fi
    cat "$where"
}

# The tooltip of the icon in slot 0, or nothing.
wenv_tray_tip() {
    local w x y
    w=$(wenv_tray_window)
    [[ -n "$w" ]] || return 1
    read -r x y < <(wenv_tray_park "$w")
    [[ -n "$y" ]] || return 1
    xdotool mousemove $((x + 150)) $((y + 10)) 2>/dev/null
    # The pointer rests off the icon first, so that the tooltip control starts afresh. Its
    # timers run inside explorer and show nothing to wait for; a tip that comes late or stale
    # is read again by the caller's poll (wenv_wait_tray).
    sleep 0.3
    xdotool mousemove $((x + 10)) $((y + 10)) 2>/dev/null
    wenv_driver --timeout 2500 tooltip
}

# The lit lamp of the icon in slot 0: red, yellow, green, or none.
wenv_tray_lamp() {
    local w x y
    w=$(wenv_tray_window)
    [[ -n "$w" ]] || { echo none; return 1; }
    read -r x y < <(wenv_tray_park "$w")
    [[ -n "$y" ]] || { echo none; return 1; }
    local colours crop="8x20+$((x + 11))+$y"
    # Only the traffic light: the icon sits 2 pixels into its slot, the light in its columns
    # 10 to 15 (the calculator beside it has a yellow key of its own). At another DPI slot and
    # icon grow with the small-icon size, and the light starts 5/8 across (15 of 24 at 144).
    if [[ -n "${WENV_DPI:-}" && "$WENV_DPI" != 96 ]]; then
        local icon=$((16 * WENV_DPI / 96))
        crop="$((icon - icon * 5 / 8))x$((icon + 4))+$((x + 2 + icon * 5 / 8))+$y"
    fi
    colours=$(timeout 20 import -window root -crop "$crop" +repage -depth 8 txt:- 2>/dev/null)
    if grep -qiw '#FF0000' <<<"$colours"; then
        echo red
    elif grep -qiw '#FFFF00' <<<"$colours"; then
        echo yellow
    elif grep -qiw '#00FF00' <<<"$colours"; then
        echo green
    else
        echo none
    fi
}

# Is the tray showing any icon? (explorer unmaps its window when the last icon goes)
wenv_tray_mapped() {
    wenv_tray_shown
}

# wenv_tray_look: the icon's tooltip and lamp, "TIP LAMP" ("<no tooltip>" when none showed).
wenv_tray_look() {
    local tip
    tip=$(wenv_tray_tip 2>/dev/null | tail -n 1)
    echo "${tip:-<no tooltip>} $(wenv_tray_lamp)"
}

# wenv_wait_tray STATE [SECONDS]: until the icon's tooltip is STATE (Halted, Ready, Capturing)
# and its picture shows the matching lamp. Prints the last tooltip and lamp seen.
wenv_wait_tray() {
    local lamp_want
    case $1 in
        Halted) lamp_want=red ;;
        Ready) lamp_want=yellow ;;
        Capturing) lamp_want=green ;;
        *) lamp_want=none ;;
    esac
    POLL_INTERVAL=0.3 poll_output -x "${2:-15}" "$1 $lamp_want" wenv_tray_look
}

# t_expect_tray STATE [SECONDS]: a check that the tray reaches STATE.
t_expect_tray() {
    local seen
    if seen=$(wenv_wait_tray "$1" "${2:-15}"); then
        t_ok "tray shows $1 ($seen)"
    else
        t_fail "tray shows '$seen', want $1"
    fi
}
