#!/usr/bin/env python3
"""Compares two captures of the same show (PNG frames as `velmora --capture DIR` writes them):
the same number of frames of the same size, and in every frame the mean absolute difference of
each colour channel at most --max-mean. Prints the largest difference and where it is."""
import argparse
import os
import struct
import sys

from check_show import read_frames


def frame_size(folder):
    with open(os.path.join(folder, "frame-000000.png"), "rb") as f:
        header = f.read(24)
    return struct.unpack(">II", header[16:24])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("expected")
    parser.add_argument("actual")
    parser.add_argument("--max-mean", type=float, default=2.0)
    args = parser.parse_args()

    size = frame_size(args.expected)
    if frame_size(args.actual) != size:
        print(f"compare-captures: frame sizes differ: {size} and {frame_size(args.actual)}")
        return 1
    count = 0
    worst = (-1.0, 0, "")
    try:
        for a, b in zip(read_frames(args.expected, *size), read_frames(args.actual, *size), strict=True):
            pixels = len(a) // 3
            for channel, name in enumerate("RGB"):
                mean = sum(abs(x - y) for x, y in zip(a[channel::3], b[channel::3])) / pixels
                if mean > worst[0]:
                    worst = (mean, count, name)
            count += 1
    except ValueError:
        print(f"compare-captures: the captures hold different numbers of frames (after {count})")
        return 1
    if count == 0:
        print("compare-captures: no frames")
        return 1
    print(f"compare-captures: {count} frames of {size[0]}x{size[1]}, largest mean absolute difference "
          f"{worst[0]:.3f} ({worst[2]} of frame {worst[1]})")
    return 0 if worst[0] <= args.max_mean else 1


if __name__ == "__main__":
    sys.exit(main())
