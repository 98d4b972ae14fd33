#!/usr/bin/env bash
# Long use under Wine, run only when asked (PIXMOTE_SOAK=1 scripts/wine-e2e.sh tests/wine/soak.sh,
# about 8 minutes): one recording of at least 3,000 ticks at 110 ms of the stand-in's demo
# screen (typing and a blinking cursor: a change every tick or two), then 50 recordings in a
# row. Pixmote's GDI objects, windows, kernel handles (but the keys Wine's file dialog leaves
# open, one per dialog), working set, private bytes and resident memory are sampled all along
# (tools/probe; Wine's GetGuiResources answers 0) and must stay flat: the object counts exactly,
# memory within 1 MiB. The samples while capturing are compared among themselves, those in
# Halted (after the warm-up, after the long recording, after every fifth recording of the row)
# among themselves. Every file must be a whole recording; the long one must hold the ticks.
# The samples go to $PIXMOTE_ARTIFACTS/soak-samples.txt, the summary to
# $PIXMOTE_ARTIFACTS/soak.txt.
if [[ "${PIXMOTE_SOAK:-0}" != 1 ]]; then
    echo "SKIP soak (PIXMOTE_SOAK=1 runs it, about 8 minutes)"
    exit 0
fi
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/hardening.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"
TICKS=${SOAK_TICKS:-3000}
RECORDINGS=${SOAK_RECORDINGS:-50}
samples=$PIXMOTE_ARTIFACTS/soak-samples.txt
summary=$PIXMOTE_ARTIFACTS/soak.txt

wenv_pixmote
wenv_standin --scale 2 --demo

# The Unix process of Pixmote in this prefix, for its resident memory.
unix_pid() {
    local p
    for p in $(pgrep -f 'pixmote\.exe' 2>/dev/null); do
        if grep -qz "^WINEPREFIX=$WINEPREFIX\$" "/proc/$p/environ" 2>/dev/null &&
            [[ "$(tr '\0' ' ' <"/proc/$p/cmdline")" != *timeout* ]]; then
            echo "$p"
            return
        fi
    done
}

# sample PHASE WHAT: one line of figures.
sample() {
    local o rss
    o=$(hard_objects)
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$(unix_pid)/status" 2>/dev/null)
    printf '%s %s t=%s gdi=%s dc=%s bitmap=%s windows=%s handles=%s mru=%s workingset=%s private=%s rss_kib=%s\n' \
        "$1" "$2" "$SECONDS" "$(hard_field "$o" gdi)" "$(hard_field "$o" dc)" \
        "$(hard_field "$o" bitmap)" "$(hard_field "$o" windows)" "$(hard_field "$o" handles)" \
        "$(hard_field "$o" mru)" "$(hard_field "$o" workingset)" "$(hard_field "$o" private)" \
        "${rss:-?}" | tee -a "$samples" >&2
}

# flat PHASE: the object counts of PHASE's samples are all equal, memory within 1 MiB.
flat() {
    awk -v phase="$1" '
        $1 != phase { next }
        {
            for (i = 3; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
            objects = v["gdi"] " " v["windows"] " " (v["handles"] - v["mru"])
            if (n == 0) { first = objects }
            if (objects != first) { changed = changed " " $2 ": " objects }
            for (k in v) if (k != "t") {
                if (n == 0 || v[k] < lo[k]) lo[k] = v[k]
                if (n == 0 || v[k] > hi[k]) hi[k] = v[k]
            }
            ++n
        }
        END {
            printf "%s: %d samples; gdi %d..%d, dc %d..%d, bitmap %d..%d, windows %d..%d, " \
                "handles less the file dialog keys %s; working set %.1f..%.1f MiB, private " \
                "%.1f..%.1f MiB, resident %.1f..%.1f MiB\n", phase, n, lo["gdi"], hi["gdi"],
                lo["dc"], hi["dc"], lo["bitmap"], hi["bitmap"], lo["windows"], hi["windows"],
                (changed == "" ? "flat" : "CHANGED"), lo["workingset"] / 1048576,
                hi["workingset"] / 1048576, lo["private"] / 1048576, hi["private"] / 1048576,
                lo["rss_kib"] / 1024, hi["rss_kib"] / 1024
            bad = changed != "" || hi["workingset"] - lo["workingset"] > 1048576 ||
                hi["private"] - lo["private"] > 1048576 || hi["rss_kib"] - lo["rss_kib"] > 1024
            if (changed != "") print "  object counts changed at" changed
            exit bad
        }' "$samples"
}

: >"$samples"
echo "== warm-up: two short recordings" >&2
hard_quick_recording "$WENV_DIR/warm1.gif" 1
hard_quick_recording "$WENV_DIR/warm2.gif" 1
sample halted warm-up

echo "== one recording of $TICKS ticks" >&2
long=$WENV_DIR/long.gif
hard_start_recording "$long"
t_expect_tray Capturing
started=$SECONDS
end=$((started + (TICKS * 110 + 999) / 1000 + 15))
sample long start
while ((SECONDS < end)); do
    sleep 20  # the time between two samples of the long recording
    sample long "$((SECONDS - started))s"
done
wenv_driver tray left >/dev/null
t_expect_tray Halted
report=$("$GIF_INSPECT" "$long" --size 96x64)
sed 's/^/    /' <<<"$report" >&2
# Every tick adds one step of 16 hundredths to the delays (the last frame's included).
ticks=$(($(hard_field "$report" delay) / 16))
if grep -q '^GIF OK' <<<"$report" && ((ticks >= TICKS)); then
    t_ok "the long recording is whole and spans $ticks ticks ($(hard_field "$report" images) images, $(stat -c %s "$long") bytes)"
else
    t_fail "the long recording: $ticks ticks, $(tail -n 1 <<<"$report")"
fi
sample halted after-long

echo "== $RECORDINGS recordings in a row" >&2
bad=0
for i in $(seq 1 "$RECORDINGS"); do
    gif=$WENV_DIR/row-$i.gif
    if ! hard_start_recording "$gif"; then
        # Answer what the failed step left open, so that one slow step does not derail the rest.
        hard_probe resolve 1000 | sed 's/^/    /' >&2
        [[ "$(hard_tray_state)" == Capturing ]] && wenv_driver tray left >/dev/null
        continue
    fi
    sleep 1  # the recording's length: any number of ticks makes a whole file
    wenv_driver tray left >/dev/null
    if ((i % 5 == 0)); then
        t_expect_tray Halted
        sample halted "row-$i"
    fi
done
t_expect_tray Halted
for i in $(seq 1 "$RECORDINGS"); do
    "$GIF_INSPECT" "$WENV_DIR/row-$i.gif" --size 96x64 >/dev/null || bad=$((bad + 1))
done
t_expect_eq "whole recordings among the $RECORDINGS" "$((RECORDINGS - bad))" "$RECORDINGS"
sample halted end

{
    echo "soak of $(date -u '+%Y-%m-%d %H:%M UTC'): $TICKS-tick recording ($ticks ticks recorded), $RECORDINGS recordings"
    flat long
    flat halted
} | tee "$summary" >&2
flat long >/dev/null && t_ok "flat during the long recording" ||
    t_fail "not flat during the long recording"
flat halted >/dev/null && t_ok "flat in Halted: after the warm-up, the long recording and every fifth of the row" ||
    t_fail "not flat in Halted"
wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
