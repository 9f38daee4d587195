#!/bin/sh
# Plays a two-second show in a real SDL window under a virtual X server; the player must open a
# window (not fall back to offscreen rendering) and exit with status 0.
# Usage: window_smoke.sh PLAYER DATA_DIR. Exit 77 (skipped) without xvfb-run.
player="$1"
data="$2"
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run is not installed: skipped"
    exit 77
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
SDL_AUDIODRIVER=dummy timeout 120 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$player" --data "$data" >"$log" 2>&1
status=$?
cat "$log"
if [ "$status" -ne 0 ]; then
    echo "window smoke: the player exited with status $status"
    exit 1
fi
if grep -q "no display available" "$log"; then
    echo "window smoke: the player did not open a window"
    exit 1
fi
if ! grep -q "lastEvent: 2 " "$log"; then
    echo "window smoke: the show's exit event did not fire"
    exit 1
fi
exit 0
