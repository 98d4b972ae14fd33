#!/usr/bin/env bash
# Detection on a left press in Halted, against the real registry and window manager: the
# warnings without the program key, with an empty catalogue, with the stand-in's catalogue but
# no window, and with a window of a size no profile fits; then the stand-in found (Ready, the
# save dialog), a close request refused while Ready, and a cancel back to Halted without a file.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start

catalogue=$PIXMOTE_ROOT/tests/data/standin.reg
if [[ ! -f "$catalogue" ]]; then
    catalogue=$WENV_DIR/standin.reg
    cat >"$catalogue" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Pixmote\StandIn\Bare]
"ClassName"="CalcStandIn"
"Caption"="Calculator Stand-In"
"CX"=dword:00000060
"CY"=dword:00000040

[HKEY_CURRENT_USER\Software\Pixmote\StandIn\Face]
"ClassName"="CalcStandIn"
"Caption"="Calculator Stand-In"
"CX"=dword:00000060
"CY"=dword:00000040
"RCX"=dword:000000a0
"RCY"=dword:00000118
"RX"=dword:00000020
"RY"=dword:00000028

[HKEY_CURRENT_USER\Software\Pixmote\StandIn\Color]
"ClassName"="CalcStandIn"
"Caption"="Calculator Stand-In"
"CX"=dword:00000140
"CY"=dword:000000f0
EOF
fi

not_found="text: The software was unable to detect a supported emulator."

# left_warns WHAT TEXT: a left press shows the warning TEXT and leaves the tray Halted, with
# no save dialog.
left_warns() {
    wenv_driver tray left >/dev/null
    local box
    box=$(wenv_driver box)
    t_expect_contains "$1: warning" "$box" "$2"
    t_expect_contains "$1: warning caption" "$box" "caption: Pixmote"
    t_expect_eq "$1: no save dialog" "$(wenv_driver --timeout 500 savefile-cancel | head -n 1)" \
        'FAIL no save dialog "Create Animated Screenshot"'
    t_expect_tray Halted
}

wenv_pixmote
wenv_driver box >/dev/null  # the start-up warning: no program key yet
left_warns "no program key" "text: Unable to open registry key HKEY_CURRENT_USER/Software/PIXMOTE"

wenv_reg_add_key 'HKEY_CURRENT_USER\Software\Pixmote'
left_warns "empty catalogue" "$not_found"

wenv_reg_import "$catalogue"
left_warns "catalogue, no window" "$not_found"

# 100 x 64 is neither a whole multiple of a screen nor of the face layout.
wenv_standin --screen 100x64
left_warns "a window of no catalogued size" "$not_found"
wenv_standin_stop

wenv_standin --scale 2
wenv_driver tray left >/dev/null
t_expect_tray Ready
# The close request reaches the dialog inside the save dialog's own message loop.
wenv_driver close >/dev/null
box=$(wenv_driver box)
t_expect_contains "close refused while Ready" "$box" \
    "text: The current screenshot has not yet been completed"
t_expect_eq "still running after the refusal" "$(wenv_pixmote_exit_code 1)" running
out=$(wenv_driver savefile-cancel)
t_expect_eq "save dialog cancelled" "$out" cancelled
t_expect_tray Halted
t_expect_eq "no file after a cancel" "$(find "$WENV_DIR" -maxdepth 1 -name '*.gif' | wc -l)" 0
t_expect_eq "no warning after a cancel" "$(wenv_driver no-box 1000)" "no box"

wenv_driver close >/dev/null
t_expect_eq "exit code after close in Halted" "$(wenv_pixmote_exit_code 15)" 0
t_finish
