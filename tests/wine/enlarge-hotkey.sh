#!/usr/bin/env bash
# The Size and the start/stop key end to end: the stand-in's bare screen (scale 2) recorded at
# x1, then at x2 and x3 chosen in the settings dialog; each file must be an exact enlargement
# that, brought back to x1, matches its script frame for frame (pixmote-gif-check --enlarge).
# Then a whole recording driven only by the default start/stop key (Pause, pressed with
# xdotool while the stand-in has the focus): Ready, Capturing, Halted, and the file matches.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"

script="$WENV_DIR/script.txt"
printf '%s\n' 495 605 715 495 825 >"$script"

choose_size() {
    wenv_driver tray right >/dev/null
    wenv_driver wait-dialog-visible >/dev/null
    wenv_driver click "$1" >/dev/null
    wenv_driver click 1 >/dev/null
    wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
}

wenv_pixmote
t_expect_tray Halted
wenv_standin --scale 2 --script "$(wenv_winpath "$script")"

echo "== x1" >&2
wenv_record "$WENV_DIR/x1.gif" "$script" --size 96x64 --step 16
for k in 2 3; do
    echo "== x$k" >&2
    choose_size $((1006 + k))
    wenv_record "$WENV_DIR/x$k.gif" "$script" --size 96x64 --step 16 --enlarge "$k"
    t_expect_eq "x$k screen" "$(head -c 10 "$WENV_DIR/x$k.gif" | od -An -tu2 -j6 -N4 | xargs)" "$((100 * k)) $((68 * k))"
done
choose_size 1007  # back to x1 for the key

# press_key: Pause with the stand-in focused, as a user at the emulator would press it.
press_key() {
    local window
    window=$(xdotool search --name '^Calculator Stand-In$' | head -n 1)
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    xdotool key --window "$window" Pause
}

echo "== the start/stop key" >&2
gif="$WENV_DIR/key.gif"
done_before=$(grep -c '^done' "$WENV_STANDIN_LOG" 2>/dev/null)
wenv_driver emu-reset >/dev/null
press_key
if ! wenv_driver savefile "$(wenv_winpath "$gif")" >/dev/null; then
    t_fail "no save dialog after the key"
fi
t_expect_tray Ready
press_key
t_expect_tray Capturing
wenv_driver emu-start >/dev/null
limit=$((SECONDS + $(wenv_script_ms "$script") / 1000 + 20))
# The stand-in logs "done" when its last frame's hold has passed.
poll_until $((limit - SECONDS)) bash -c "(( \$(grep -c '^done' '$WENV_STANDIN_LOG') > $done_before ))" ||
    t_fail "the stand-in did not finish its script"
press_key
t_expect_tray Halted
if report=$("$GIF_CHECK" "$gif" --script "$script" --size 96x64 --step 16 --complete \
    --slack "$WENV_SLACK" --log "$WENV_STANDIN_LOG"); then
    t_ok "the recording made with the key matches its script"
else
    t_fail "the recording made with the key does not match its script"
fi
sed 's/^/    /' <<<"$report" >&2

wenv_standin_stop
wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
