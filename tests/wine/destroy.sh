#!/usr/bin/env bash
# The dialog destroyed while the program runs (WM_DESTROY, then the close sequence): the
# message loop must end, with exit code 0, rather than wait for ever on the vanished window.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start

check_exe=$(dirname "$PIXMOTE_EXE")/pixmote-destroy-check.exe
if [[ ! -f "$check_exe" ]]; then
    t_fail "$check_exe is missing (built with pixmote.exe)"
    t_finish
fi
wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'
out=$(timeout 60 wine "$check_exe" 2>>"$WENV_DIR/destroy.err")
rc=$?
t_expect_eq "loop's result after the dialog was destroyed" "${out//$'\r'/}" "appRun returned 0"
t_expect_eq "exit code" "$rc" 0
t_finish
