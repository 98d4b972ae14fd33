# shellcheck shell=bash
# Waiting for a consequence of an action: the checks never read a state once after a fixed
# sleep, since a busy machine can be late by seconds. They poll with a deadline instead.
# Sourced by scripts/wine-env.sh, so every check has these.
#
#   poll_until SECONDS COMMAND...          COMMAND's status, tried until it succeeds or time is up
#   poll_output [-x] SECONDS PATTERN COMMAND...
#                                          COMMAND's last output; succeeds once it holds PATTERN
#   t_expect_soon [-x] WHAT SECONDS PATTERN COMMAND...
#                                          a check: COMMAND's output comes to hold PATTERN
#
# PATTERN is a fixed string (grep -F); with -x the whole output must be PATTERN (trailing
# newlines aside), for values that must come out exactly, empty ones included. COMMAND runs in
# the calling shell, so a function may set variables. The interval is POLL_INTERVAL seconds
# (default 0.1).

# poll_until SECONDS COMMAND...: runs COMMAND until it exits 0, at most SECONDS (at least once).
poll_until() {
    local limit=$((SECONDS + $1))
    shift
    while true; do
        "$@" && return 0
        ((SECONDS < limit)) || return 1
        sleep "${POLL_INTERVAL:-0.1}"
    done
}

# poll_output [-x] SECONDS PATTERN COMMAND...: runs COMMAND until its output holds PATTERN (is
# PATTERN, with -x), at most SECONDS; prints the last output either way.
poll_output() {
    local exact=0
    if [[ "$1" == -x ]]; then
        exact=1
        shift
    fi
    local limit=$((SECONDS + $1)) pattern=$2 out
    shift 2
    while true; do
        out=$("$@" 2>/dev/null)
        if { ((exact)) && [[ "$out" == "$pattern" ]]; } ||
            { ((!exact)) && grep -qF -- "$pattern" <<<"$out"; }; then
            printf '%s\n' "$out"
            return 0
        fi
        if ((SECONDS >= limit)); then
            printf '%s\n' "$out"
            return 1
        fi
        sleep "${POLL_INTERVAL:-0.1}"
    done
}

# t_expect_soon [-x] WHAT SECONDS PATTERN COMMAND...: counts a failure unless COMMAND's output
# comes to hold PATTERN (to be PATTERN, with -x) within SECONDS.
t_expect_soon() {
    local mode=()
    if [[ "$1" == -x ]]; then
        mode=(-x)
        shift
    fi
    local what=$1 seconds=$2 pattern=$3 out
    shift 3
    if out=$(poll_output "${mode[@]}" "$seconds" "$pattern" "$@"); then
        t_ok "$what"
    else
        t_fail "$what: got '$(tr '\n' ' ' <<<"$out")', want '$pattern' within $seconds s"
    fi
}
