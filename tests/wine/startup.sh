#!/usr/bin/env bash
# Start-up, the tray icon, the notifications that do nothing, and the ways to end the program:
# first without the program key (its warning; a dialog without message or timer choice, whose
# OK repeats the warning), then with it (no warning, the built-in message, 110 ms chosen).
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start

echo "== without the program key" >&2
wenv_pixmote
box=$(wenv_driver box)
t_expect_contains "start-up warning caption" "$box" "caption: Pixmote"
t_expect_contains "start-up warning text" "$box" \
    "text: Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE"
t_expect_contains "the warning is owned by the dialog" "$box" "owner: Pixmote Configuration"
t_expect_tray Halted
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null || t_fail "a right press did not show the dialog"
state=$(wenv_driver dialog-state)
t_expect_contains "message box empty" "$state" $'text=\n'
t_expect_contains "no timer button chosen" "$state" "timer=none"
wenv_driver click 1 >/dev/null
box=$(wenv_driver box)
t_expect_contains "OK repeats the warning" "$box" \
    "text: Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE"
t_expect_contains "dialog stays visible after OK" "$(wenv_driver dialog-state)" "visible=1"
wenv_driver close >/dev/null
t_expect_eq "exit code after WM_CLOSE in Halted" "$(wenv_pixmote_exit_code 15)" 0
tray_gone() { ! wenv_tray_mapped; }
poll_until 15 tray_gone && t_ok "tray icon removed" || t_fail "tray icon still shown"

echo "== with the program key" >&2
wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'
wenv_pixmote
out=$(wenv_driver no-box 2500)
t_expect_eq "no warning at start-up" "$out" "no box"
t_expect_tray Halted

# Only presses act: releases, moves, double clicks and the middle button do nothing.
for what in lup rup move dbl rdbl mdown mup; do
    wenv_driver tray "$what" >/dev/null
done
t_expect_eq "no box after other notifications" "$(wenv_driver no-box 1000)" "no box"
t_expect_contains "dialog still hidden after other notifications" \
    "$(wenv_driver dialog-state)" "visible=0"
t_expect_tray Halted

wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null || t_fail "a right press did not show the dialog"
state=$(wenv_driver dialog-state)
t_expect_contains "110 ms chosen" "$state" "timer=110"
t_expect_contains "message limited to 63 characters" "$state" "limit=63"
t_expect_contains "still mode off" "$state" "still=0"
# The dialog is shown first and brought to the front after.
t_expect_soon "dialog in front" 15 "foreground=1" wenv_driver dialog-state
default=$(sed -n 's/^text=//p' <<<"$state")
if [[ -n "$default" && ${#default} -le 19 ]]; then
    t_ok "built-in message '$default'"
else
    t_fail "built-in message '$default' (want 1 to 19 characters)"
fi
shot=$(wenv_screenshot settings-dialog) && echo "  screenshot: $shot" >&2

# Exit (IDCANCEL) in Halted ends the program like a close request.
wenv_driver click 2 >/dev/null
t_expect_eq "exit code after Exit in Halted" "$(wenv_pixmote_exit_code 15)" 0
t_finish
