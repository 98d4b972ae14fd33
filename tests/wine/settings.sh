#!/usr/bin/env bash
# The stored message: OK writes the edit box's text as the program key's default value and
# hides the dialog; the next start loads it back. A 63-character message survives whole, a
# longer one is cut to 63, an empty one stays empty (not the built-in text). The timer choice
# and the still-mode box are not stored.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
key='HKEY_CURRENT_USER\Software\Pixmote'
wenv_reg_add_key "$key"

# store TEXT: right press, type TEXT, OK; checks the dialog hides.
store() {
    wenv_driver tray right >/dev/null
    wenv_driver wait-dialog-visible >/dev/null || t_fail "a right press did not show the dialog"
    wenv_driver set-text 1004 "$1" >/dev/null
    wenv_driver click 1 >/dev/null
    wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
}

# restart: close (exit code 0) and start again.
restart() {
    wenv_driver close >/dev/null
    t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
    wenv_pixmote
}

shown_text() {
    wenv_driver tray right >/dev/null
    wenv_driver wait-dialog-visible >/dev/null
    wenv_driver dialog-state | sed -n 's/^text=//p'
}

wenv_pixmote
message="Hello from the Wine check"
store "$message"
t_expect_soon -x "stored message" 15 "$message" wenv_reg_default "$key"
# Also choose 330 ms and tick the still-mode box: neither outlives the program.
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null
wenv_driver click 40008 >/dev/null
wenv_driver click 1005 >/dev/null
state=$(wenv_driver dialog-state)
t_expect_contains "330 ms chosen" "$state" "timer=330"
t_expect_contains "still-mode box ticked" "$state" "still=1"
restart
state=$(wenv_driver tray right >/dev/null; wenv_driver wait-dialog-visible >/dev/null;
    wenv_driver dialog-state)
t_expect_contains "message loaded at the next start" "$state" "text=$message"
t_expect_contains "timer back to 110 ms" "$state" "timer=110"
t_expect_contains "still-mode box clear" "$state" "still=0"
wenv_driver click 1 >/dev/null  # hide it again (stores the same text)

long63=$(printf 'M%.0s' {1..60})END
store "$long63"
t_expect_soon -x "63-character message stored whole" 15 "$long63" wenv_reg_default "$key"
restart
t_expect_eq "63-character message loaded whole" "$(shown_text)" "$long63"
wenv_driver click 1 >/dev/null

long70="${long63}0123456"
store "$long70"
t_expect_soon -x "70-character text stored as its first 63" 15 "$long63" wenv_reg_default "$key"

store ""
t_expect_soon -x "empty message stored empty" 15 "" wenv_reg_default "$key"
restart
t_expect_eq "empty message loaded empty, not the built-in text" "$(shown_text)" ""

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
