#!/usr/bin/env bash
# Every text of the settings dialog shows whole (at 96 DPI here; dialog-texts-144.sh runs the
# same at 144): the driver measures each static text, button and group box label in the
# dialog's font (made again from the template and checked against the dialog's base units)
# against the room its control gives it. The start/stop key is held by another program first
# (the driver's hold-key), so the note under the key shows, is measured too, and the program
# still starts with its tray icon. A screenshot of the dialog is kept in the artifacts.
# shellcheck source=scripts/wine-env.sh
WENV_DPI=${WENV_DPI:-96}
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/tests/data/standin.reg"  # the program key: no warning at start

# Pause, the default key, taken before Pixmote starts.
wenv_bg holdkey "$DRIVER_EXE" hold-key 0x13 0 600
poll_until 30 grep -q '^held' "$WENV_DIR/holdkey.log" || t_fail "the driver could not hold Pause"

wenv_pixmote
t_expect_tray Halted
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null || t_fail "the dialog did not show"

if report=$(wenv_driver dialog-texts); then
    t_ok "every text of the dialog fits its control at $WENV_DPI DPI"
else
    t_fail "a text of the dialog does not fit its control at $WENV_DPI DPI"
fi
sed 's/^/    /' <<<"$report" >&2
t_expect_eq "the note under the key" \
    "$(grep -c '^ok 1013 Static "Another program already uses this key' <<<"$report")" 1

mkdir -p "$PIXMOTE_ARTIFACTS"
window=$(xdotool search --name '^Pixmote Configuration$' | head -n 1)
if timeout 30 import -window "$window" "$PIXMOTE_ARTIFACTS/dialog-${WENV_DPI}dpi.png" 2>/dev/null; then
    echo "    screenshot: $PIXMOTE_ARTIFACTS/dialog-${WENV_DPI}dpi.png" >&2
fi

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
