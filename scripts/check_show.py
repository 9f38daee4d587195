#!/usr/bin/env python3
"""Judges a captured show (PNG frames and audio.wav, as `velmora --capture DIR` writes them) the
way a viewer would: stretches of flat or washed-out frames, and silence before the end. A
stretch of a quarter second or less is a flash or a cut to a viewer: it is listed, not counted.
Called by scripts/check-show; standard library only, frames decoded and scaled by ffmpeg."""

import argparse
import array
import os
import subprocess
import sys
import wave

# The analysis size: large enough to see stars and thin lines as detail, small enough to keep a
# whole show at 5 frames a second to a few seconds of work.
WIDTH, HEIGHT = 160, 120
FLAT_SHARE = 0.85       # share of pixels near one colour that makes a frame flat
FLAT_DISTANCE = 16      # per channel, around the commonest colour
WHITE_SHARE = 0.5       # share of near-white pixels that makes a frame washed out
WHITE_LEVEL = 215       # every channel at least this is near white
SILENCE_WINDOW = 0.05   # seconds per loudness measurement
SILENCE_PEAK = 0.002    # peak below this (of full scale) in a window is silence


def frame_files(folder):
    names = sorted(n for n in os.listdir(folder) if n.startswith("frame-") and n.endswith(".png"))
    return [os.path.join(folder, n) for n in names]


def read_frames(folder):
    """Yields every frame as raw RGB bytes of WIDTH x HEIGHT, in order."""
    files = frame_files(folder)
    if not files:
        return
    # The frames are numbered from 0 without gaps; ffmpeg reads the numbered sequence.
    pattern = os.path.join(folder, "frame-%06d.png")
    command = ["ffmpeg", "-nostdin", "-loglevel", "error", "-start_number", "0", "-i", pattern,
               "-vf", f"scale={WIDTH}:{HEIGHT}:flags=area", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"]
    size = WIDTH * HEIGHT * 3
    with subprocess.Popen(command, stdout=subprocess.PIPE) as decoder:
        while True:
            data = decoder.stdout.read(size)
            if len(data) < size:
                break
            yield data
    if decoder.returncode not in (0, None):
        raise RuntimeError(f"ffmpeg could not read the frames in {folder}")


def classify(data):
    """'flat', 'white' or None for one frame."""
    r, g, b = data[0::3], data[1::3], data[2::3]
    pixels = len(r)
    white = sum(1 for x, y, z in zip(r, g, b) if x >= WHITE_LEVEL and y >= WHITE_LEVEL and z >= WHITE_LEVEL)
    if white >= WHITE_SHARE * pixels:
        return "white"
    # The commonest colour, to 16 levels a channel, and how many pixels lie close to its centre.
    counts = {}
    for x, y, z in zip(r, g, b):
        key = (x >> 4, y >> 4, z >> 4)
        counts[key] = counts.get(key, 0) + 1
    key = max(counts, key=counts.get)
    # A flat colour on a bin corner spreads over up to eight bins.
    if counts[key] < (FLAT_SHARE / 8) * pixels:
        return None
    centre = [k * 16 + 8 for k in key]
    near = sum(1 for x, y, z in zip(r, g, b)
               if abs(x - centre[0]) <= FLAT_DISTANCE and abs(y - centre[1]) <= FLAT_DISTANCE
               and abs(z - centre[2]) <= FLAT_DISTANCE)
    return "flat" if near >= FLAT_SHARE * pixels else None


def stretches(flags, step):
    """Runs of equal non-None flags as (kind, start, end) in seconds."""
    runs = []
    for i, kind in enumerate(flags):
        if kind is None:
            continue
        if runs and runs[-1][0] == kind and runs[-1][2] == i:
            runs[-1][2] = i + 1
        else:
            runs.append([kind, i, i + 1])
    return [(kind, a * step, b * step) for kind, a, b in runs]


def silences(path, until, shortest):
    """Silent stretches of at least `shortest` seconds that start before `until`."""
    with wave.open(path, "rb") as audio:
        if audio.getsampwidth() != 2:
            raise RuntimeError(f"{path}: only 16-bit audio is understood")
        rate, channels = audio.getframerate(), audio.getnchannels()
        samples = array.array("h", audio.readframes(audio.getnframes()))
    if sys.byteorder == "big":
        samples.byteswap()
    window = max(1, int(rate * SILENCE_WINDOW)) * channels
    threshold = SILENCE_PEAK * 32768
    found, start = [], None
    count = len(samples) // window
    for w in range(count + 1):
        quiet = False
        if w < count:
            chunk = samples[w * window:(w + 1) * window]
            quiet = max(chunk) < threshold and -min(chunk) < threshold
        t = w * SILENCE_WINDOW
        if quiet and start is None:
            start = t
        elif not quiet and start is not None:
            end = min(t, until)
            if end - start >= shortest:
                found.append((start, end))
            start = None
        if t >= until and start is None:
            break
    return found, len(samples) / channels / rate


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("capture", help="folder with frame-NNNNNN.png and audio.wav")
    parser.add_argument("--fps", type=float, help="capture rate (default: from the frames and the audio's length)")
    parser.add_argument("--skip-start", type=float, default=3.0, help="seconds not judged at the start")
    parser.add_argument("--skip-end", type=float, default=6.0, help="seconds not judged at the end")
    parser.add_argument("--limit", type=float, default=1.0, help="most seconds of flat or washed-out frames")
    parser.add_argument("--brief", type=float, default=0.25,
                        help="stretches this long or shorter are flashes and cuts, not counted")
    parser.add_argument("--silence", type=float, default=2.0, help="shortest silence that fails")
    parser.add_argument("--silence-end", type=float, default=2.0, help="seconds at the end where silence is fine")
    args = parser.parse_args()

    files = frame_files(args.capture)
    audio_path = os.path.join(args.capture, "audio.wav")
    if not files:
        print(f"check-show: no frames in {args.capture}")
        return 2
    fps = args.fps
    if not fps:
        if not os.path.exists(audio_path):
            print("check-show: give --fps (no audio.wav to tell the capture's length)")
            return 2
        with wave.open(audio_path, "rb") as audio:
            fps = round(len(files) / (audio.getnframes() / audio.getframerate()))
    step = 1.0 / fps
    length = len(files) * step

    flags = []
    for i, data in enumerate(read_frames(args.capture)):
        t = i * step
        judged = args.skip_start <= t < length - args.skip_end
        flags.append(classify(data) if judged else None)
    bad = stretches(flags, step)
    def brief(start, end):
        return end - start <= args.brief + 1e-9
    total = sum(end - start for _, start, end in bad if not brief(start, end))
    names = {"flat": "flat", "white": "washed out"}
    print(f"check-show: {len(files)} frames at {fps:g} per second, {length:.2f} s")
    for kind, start, end in bad:
        note = ", brief: not counted" if brief(start, end) else ""
        print(f"  {names[kind]:10} {start:7.2f} - {end:7.2f} s ({end - start:.2f} s{note})")
    verdict_frames = total <= args.limit + 1e-9
    print(f"check-show: {total:.2f} s of flat or washed-out frames (at most {args.limit:g} s): "
          + ("ok" if verdict_frames else "FAIL"))

    verdict_sound = True
    if os.path.exists(audio_path):
        quiet, audio_length = silences(audio_path, length - args.silence_end, args.silence)
        for start, end in quiet:
            print(f"  silence    {start:7.2f} - {end:7.2f} s ({end - start:.2f} s)")
        verdict_sound = not quiet
        print(f"check-show: {audio_length:.2f} s of sound, silences of {args.silence:g} s or more before the last "
              f"{args.silence_end:g} s: {len(quiet)}: " + ("ok" if verdict_sound else "FAIL"))
    else:
        print("check-show: no audio.wav: FAIL")
        verdict_sound = False
    return 0 if verdict_frames and verdict_sound else 1


if __name__ == "__main__":
    sys.exit(main())
