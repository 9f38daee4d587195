#!/bin/sh
# Runs a command with a virtual X server as its display. Exit 77 (skipped) without xvfb-run.
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run is not installed: skipped"
    exit 77
fi
SDL_AUDIODRIVER=dummy exec timeout 120 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$@"
