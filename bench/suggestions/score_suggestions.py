#!/usr/bin/python3
"""Scores PitkaD's suggestions against music whose answer is known.

Writes short pieces as MIDI files (a piano piece, a string quartet texture,
a brass chorale), renders them with FluidSynth and Debian's General MIDI
SoundFonts, shifts their pitch by known amounts with sox, runs
`pitkad --suggest` on each and prints one table.

    bench/suggestions/score_suggestions.py PITKAD [WORK_DIR]

So far the suggestions hold the tuning: its error in cents is scored.
"""

import json
import os
import subprocess
import sys
import tempfile

SOUNDFONTS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"]
SHIFTS_CENTS = [-41, -23, 0, 12, 29, 47]
TICKS = 480  # per quarter note


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def midi_file(tracks, bpm):
    """tracks: [(program, channel, [(start_beat, beats, pitch, velocity)])]."""
    chunks = []
    tempo = 60_000_000 // bpm
    head = vlq(0) + b"\xff\x51\x03" + tempo.to_bytes(3, "big") + vlq(0) + b"\xff\x2f\x00"
    chunks.append(b"MTrk" + len(head).to_bytes(4, "big") + head)
    for program, channel, notes in tracks:
        events = [(0, 0, bytes([0xC0 | channel, program]))]
        for start, beats, pitch, velocity in notes:
            on, off = int(start * TICKS), int((start + beats) * TICKS)
            events.append((on, 1, bytes([0x90 | channel, pitch, velocity])))
            events.append((off, 0, bytes([0x80 | channel, pitch, 0])))
        events.sort(key=lambda e: (e[0], e[1]))
        body, now = b"", 0
        for tick, _, data in events:
            body += vlq(tick - now) + data
            now = tick
        body += vlq(0) + b"\xff\x2f\x00"
        chunks.append(b"MTrk" + len(body).to_bytes(4, "big") + body)
    header = b"MThd" + (6).to_bytes(4, "big") + (1).to_bytes(2, "big")
    header += len(chunks).to_bytes(2, "big") + TICKS.to_bytes(2, "big")
    return header + b"".join(chunks)


# A progression in C major then A minor: (root pitch, chord intervals), a bar each.
PROGRESSION = [(48, (0, 4, 7)), (53, (0, 4, 7)), (55, (0, 4, 7, 10)), (48, (0, 4, 7)),
               (57, (0, 3, 7)), (50, (0, 3, 7)), (52, (0, 4, 7)), (57, (0, 3, 7))]


def piano_piece():
    notes = []
    for bar, (root, chord) in enumerate(PROGRESSION * 2):
        for beat in range(4):  # broken chords in the left hand
            notes.append((bar * 4 + beat, 1, root + chord[beat % len(chord)], 70))
        for step in range(8):  # a melody in eighths
            pitch = root + 24 + chord[(step * 2 + bar) % len(chord)]
            notes.append((bar * 4 + step / 2, 0.5, pitch, 90))
    return midi_file([(0, 0, notes)], 100)


def quartet_piece():
    parts = [(40, 0, 24), (40, 1, 19), (41, 2, 12), (42, 3, 0)]
    tracks = []
    for program, channel, lift in parts:
        notes = []
        for bar, (root, chord) in enumerate(PROGRESSION * 2):
            voice = chord[(channel + bar) % len(chord)]
            notes.append((bar * 4, 2, root + lift + voice, 80))
            notes.append((bar * 4 + 2, 2, root + lift + chord[(channel + bar + 1) % len(chord)], 80))
        tracks.append((program, channel, notes))
    return midi_file(tracks, 80)


def brass_piece():
    parts = [(56, 0, 24), (60, 1, 12), (57, 2, 12), (58, 3, 0)]
    tracks = []
    for program, channel, lift in parts:
        notes = [(bar * 4, 4, root + lift + chord[channel % len(chord)], 85)
                 for bar, (root, chord) in enumerate(PROGRESSION * 2)]
        tracks.append((program, channel, notes))
    return midi_file(tracks, 90)


PIECES = {"piano": piano_piece, "strings": quartet_piece, "brass": brass_piece}


def run(command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wrapped(cents):
    return cents - 100.0 * ((cents + 50.0) // 100.0)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    pitkad = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="pitkad-suggest-")
    os.makedirs(work, exist_ok=True)
    rows = []
    for name, make in PIECES.items():
        mid = os.path.join(work, name + ".mid")
        with open(mid, "wb") as f:
            f.write(make())
        for font in SOUNDFONTS:
            font_name = os.path.splitext(os.path.basename(font))[0]
            rendered = os.path.join(work, f"{name}-{font_name}.wav")
            run(["fluidsynth", "-ni", "-g", "0.6", "-r", "44100", "-F", rendered, font, mid])
            for shift in SHIFTS_CENTS:
                shifted = os.path.join(work, f"{name}-{font_name}-{shift:+d}.wav")
                run(["sox", rendered, "-b", "16", shifted, "pitch", str(shift)])
                out = shifted + ".json"
                run([pitkad, "--suggest", shifted, "-o", out])
                with open(out) as f:
                    tuning = json.load(f)["tuning"]
                estimate = tuning["cents"] if tuning else None
                error = None if estimate is None else wrapped(estimate - shift)
                rows.append((name, font_name, shift, estimate, error))

    print(f"{'piece':8} {'soundfont':12} {'shift':>6} {'estimate':>9} {'error':>6}")
    for name, font, shift, estimate, error in rows:
        e = "-" if estimate is None else f"{estimate:+.1f}"
        d = "-" if error is None else f"{error:+.1f}"
        print(f"{name:8} {font:12} {shift:+6d} {e:>9} {d:>6}")
    errors = [abs(r[4]) for r in rows if r[4] is not None]
    missing = sum(1 for r in rows if r[4] is None)
    if errors:
        print(f"tuning: {len(errors)} estimated, {missing} without an estimate; "
              f"mean |error| {sum(errors) / len(errors):.2f} cents, "
              f"max {max(errors):.2f}, within ±3 cents: "
              f"{sum(1 for e in errors if e <= 3)}/{len(errors)}")


if __name__ == "__main__":
    main()
