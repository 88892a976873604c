#!/usr/bin/python3
"""Plain signals whose answer is obvious, run through `pitkad --suggest`.

    bench/suggestions/probes.py PITKAD [WORK_DIR]

The evaluation sets (score_suggestions.py) are music; these are the simple
cases a user would expect any tool to get right, each printed with what
was expected and what came:
- steady tones (a sine, a low sine, a sawtooth) and a held triad of sines:
  one note each, not a held note split into pieces;
- digital silence: no notes, no chord, no key;
- clicks at 120 bpm, at 140 bpm and changing from 100 to 140 bpm; a pop
  groove (kick and snare, hi-hat eighths, bass on the beat, chords off the
  beat) at 118 … 150 bpm, rendered with FluidSynth: the median beat interval
  against the true one (0.50 is the half tempo, 0.67 the dotted beat);
  piano ballads at 60 … 80 bpm, broken chords in even eighths under a
  melody on the beats (2.00 is the eighth note taken for the beat).
"""

import json
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

import score_suggestions

RATE = 44100
SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"


def write_wav(path, x):
    peak = np.max(np.abs(x))
    x = x / peak * 0.5 if peak > 0 else x
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes((x * 32000).astype("<i2").tobytes())


def seconds(n):
    return np.arange(int(n * RATE)) / RATE


def tone(freq, length, harmonics=1, shape=1.0):
    t = seconds(length)
    return sum(np.sin(2 * np.pi * freq * h * t) / h**shape for h in range(1, harmonics + 1))


def clicks(times, length):
    x = np.zeros(int(length * RATE))
    k = np.arange(int(0.03 * RATE))
    burst = np.sin(2 * np.pi * 1000 * k / RATE) * np.exp(-k / (0.005 * RATE))
    for t in times:
        at = int(t * RATE)
        x[at:at + len(burst)] += burst[: len(x) - at]
    return x


def pop_groove(bpm, path_mid):
    drums, bass, chords = [], [], []
    roots = [36, 41, 43, 36]
    triads = [[60, 64, 67], [60, 65, 69], [59, 62, 67], [60, 64, 67]]
    for bar in range(16):
        for beat in range(4):
            b = bar * 4 + beat
            drums += [(b, 0.25, 36 if beat % 2 == 0 else 38, 100), (b, 0.25, 42, 70),
                      (b + 0.5, 0.25, 42, 60)]
            bass.append((b, 0.45, roots[bar % 4] + 12 * (beat % 2), 90))
            chords += [(b + 0.5, 0.4, p, 70) for p in triads[bar % 4]]
    with open(path_mid, "wb") as f:
        f.write(score_suggestions.midi_file([(0, 9, drums), (33, 1, bass), (4, 0, chords)], bpm))


def ballad(bpm, path_mid):
    """A piano ballad: broken chords in eighths under a melody of quarters
    and halves, a chord a bar."""
    left, right = [], []
    shapes = [[48, 55, 60, 64], [45, 52, 57, 60], [41, 48, 53, 57], [43, 50, 55, 59]]
    tunes = [[(0, 2, 72), (2, 1, 71), (3, 1, 69)], [(0, 3, 69), (3, 1, 67)],
             [(0, 1, 65), (1, 1, 67), (2, 2, 69)], [(0, 2, 67), (2, 2, 71)]]
    for bar in range(16):
        shape = shapes[bar % 4]
        for eighth in range(8):
            left.append((bar * 4 + eighth / 2, 0.5, shape[[0, 1, 2, 3, 2, 1, 2, 1][eighth]], 64))
        right += [(bar * 4 + at, length * 0.95, pitch, 80) for at, length, pitch in tunes[bar % 4]]
    with open(path_mid, "wb") as f:
        f.write(score_suggestions.midi_file([(0, 0, left + right)], bpm))


def suggest(pitkad, wav):
    out = wav + ".json"
    subprocess.run([pitkad, "--suggest", wav, "-o", out], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as f:
        return json.load(f)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__.split("\n\n")[1].strip())
    pitkad = sys.argv[1]
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="pitkad-probes-")
    os.makedirs(work, exist_ok=True)
    rows = []

    def wav(name, x):
        path = os.path.join(work, name + ".wav")
        write_wav(path, x)
        return path

    for name, x, expected in [
        ("sine A4, 3 s", tone(440, 3), 1),
        ("sine C2, 3 s", tone(65.41, 3), 1),
        ("sawtooth A3, 3 s", tone(220, 3, 20), 1),
        ("triad of sines, 3 s", tone(261.63, 3) + tone(329.63, 3) + tone(392.0, 3), 3),
    ]:
        notes = suggest(pitkad, wav(name.split(",")[0].replace(" ", "-"), x))["notes"]
        rows.append((name, f"{expected} notes", f"{len(notes)} notes"))

    s = suggest(pitkad, wav("silence", np.zeros(3 * RATE)))
    rows.append(("digital silence", "nothing",
                 f"{len(s['notes'])} notes, chords {[c['label'] for c in s['chords']]}, "
                 f"keys {[k['label'] for k in s['key']]}"))

    def tempo_row(name, path, bpm, after=0.0):
        beats = np.array([b for b in suggest(pitkad, path)["beats"] if b >= after])
        ratio = (60.0 / bpm) / np.median(np.diff(beats)) if len(beats) > 2 else 0.0
        rows.append((name, "1.00", f"{ratio:.2f} ({len(beats)} beats)"))

    tempo_row("clicks at 120 bpm", wav("clicks120", clicks(np.arange(0, 20, 0.5), 20)), 120)
    tempo_row("clicks at 140 bpm", wav("clicks140", clicks(np.arange(0, 20, 60 / 140), 20)), 140)
    change = list(np.arange(0, 10, 0.6)) + list(np.arange(10.2, 20, 60 / 140))
    tempo_row("clicks 100 then 140 bpm (after the change)",
              wav("clicks100-140", clicks(change, 20)), 140, after=10.5)
    for name, write, tempi in [("pop groove", pop_groove, (118, 128, 133, 140, 150)),
                               ("piano ballad", ballad, (60, 66, 72, 80))]:
        for bpm in tempi:
            stem = os.path.join(work, f"{name.split()[-1]}{bpm}")
            write(bpm, stem + ".mid")
            subprocess.run(["fluidsynth", "-ni", "-g", "0.6", "-r", str(RATE), "-F", stem + ".wav",
                            SOUNDFONT, stem + ".mid"], check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            tempo_row(f"{name} at {bpm} bpm", stem + ".wav", bpm)

    width = max(len(r[0]) for r in rows)
    print(f"{'probe':{width}}  {'expected':10}  came")
    for name, expected, came in rows:
        print(f"{name:{width}}  {expected:10}  {came}")


if __name__ == "__main__":
    main()
