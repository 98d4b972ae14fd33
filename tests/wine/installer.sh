#!/usr/bin/env bash
# The per-user installer, pixmote-setup.exe, in a fresh Wine prefix:
#   1. a silent install puts the program, the program key with the default message and the
#      shipped catalogue in place (the exported key is compared with res/catalogue/*.reg), the
#      uninstall entry and the Start menu shortcut;
#   1b. the installed pixmote.exe records Free42 at its first start (tests/wine/lib/free42.sh)
#      with nothing in the registry but what the installer wrote (skipped without
#      ../shared/fixtures/free42);
#   1c. the installed pixmote.exe records the NumWorks simulator (tests/wine/lib/numworks.sh)
#      with the shipped catalogue alone, in its first-start window and resized to 640 x 940
#      (skipped without ../shared/fixtures/numworks);
#   2. the installed pixmote.exe starts without a warning and records the emulator stand-in,
#      shown in its face layout at scale 2, end to end (the GIF is checked against the frame
#      script; the stand-in's profiles, tests/data/standin.reg, are test data that the installer
#      does not ship, so they are imported first); the message that the user then stores
#      through the settings dialog is in the registry;
#   2b. the installed helper, pixmote-add.exe, used through its window as a person would
#      (tests/wine/lib/add_window.sh), adds the stand-in shown under a class and caption no
#      profile knows; the profile it saves is in the catalogue, and Pixmote records it;
#   3. while Pixmote runs, the installer and the uninstaller refuse, silently, with exit code 3;
#   4. a second install over the first keeps the stored message, the shortcuts as the user left
#      them and the profiles the user added (with the helper or by hand), and writes the shipped
#      profiles afresh;
#   5. the silent uninstall removes the program, its folder, the shortcuts and the uninstall
#      entry, and keeps the program key; with /PURGE it removes the program key too; an empty
#      stored message counts as stored.
#
# Environment: PIXMOTE_SETUP (default build-win/pixmote-setup.exe), and what
# scripts/wine-env.sh reads.
set -uo pipefail

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/free42.sh
source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
# shellcheck source=tests/wine/lib/numworks.sh
source "$PIXMOTE_ROOT/tests/wine/lib/numworks.sh"
# shellcheck source=tests/wine/lib/add_window.sh
source "$PIXMOTE_ROOT/tests/wine/lib/add_window.sh"
SETUP_EXE=${PIXMOTE_SETUP:-$PIXMOTE_ROOT/build-win/pixmote-setup.exe}
if [[ ! -f "$SETUP_EXE" ]]; then
    echo "installer.sh: missing $SETUP_EXE (scripts/build-installer.sh)" >&2
    exit 1
fi
BUILT_EXE=$PIXMOTE_EXE

PROGRAM_KEY='HKCU\Software\Pixmote'
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pixmote'

wenv_start
# Shortcuts must not turn into menu entries of the machine running the check.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

# setup ARGS...: runs the installer; prints its exit code.
setup() {
    timeout 180 wine "$SETUP_EXE" "$@" >>"$WENV_DIR/setup.log" 2>&1
    echo $?
}

# unix_path WINDOWS_PATH
unix_path() {
    winepath -u "$1" 2>/dev/null | tr -d '\r'
}

# reg_value KEY NAME: the data of a value as `reg query` shows it, or "<none>".
reg_value() {
    local out
    out=$(timeout 60 wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r')
    if [[ "$out" =~ [[:space:]]$2[[:space:]]+REG_[A-Z_]+[[:space:]]{4}(.*)$ ]]; then
        echo "${BASH_REMATCH[1]}"
    else
        echo "<none>"
    fi
}

reg_has_key() {
    timeout 60 wine reg query "$1" >/dev/null 2>&1
}

# registry_tree FILE.reg...: every key and value of the files, merged in order, one line each,
# sorted, with key paths and value names in lower case (the registry ignores their case).
registry_tree() {
    python3 - "$PIXMOTE_ROOT/tools" "$@" <<'EOF'
import sys
sys.path.insert(0, sys.argv[1])
import regfile
tree = {}
for path in sys.argv[2:]:
    for key in regfile.read(path):
        values = tree.setdefault(key.path.lower(), {})
        for v in key.values:
            values["@" if v.name is None else v.name.lower()] = (regfile.type_name(v.type), v.data)
for key in sorted(tree):
    print(f"[{key}]")
    for name in sorted(tree[key]):
        kind, data = tree[key][name]
        print(f"  {name} {kind} {data!r}")
EOF
}

# t_expect_tree WHAT EXPECTED.reg...: the program key, as exported from the prefix, holds
# exactly what the files say.
t_expect_tree() {
    local what=$1
    shift
    local export=$WENV_DIR/export-$RANDOM.reg
    timeout 60 wine regedit /E "$(wenv_winpath "$export")" 'HKEY_CURRENT_USER\Software\Pixmote' \
        >>"$WENV_DIR/reg.log" 2>&1
    if [[ ! -f "$export" ]]; then
        t_fail "$what: the program key could not be exported"
        return
    fi
    local diffs
    if diffs=$(diff <(registry_tree "$@") <(registry_tree "$export")); then
        t_ok "$what"
    else
        t_fail "$what: expected (<) and found (>) differ:"$'\n'"$diffs"
    fi
}

# message_reg FILE TEXT: a registry file that sets the stored message.
message_reg() {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Pixmote]\r\n@="%s"\r\n' "$2" >"$1"
}

# wait_gone PATH SECONDS: until PATH no longer exists (the uninstaller runs from a copy of itself
# and returns before it is done).
wait_gone() {
    poll_until "$2" test ! -e "$1"
}

# shortcuts_gone: none of the three shortcuts is left.
shortcuts_gone() {
    [[ ! -e "$startup_link" && ! -e "$start_menu_link" && ! -e "$add_link" ]]
}

reg_lacks_key() {
    ! reg_has_key "$1"
}

catalogue=("$PIXMOTE_ROOT"/res/catalogue/*.reg)
standin=$PIXMOTE_ROOT/tests/data/standin.reg

# ---------------------------------------------------------------------------------------------
wenv_log "1. silent install into a fresh prefix"
if reg_has_key "$PROGRAM_KEY"; then
    t_fail "the fresh prefix already has the program key"
fi
t_expect_eq "installer exit code" "$(setup /S)" 0

local_appdata=$(timeout 30 wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
appdata=$(timeout 30 wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
install_win="$local_appdata\\Programs\\Pixmote"
install_dir=$(unix_path "$install_win")
start_menu_link=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Pixmote.lnk")
startup_link=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\Pixmote.lnk")
add_link=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Add an emulator to Pixmote.lnk")
wenv_log "installed into $install_win"

if cmp -s "$BUILT_EXE" "$install_dir/pixmote.exe"; then
    t_ok "pixmote.exe is in $install_win"
else
    t_fail "no copy of $BUILT_EXE in $install_dir"
fi
[[ -f "$install_dir/uninstall.exe" ]] && t_ok "uninstall.exe is there" || t_fail "no uninstall.exe"
cmp -s "$(dirname "$BUILT_EXE")/pixmote-add.exe" "$install_dir/pixmote-add.exe" &&
    t_ok "pixmote-add.exe is beside it" || t_fail "no copy of pixmote-add.exe in $install_dir"
[[ -f "$install_dir/catalogue.reg" ]] && t_ok "catalogue.reg is there" || t_fail "no catalogue.reg"

message_reg "$WENV_DIR/default-message.reg" "Made with Pixmote"
t_expect_tree "program key: the default message and the shipped catalogue" \
    "$WENV_DIR/default-message.reg" "${catalogue[@]}"
t_expect_tree "catalogue.reg beside the program holds the shipped catalogue" \
    "$WENV_DIR/default-message.reg" "$install_dir/catalogue.reg"

t_expect_eq "uninstall entry: name" "$(reg_value "$UNINSTALL_KEY" DisplayName)" "Pixmote"
t_expect_eq "uninstall entry: location" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" \
    "$install_win"
t_expect_eq "uninstall entry: command" "$(reg_value "$UNINSTALL_KEY" UninstallString)" \
    "\"$install_win\\uninstall.exe\""
t_expect_eq "uninstall entry: quiet command" \
    "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" "\"$install_win\\uninstall.exe\" /S"
[[ -f "$start_menu_link" ]] && t_ok "Start menu shortcut" || t_fail "no $start_menu_link"
[[ -f "$add_link" ]] && t_ok "Start menu shortcut of the helper" || t_fail "no $add_link"
[[ ! -e "$startup_link" ]] && t_ok "no Startup shortcut by default" || t_fail "$startup_link made"

# ---------------------------------------------------------------------------------------------
wenv_log "1b. the installed program records Free42 with the shipped catalogue alone"
PIXMOTE_EXE=$install_dir/pixmote.exe
if f42_build; then
    f42_start
    wenv_pixmote || t_fail "the installed pixmote.exe did not start"
    t_expect_tray Halted
    f42_record installed "$F42_REALISTIC" 7 ENTER 6 '*'
    f42_stop
    wenv_driver close >/dev/null
    t_expect_eq "Pixmote exit code after recording Free42" "$(wenv_pixmote_exit_code 20)" 0
elif ((F42_MISSING == 0)); then
    t_fail "Free42 could not be built"
fi

# ---------------------------------------------------------------------------------------------
wenv_log "1c. the installed program records the NumWorks simulator with the shipped catalogue"
if nw_build; then
    nw_start
    wenv_pixmote || t_fail "the installed pixmote.exe did not start"
    t_expect_tray Halted
    # The shipped profile records in colour: the recordings are compared colour for colour.
    NW_CHECK_ARGS="--colour"
    nw_record installed-first key:Right key:Return
    nw_resize 640 940 || t_fail "the simulator could not be resized to 640 x 940"
    nw_record installed-resized key:Return type:3
    nw_stop
    wenv_driver close >/dev/null
    t_expect_eq "Pixmote exit code after recording the simulator" \
        "$(wenv_pixmote_exit_code 20)" 0
elif ((NW_MISSING == 0)); then
    t_fail "the NumWorks simulator could not be built"
fi

# ---------------------------------------------------------------------------------------------
wenv_log "2. the installed program records the stand-in"
wenv_reg_import "$standin"
script=$WENV_DIR/frames.txt
printf '%s\n' 600 400 400 500 700 >"$script"
wenv_standin --face --scale 2 --script "$(wenv_winpath "$script")" ||
    t_fail "the stand-in did not start"
wenv_pixmote || t_fail "the installed pixmote.exe did not start"
box=$(wenv_driver no-box 1500) && t_ok "no warning at start-up" || t_fail "at start-up: $box"
t_expect_tray Halted
# The save dialog comes up only when the catalogue describes the stand-in's window (its face
# layout: the whole-client test fails at 320 x 560).
wenv_record "$WENV_DIR/recording.gif" "$script" --size 96x64 --step 16

# The user stores a message of their own.
wenv_driver tray right >/dev/null
wenv_driver wait-dialog-visible >/dev/null || t_fail "the settings dialog did not show"
wenv_driver set-text 1004 "my own words" >/dev/null
wenv_driver click 1 >/dev/null
wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
t_expect_soon -x "the message stored by the dialog" 15 "my own words" \
    wenv_reg_default "$PROGRAM_KEY"

# ---------------------------------------------------------------------------------------------
wenv_log "2b. the installed helper adds an emulator the catalogue does not know"
message_reg "$WENV_DIR/my-message.reg" "my own words"
wenv_standin_stop
wenv_standin --class MyCalc --caption "My Calc" --face --scale 2 \
    --script "$(wenv_winpath "$script")" || t_fail "the unknown stand-in did not start"
if addw_start "$install_dir/pixmote-add.exe"; then
    addw_find installed-add
    addw_save installed-add
    addw_close
fi
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Pixmote\Added]' '' \
    '[HKEY_CURRENT_USER\Software\Pixmote\Added\My Calc]' "${ADDW_REG_VALUES[@]}" \
    >"$WENV_DIR/added.reg"
t_expect_tree "program key: the profile the helper saved joins the catalogue" \
    "$WENV_DIR/my-message.reg" "${catalogue[@]}" "$standin" "$WENV_DIR/added.reg"
WENV_EMU_TITLE="My Calc" wenv_record "$WENV_DIR/added.gif" "$script" --size 96x64 --step 16

# ---------------------------------------------------------------------------------------------
wenv_log "3. installer and uninstaller refuse while Pixmote runs"
t_expect_eq "installer exit code while running" "$(setup /S)" 3
uninstall_rc=$(timeout 120 wine "$install_dir/uninstall.exe" /S "_?=$install_win" \
    >>"$WENV_DIR/setup.log" 2>&1; echo $?)
t_expect_eq "uninstaller exit code while running" "$uninstall_rc" 3
[[ -f "$install_dir/pixmote.exe" && -f "$install_dir/uninstall.exe" ]] &&
    t_ok "the installed files are untouched" || t_fail "files went missing"
wenv_driver pid >/dev/null && t_ok "Pixmote still runs" || t_fail "Pixmote is gone"

wenv_driver close >/dev/null
t_expect_eq "Pixmote exit code after Exit" "$(wenv_pixmote_exit_code 20)" 0
if kill -0 "$WENV_PIXMOTE_PID" 2>/dev/null; then
    kill "$WENV_PIXMOTE_PID"
    poll_until 10 wenv_process_gone "$WENV_PIXMOTE_PID"
fi

# ---------------------------------------------------------------------------------------------
wenv_log "4. a second install over the first"
# The user spoils a shipped profile, adds an emulator of their own and drops the Start menu
# shortcut.
shipped_profile='HKCU\Software\Pixmote\Wabbitemu\TI-73 to TI-84 Plus'
timeout 60 wine reg add "$shipped_profile" /v CX /t REG_DWORD /d 1 /f >>"$WENV_DIR/reg.log" 2>&1
timeout 60 wine reg add "$shipped_profile" /v RCX /t REG_DWORD /d 200 /f \
    >>"$WENV_DIR/reg.log" 2>&1
own=$WENV_DIR/own.reg
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Pixmote\Mine]' '' \
    '[HKEY_CURRENT_USER\Software\Pixmote\Mine\Own]' '"ClassName"="MyCalc"' '"Caption"="My Calc"' \
    '"CX"=dword:00000080' '"CY"=dword:00000040' >"$own"
wenv_reg_import "$own"
rm -f "$start_menu_link"
: >"$install_dir/pixmote.exe"  # so that the upgrade must be seen to replace it

t_expect_eq "second installer exit code" "$(setup /S /STARTUP)" 0
message_reg "$WENV_DIR/my-message.reg" "my own words"
t_expect_tree "program key: the stored message, the shipped profiles afresh, the user's own" \
    "$WENV_DIR/my-message.reg" "${catalogue[@]}" "$standin" "$WENV_DIR/added.reg" "$own"
t_expect_eq "installed in the same place" "$(reg_value "$UNINSTALL_KEY" InstallLocation)" \
    "$install_win"
cmp -s "$BUILT_EXE" "$install_dir/pixmote.exe" && t_ok "pixmote.exe replaced" ||
    t_fail "pixmote.exe missing after the upgrade"
[[ ! -e "$start_menu_link" ]] && t_ok "the dropped Start menu shortcut stays away" ||
    t_fail "the Start menu shortcut came back"
[[ -f "$startup_link" ]] && t_ok "/STARTUP made the Startup shortcut" || t_fail "no $startup_link"

# ---------------------------------------------------------------------------------------------
wenv_log "5. silent uninstall"
timeout 120 wine "$install_dir/uninstall.exe" /S >>"$WENV_DIR/setup.log" 2>&1
if wait_gone "$install_dir" 60; then
    t_ok "the program's folder is gone"
else
    t_fail "left in $install_dir: $(ls "$install_dir" | tr '\n' ' ')"
fi
# The uninstaller removes the folder first, the shortcuts and its entry after.
poll_until 30 shortcuts_gone && t_ok "the shortcuts are gone" || t_fail "a shortcut is left"
POLL_INTERVAL=0.5 poll_until 30 reg_lacks_key "$UNINSTALL_KEY" && t_ok "uninstall entry gone" ||
    t_fail "the uninstall entry is left"
t_expect_tree "a silent uninstall keeps the program key" \
    "$WENV_DIR/my-message.reg" "${catalogue[@]}" "$standin" "$WENV_DIR/added.reg" "$own"

# An empty stored message is a stored message; /PURGE takes the program key away.
timeout 60 wine reg add "$PROGRAM_KEY" /ve /d "" /f >>"$WENV_DIR/reg.log" 2>&1
t_expect_eq "third installer exit code" "$(setup /S)" 0
t_expect_eq "an empty stored message stays empty" "$(wenv_reg_default "$PROGRAM_KEY")" ""
timeout 120 wine "$install_dir/uninstall.exe" /S /PURGE >>"$WENV_DIR/setup.log" 2>&1
wait_gone "$install_dir" 60 || t_fail "the folder is left after /PURGE"
POLL_INTERVAL=0.5 poll_until 30 reg_lacks_key "$PROGRAM_KEY" && t_ok "/PURGE removed the key" ||
    t_fail "/PURGE left the program key"

t_finish
