#!/usr/bin/env bash
# Cross-builds giflib as a static Windows (x86_64) library from Debian's own source package.
#
#   scripts/build-giflib-windows.sh [WORKDIR]        WORKDIR defaults to <repo>/build-win-giflib
#
# Leaves WORKDIR/prefix/include/gif_lib.h and WORKDIR/prefix/lib/libgif.a, the prefix that the
# Windows build takes as GIFLIB_PREFIX. Idempotent: when both files exist it does nothing, and a
# source tree already unpacked under WORKDIR/src is not fetched again. Fetching needs a deb-src
# entry; when apt has none, one is added next to the configured Debian archive (needs root or
# sudo). Environment: MINGW_CC (default x86_64-w64-mingw32-gcc-win32), MINGW_AR.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${1:-$repo/build-win-giflib}
mkdir -p "$work"
work=$(cd "$work" && pwd)
prefix=$work/prefix
cc=${MINGW_CC:-x86_64-w64-mingw32-gcc-win32}
ar=${MINGW_AR:-x86_64-w64-mingw32-ar}

if [[ -f $prefix/include/gif_lib.h && -f $prefix/lib/libgif.a ]]; then
    echo "giflib for Windows: already built in $prefix"
    exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi

# Writes a deb-src twin of the main Debian entry (same URIs, suites, components and key) into
# its own file, so the configured sources themselves stay untouched.
add_source_entry() {
    local list=/etc/apt/sources.list.d/pixmote-src.sources
    local entry=""
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        # The first deb822 stanza of type deb whose URI is the Debian archive itself (not the
        # security archive); its comment lines are dropped.
        entry=$(awk '
            BEGIN { RS = ""; FS = "\n" }
            {
                types = ""; uris = ""; keep = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^#/) continue
                    if ($i ~ /^Types:/) { types = $i; continue }
                    if ($i ~ /^URIs:/) uris = $i
                    keep = keep $i "\n"
                }
                if (types ~ /[[:space:]]deb([[:space:]]|$)/ && uris ~ /\/debian\/?([[:space:]]|$)/) {
                    printf "Types: deb-src\n%s", keep
                    exit
                }
            }' /etc/apt/sources.list.d/debian.sources)
    fi
    if [[ -n $entry ]]; then
        echo "giflib for Windows: adding $list"
        printf '# Source packages of the Debian archive (added for the Windows build of giflib).\n%s\n' \
            "$entry" | $sudo tee "$list" >/dev/null
    else
        # One-line style: repeat every "deb" line of sources.list as "deb-src".
        list=/etc/apt/sources.list.d/pixmote-src.list
        local lines
        lines=$(sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list 2>/dev/null || true)
        if [[ -z $lines ]]; then
            echo "giflib for Windows: no Debian archive entry found to derive a deb-src entry from" >&2
            exit 1
        fi
        echo "giflib for Windows: adding $list"
        printf '%s\n' "$lines" | $sudo tee "$list" >/dev/null
    fi
    $sudo apt-get update -qq
}

# The directory of the unpacked source tree that holds gif_lib.h and the library's sources
# (the top of the tree in 5.2.x, lib/ in later releases).
find_source() {
    if [[ -d $work/src ]]; then
        find "$work/src" -mindepth 2 -maxdepth 3 -name gif_lib.h -printf '%h\n' | sort | head -n 1
    fi
}

libdir=$(find_source)
if [[ -z $libdir ]]; then
    if ! apt-cache showsrc giflib 2>/dev/null | grep -q '^Package: giflib'; then
        add_source_entry
    fi
    mkdir -p "$work/src"
    # As root, apt's download user may not be able to write here; fetch as root then.
    sandbox=()
    if [[ $(id -u) -eq 0 ]]; then
        sandbox=(-o APT::Sandbox::User=root)
    fi
    (cd "$work/src" && apt-get source -qq "${sandbox[@]}" giflib)
    libdir=$(find_source)
    if [[ -z $libdir ]]; then
        echo "giflib for Windows: apt-get source giflib left no gif_lib.h under $work/src" >&2
        exit 1
    fi
fi
echo "giflib for Windows: building from $libdir with $cc"

# The library's own sources (5.2.x); the command-line utilities are not needed.
sources=(dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c openbsd-reallocarray.c quantize.c)
objdir=$work/obj
rm -rf "$objdir"
mkdir -p "$objdir"
objects=()
for s in "${sources[@]}"; do
    if [[ -f $libdir/$s ]]; then
        "$cc" -std=gnu99 -O2 -Wall -Wno-format-truncation -I"$libdir" -c "$libdir/$s" \
            -o "$objdir/${s%.c}.o"
        objects+=("$objdir/${s%.c}.o")
    fi
done

# Install last, archive first, so that an interrupted run never looks finished.
mkdir -p "$prefix/include" "$prefix/lib"
rm -f "$objdir/libgif.a"
"$ar" rcs "$objdir/libgif.a" "${objects[@]}"
cp "$libdir/gif_lib.h" "$prefix/include/gif_lib.h"
mv "$objdir/libgif.a" "$prefix/lib/libgif.a"
echo "giflib for Windows: installed $prefix/lib/libgif.a and $prefix/include/gif_lib.h"
