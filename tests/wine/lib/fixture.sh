# shellcheck shell=bash
# A real emulator from ../shared/fixtures, for the Wine checks: built once into a folder of the
# repository and reused, and its window's place read through the driver. Sourced by the
# emulators' own libraries (tests/wine/lib/free42.sh, numworks.sh).
#
#   fixture_build NAME FIXTURE BUILD   builds with FIXTURE/build.sh BUILD unless it is built;
#                                      fails, saying why, without the fixture (FIXTURE_MISSING=1
#                                      then) or when the build fails
#   fixture_geometry PREFIX CLASS [win-info|win-resize W H|win-move X Y]
#                                      runs the driver command on the window of class CLASS and
#                                      sets PREFIX_CW, PREFIX_CH, PREFIX_X, PREFIX_Y from its answer

fixture_build() {
    local name=$1 fixture=$2 build=$3
    FIXTURE_MISSING=0
    if [[ ! -f "$fixture/build.sh" ]]; then
        FIXTURE_MISSING=1
        echo "SKIP: ../shared/fixtures/$name not found ($fixture)"
        return 1
    fi
    mkdir -p "$build"
    # One build at a time, also when two checks start together.
    if ! flock "$build/.lock" bash "$fixture/build.sh" "$build" >"$build/build-run.log" 2>&1; then
        echo "$name: the build failed (see $build/build-run.log)" >&2
        tail -n 20 "$build/build-run.log" >&2
        return 1
    fi
}

fixture_geometry() {
    local prefix=$1 class=$2 out
    shift 2
    out=$(wenv_driver "${1:-win-info}" "$class" "${@:2}")
    if [[ "$out" =~ client\ ([0-9]+)x([0-9]+)\ at\ (-?[0-9]+),(-?[0-9]+) ]]; then
        printf -v "${prefix}_CW" '%s' "${BASH_REMATCH[1]}"
        printf -v "${prefix}_CH" '%s' "${BASH_REMATCH[2]}"
        printf -v "${prefix}_X" '%s' "${BASH_REMATCH[3]}"
        printf -v "${prefix}_Y" '%s' "${BASH_REMATCH[4]}"
        [[ "$out" != *FAIL* ]]
        return
    fi
    echo "$class: no window ($out)" >&2
    return 1
}
