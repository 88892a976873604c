#!/usr/bin/python3
"""Paired runs of `pitkad --analyse --no-cache FILE` against FFmpeg's decode.

    bench/paired/analyse_vs_ffmpeg.py FILE PITKAD [PITKAD ...] [--rounds N]

Each round runs `ffmpeg -nostdin -threads 1 -i FILE -f null -` and then each
PITKAD given (builds to compare, e.g. build-release/bin/pitkad and
build/bin/pitkad), one after the other, so that all of them meet the same
state of the machine. Printed: each command's median and least time over the
rounds, and its median as a multiple of FFmpeg's.
"""

import argparse
import statistics
import subprocess
import time


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("programs", nargs="+")
    parser.add_argument("--rounds", type=int, default=40)
    args = parser.parse_args()
    commands = {"ffmpeg": ["ffmpeg", "-nostdin", "-threads", "1", "-i", args.file, "-f", "null", "-"]}
    for program in args.programs:
        commands[program] = [program, "--analyse", "--no-cache", args.file]
    times = {name: [] for name in commands}
    for _ in range(args.rounds):
        for name, command in commands.items():
            times[name].append(timed(command))
    reference = statistics.median(times["ffmpeg"])
    width = max(len(name) for name in commands)
    for name, values in times.items():
        median = statistics.median(values)
        print(f"{name:{width}}  median {median * 1000:6.1f} ms  least {min(values) * 1000:6.1f} ms"
              f"  {median / reference:.3f} x FFmpeg")


if __name__ == "__main__":
    main()
