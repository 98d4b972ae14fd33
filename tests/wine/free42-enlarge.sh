#!/usr/bin/env bash
# Free42, a real emulator, recorded at Size x3 as it first starts and at x2 resized to about
# 1.37 times: keys are typed while Pixmote records and the screen is photographed after each
# (tests/wine/lib/free42.sh); every recording must be an exact enlargement whose frames,
# brought back to x1, show every screen state in order, dot for dot (pixmote-lcd-check
# --enlarge). Skipped, with a message, where ../shared/fixtures/free42 is absent.
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/lib/free42.sh
source "$PIXMOTE_ROOT/tests/wine/lib/free42.sh"
f42_build_or_skip
wenv_start
wenv_reg_import "$PIXMOTE_ROOT/res/catalogue/free42.reg"

# f42_record runs $F42_LCD_CHECK on each recording: here the check of an enlarged one.
lcd_check=$F42_LCD_CHECK
enlarged_check() {
    F42_LCD_CHECK=$WENV_DIR/lcd-check-x$1.sh
    printf '#!/usr/bin/env bash\nexec %q --enlarge %d "$@"\n' "$lcd_check" "$1" >"$F42_LCD_CHECK"
    chmod +x "$F42_LCD_CHECK"
}

choose_size() {
    wenv_driver tray right >/dev/null
    wenv_driver wait-dialog-visible >/dev/null
    wenv_driver click "$1" >/dev/null
    wenv_driver click 1 >/dev/null
    wenv_driver wait-dialog-hidden >/dev/null || t_fail "OK did not hide the dialog"
}

f42_start || t_finish
wenv_pixmote
t_expect_tray Halted

echo "== x3, the first-start window" >&2
choose_size 1009
enlarged_check 3
f42_record x3-first "$F42_REALISTIC" 7 ENTER 6 '*'
t_expect_eq "x3 logical screen" "$(od -An -tu2 -j6 -N4 "$PIXMOTE_ARTIFACTS/free42-x3-first.gif" | xargs)" \
    "$((266 * 3)) $((52 * 3))"

echo "== x2, resized to 1.37 times" >&2
f42_geometry win-resize 466 845 || t_fail "Free42 could not be resized to 466 x 845"
choose_size 1008
enlarged_check 2
f42_record x2-scale137 "$F42_REALISTIC" 1 2 ENTER 5 /

f42_stop
wenv_driver close >/dev/null
t_expect_eq "exit code after close" "$(wenv_pixmote_exit_code 15)" 0
for line in "${F42_FIGURES[@]}"; do
    echo "    $line" >&2
done
t_finish
