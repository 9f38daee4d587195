#!/bin/sh
# velmora --check on the show built into the player and on the starter that --new writes: both
# must check clean (status 0, no finding on standard output).
# Usage: check_shows.sh VELMORA
set -u
player="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0

checkClean() { # NAME, then the arguments for the player
    name="$1"; shift
    if "$player" --check "$@" >"$work/findings" 2>"$work/log" && [ ! -s "$work/findings" ]; then
        echo "ok   $name checks clean"
    else
        echo "FAIL $name:"; cat "$work/findings" "$work/log"
        failed=1
    fi
}

checkClean "the embedded show"
if "$player" --new "$work/starter" >"$work/log" 2>&1; then
    checkClean "the --new starter" --data "$work/starter"
else
    echo "FAIL velmora --new:"; cat "$work/log"
    failed=1
fi
exit $failed
