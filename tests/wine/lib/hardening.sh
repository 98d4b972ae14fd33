# Helpers of the fault, soak and tray-click checks, sourced after scripts/wine-env.sh:
#
#   source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
#   source "$(dirname "${BASH_SOURCE[0]}")/lib/hardening.sh"
#
# They add a tool to the harness's (built here on first use, into $PIXMOTE_TOOLS):
#   pixmote-probe.exe    tools/probe: what Pixmote holds (GDI objects from its GDI handle
#                        table, windows, kernel handles, memory; Wine's GetGuiResources
#                        answers 0), bursts of tray presses, plain windows of any class and
#                        title, and answering whatever boxes and save dialogs are left open
# and use pixmote-gif-inspect (tools/checker, built with the tools by scripts/build-tools.sh):
# the structure of any recording, and how much of a cut-off one still decodes.

PROBE_EXE=$PIXMOTE_TOOLS/pixmote-probe.exe
GIF_INSPECT=$PIXMOTE_TOOLS/pixmote-gif-inspect

# Builds the probe when it is missing or older than its sources.
hard_build_tools() {
    local src=$PIXMOTE_ROOT/tools/probe driver=$PIXMOTE_ROOT/tools/driver
    local flags=(-std=c++20 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
        -Werror "-I$PIXMOTE_ROOT")
    mkdir -p "$PIXMOTE_TOOLS"
    (
        flock 9
        local f stale=0
        for f in "$src"/main.cpp "$src"/objects.cpp "$src"/objects.h "$driver"/find.cpp \
            "$driver"/find.h; do
            [[ "$f" -nt "$PROBE_EXE" ]] && stale=1
        done
        if [[ ! -x "$PROBE_EXE" ]] || ((stale)); then
            x86_64-w64-mingw32-g++ "${flags[@]}" -static -s -o "$PROBE_EXE.tmp" \
                "$src/main.cpp" "$src/objects.cpp" "$driver/find.cpp" \
                -lntdll -lpsapi -lgdi32 -luser32 && mv "$PROBE_EXE.tmp" "$PROBE_EXE" || exit 1
        fi
    ) 9>"$PIXMOTE_TOOLS/.probe.lock"
}

hard_build_tools || {
    echo "hardening: building tools/probe failed" >&2
    exit 1
}

# hard_probe COMMAND ARGS...: runs the probe (wenv_tool).
hard_probe() {
    wenv_tool "$PROBE_EXE" probe "$@"
}

# hard_objects: Pixmote's holdings, "gdi=N dc=N bitmap=N windows=N handles=N mru=N
# workingset=N private=N" (mru: the registry keys that Wine's file dialog leaves open, one per
# save dialog shown; counted among the handles).
hard_objects() {
    hard_probe objects | sed 's/^pid=[0-9]* //'
}

# hard_field LINE NAME: the number after NAME= in LINE.
hard_field() {
    sed -n "s/.*\\b$2=\\([-0-9]*\\).*/\\1/p" <<<"$1"
}

# hard_same_objects BEFORE: Pixmote's holdings now (kept in HARD_AFTER) have the GDI objects,
# windows and kernel handles (but the keys Wine's file dialog leaves open) of BEFORE; the ones
# that differ in HARD_CHANGED.
hard_same_objects() {
    local before=$1 name
    HARD_AFTER=$(hard_objects)
    HARD_CHANGED=""
    for name in gdi windows; do
        if [[ "$(hard_field "$before" "$name")" != "$(hard_field "$HARD_AFTER" "$name")" ]]; then
            HARD_CHANGED+=" $name"
        fi
    done
    if (($(hard_field "$before" handles) - $(hard_field "$before" mru) !=
        $(hard_field "$HARD_AFTER" handles) - $(hard_field "$HARD_AFTER" mru))); then
        HARD_CHANGED+=" handles"
    fi
    [[ -z "$HARD_CHANGED" ]]
}

# t_expect_same_objects WHAT BEFORE: Pixmote's holdings come back to BEFORE's (a box or dialog
# is hidden a moment before it is destroyed and lets go of what it held). The last reading is
# left in HARD_AFTER.
t_expect_same_objects() {
    local what=$1 before=$2
    if POLL_INTERVAL=0.5 poll_until 10 hard_same_objects "$before"; then
        t_ok "$what: nothing held ($HARD_AFTER)"
    else
        t_fail "$what: changed$HARD_CHANGED: before '$before', after '$HARD_AFTER'"
    fi
}

# t_expect_gif WHAT GIF INSPECT_ARGS...: the file is a whole, well-formed recording.
t_expect_gif() {
    local what=$1 gif=$2 report rc=0
    shift 2
    report=$("$GIF_INSPECT" "$gif" "$@") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    if ((rc == 0)); then
        t_ok "$what: $(head -n 1 <<<"$report")"
    else
        t_fail "$what: $(basename "$gif") is not a whole recording"
        mkdir -p "$PIXMOTE_ARTIFACTS"
        cp "$gif" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    fi
}

# t_expect_script GIF SCRIPT CHECK_ARGS...: the recording matches the stand-in's frame script
# (with --log LOG: the delays against the times the stand-in's log gives).
t_expect_script() {
    local gif=$1 script=$2 report rc=0
    shift 2
    report=$("$GIF_CHECK" "$gif" --script "$script" --slack "$WENV_SLACK" "$@") || rc=$?
    sed 's/^/    /' <<<"$report" >&2
    if ((rc == 0)); then
        t_ok "recording $(basename "$gif") matches its script"
    else
        t_fail "recording $(basename "$gif") does not match its script"
        mkdir -p "$PIXMOTE_ARTIFACTS"
        cp "$gif" "$script" "$PIXMOTE_ARTIFACTS/" 2>/dev/null
    fi
}

# hard_start_recording GIF: a left press, the file name, a left press; the tray is not
# checked (the caller checks what it needs). Fails when no save dialog comes.
hard_start_recording() {
    local out
    wenv_driver tray left >/dev/null
    # A loaded machine can take seconds to show and close the dialog: wait up to 30 s.
    out=$(wenv_driver --timeout 30000 savefile "$(wenv_winpath "$1")") || {
        t_fail "no save dialog for $(basename "$1"): $out"
        return 1
    }
    wenv_driver tray left >/dev/null
}

# hard_quick_recording GIF [SECONDS]: a recording of about SECONDS (default 0.5), the tray
# not checked on the way; the tray must show Halted at the end.
hard_quick_recording() {
    hard_start_recording "$1" || return 1
    # The recording's length: nothing is awaited, any number of ticks makes a whole file.
    sleep "${2:-0.5}"
    wenv_driver tray left >/dev/null
    t_expect_tray Halted
}

# hard_tray_state: the tooltip of the tray icon (Halted, Ready, Capturing), or nothing.
hard_tray_state() {
    wenv_tray_tip 2>/dev/null | tail -n 1
}

# hard_gif_size GIF: the logical screen of a GIF file, "WxH" (from its header).
hard_gif_size() {
    local w h
    read -r w h < <(od -An -tu2 -j6 -N4 "$1" 2>/dev/null)
    echo "${w:-0}x${h:-0}"
}
