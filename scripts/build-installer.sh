#!/usr/bin/env bash
# Builds the per-user installer BUILD_DIR/pixmote-setup.exe (installer/pixmote.nsi, NSIS) from
# the Windows programs BUILD_DIR/pixmote.exe and pixmote-add.exe and the icons, made by
# scripts/build-windows.sh, and the catalogue's group files res/catalogue/*.reg. The catalogue is checked first
# (tools/check_catalogue.py): a catalogue that Pixmote could not use in full fails the build.
#
#   scripts/build-installer.sh [BUILD_DIR]      (default: build-win)
#
# Needs makensis (Debian: nsis) and python3. The Windows build runs this too (cmake/windows.cmake).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build-win}" && pwd)
exe=$build/pixmote.exe
add_exe=$build/pixmote-add.exe
icon=$build/icons/pixmote-103.ico
work=$build/installer

for f in "$exe" "$add_exe" "$icon"; do
    if [[ ! -f $f ]]; then
        echo "build-installer: $f is missing; run scripts/build-windows.sh first" >&2
        exit 1
    fi
done
if ! command -v makensis >/dev/null; then
    echo "build-installer: makensis not found (Debian package nsis)" >&2
    exit 1
fi

mkdir -p "$work"
python3 "$repo/tools/make_catalogue.py" --reg "$work/catalogue.reg" --nsh "$work/catalogue.nsh" \
    "$repo/res/catalogue"
makensis -V2 -WX \
    "-DPIXMOTE_EXE=$exe" \
    "-DPIXMOTE_ADD_EXE=$add_exe" \
    "-DCATALOGUE_NSH=$work/catalogue.nsh" \
    "-DCATALOGUE_REG=$work/catalogue.reg" \
    "-DICON=$icon" \
    "-DOUTFILE=$build/pixmote-setup.exe" \
    "$repo/installer/pixmote.nsi"
echo "built $build/pixmote-setup.exe"
