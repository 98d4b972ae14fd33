#!/usr/bin/env bash
# A recording in colour: a profile with Colors 1 for the stand-in drawing its colour patterns
# (16 colours, and in every third pattern a block in 16 more that differ from the first only in
# hue, never in red) at scale 2. The GIF must show every frame of the script in order, colour
# for colour, with its delays, as pixmote-gif-check --colours compares it.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
wenv_start
reg=$WENV_DIR/colour.reg
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Pixmote]

[HKEY_CURRENT_USER\Software\Pixmote\Colour]

[HKEY_CURRENT_USER\Software\Pixmote\Colour\StandIn]
"ClassName"="ColourStandIn"
"Caption"="Colour Stand-In"
"CX"=dword:00000060
"CY"=dword:00000040
"Colors"=dword:00000001
REG
wenv_reg_import "$reg"
script=$WENV_DIR/script.txt
# Each frame held three ticks or more, so every one must appear; patterns 2 and 5 bring the
# hue-only block.
printf '%s\n' 700 700 700 700 700 700 700 >"$script"

wenv_pixmote
export WENV_EMU_TITLE="Colour Stand-In"
wenv_standin --class ColourStandIn --caption "Colour Stand-In" --colours --scale 2 \
    --script "$(wenv_winpath "$script")"
wenv_record "$WENV_DIR/colour.gif" "$script" --size 96x64 --colours

wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
t_finish
