#!/usr/bin/env bash
# Installs, idempotently, every Debian package that building, testing and the demo need.
# Safe to run again: it asks apt only for what is missing. Needs root (or sudo) on Debian 12.
set -euo pipefail

packages=(
    # native build and tests
    cmake make g++ pkg-config python3 libgif-dev libgtest-dev libgmock-dev libbenchmark-dev
    # the tests read screenshots of real emulators (PNG)
    libpng-dev
    # sanitizers and the fuzzer
    clang libclang-rt-14-dev
    # the Windows build, and giflib from Debian's own source package
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools dpkg-dev
    # running and driving the Windows program
    wine wine64 xvfb xauth x11-utils xdotool imagemagick procps
    # the installer
    nsis
    # Free42, the real emulator the Wine checks build from ../shared/fixtures/free42
    patch xz-utils
    # the NumWorks simulator, built from ../shared/fixtures/numworks (its host tools need
    # FreeType and libpng); libpng also reads the simulator's screenshots in the native tests
    gcc libfreetype-dev libpng-dev
    # a recording cut short by a failed write decodes in a second decoder
    python3-pil
    # checking that a recording plays in a browser
    chromium
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
# An unreachable third-party list must not stop the install of Debian's own packages.
$sudo apt-get update -qq || echo "install-deps: apt-get update reported errors; going on" >&2
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
