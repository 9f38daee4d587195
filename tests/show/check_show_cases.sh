#!/usr/bin/env bash
# scripts/check-show on made-up captures: it passes a moving picture with sound, and fails, naming
# the stretch, on frames of one colour, on washed-out frames and on silence before the end; the
# first 3 s and the last 6 s are not judged, nor single white frames (flashes), though listed. Exit 77 (skipped) without ffmpeg or python3.
set -uo pipefail
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-show"
command -v ffmpeg >/dev/null && command -v python3 >/dev/null || exit 77
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# capture NAME VIDEO_SOURCE AUDIO_SOURCE: 20 s at 5 frames a second, as the player writes them
capture() {
    mkdir -p "$work/$1"
    ffmpeg -nostdin -loglevel error -f lavfi -i "$2" -frames:v 100 -start_number 0 "$work/$1/frame-%06d.png" &&
        ffmpeg -nostdin -loglevel error -f lavfi -i "$3" -t 20 -c:a pcm_s16le "$work/$1/audio.wav"
}
moving="testsrc=size=160x120:rate=5"
tone="sine=frequency=440:sample_rate=44100"
black() { echo "drawbox=enable='$1':color=black:t=fill"; }
white() { echo "drawbox=enable='$1':color=white:t=fill"; }
quiet() { echo "volume=enable='$1':volume=0"; }
capture good "$moving" "$tone" &&
    capture flat "$moving,$(black 'between(t,5,7)')" "$tone" &&
    capture white "color=white:size=160x120:rate=5" "$tone" &&
    capture flashes "$moving,$(white 'lt(mod(t,1),0.2)')" "$tone" &&
    capture quiet "$moving" "$tone,$(quiet 'between(t,8,11)')" &&
    capture edges "$moving,$(black 'lt(t,3)+gte(t,14)')" "$tone,$(quiet 'gte(t,18)')" ||
    { echo "could not make the captures"; exit 1; }

failed=0
# name, expected status, what the report must say (an extended regular expression)
while read -r name status pattern; do
    report="$("$check" --fps 5 "$work/$name" 2>&1 </dev/null)"
    got=$?
    if [ "$got" != "$status" ] || ! grep -Eq -- "$pattern" <<<"$report"; then
        echo "FAIL $name: status $got (wanted $status), report lacks /$pattern/:"
        echo "$report"
        failed=1
    fi
done <<'CASES'
good 0 0.00 s of flat or washed-out frames
flat 1 flat +5.00 - +7.20 s
white 1 washed out +3.00 - +14.00 s
flashes 0 washed out +3.00 - +3.20 s \(0.20 s, brief: not counted\)
quiet 1 silence +8.0[0-9] - +11.0[0-9] s
edges 0 0.00 s of flat.*ok
CASES
exit $failed
