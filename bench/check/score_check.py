#!/usr/bin/python3
"""Scores `pitkad --check` on drawings with known mistakes.

    bench/check/score_check.py PITKAD [WORK_DIR] [--set tuned|heldout|all]
        [--seed N] [--semitone R] [--octave R] [--deleted R] [--soundfont SF2]
        [--no-timing]

The pieces are those of the suggestions harness (bench/suggestions: the tuned
set and the held-out set). Each is rendered with FluidSynth (FluidR3, or
--soundfont: the check's thresholds were tuned on FluidR3's renderings, so
another SoundFont, e.g. TimGM6mb, gives sounds it was not tuned on), then
drawn from its MIDI notes (drums left out) with mistakes chosen from a fixed
seed: a share of the notes moved a semitone up or down (--semitone, default
0.10), moved an octave (--octave, 0.05), deleted (--deleted, 0.08), the rest
left correct. A note is moved only where it lands on no note of its new
pitch overlapping it in time, and inside the drawing's rows (B1 … C8); notes
outside them, or overlapping an earlier note of their pitch, are not drawn.
The drawing is written as a MIDI file, imported with
`pitkad --import-midi MISTAKEN.mid FILE.wav --replace`, and checked with
`pitkad --check FILE.wav -o OUT.csv`.

Rows are matched back to the notes: a drawn note to the row of its drawn
pitch starting within 30 ms of it (the drawing is in 20 ms frames); a deleted
note is found when a `missing` row has its pitch and starts within 100 ms of
it or overlaps half its length. Printed, per piece and in total (plain
aligned text): the drawn notes, and the share flagged (any verdict but `ok`)
of the notes moved a semitone (goal at least 95 %), moved an octave (80 %)
and correct (at most 5 %); the deleted notes found (70 %); the missing
candidates (goal: no more than the drawn notes); drawn notes without a row;
and which goals the piece misses. WORK_DIR keeps every file: NAME.wav, its
true NAME.mid and drawn NAME-drawn.mid, NAME.check.csv (the command's
output) and NAME.mistakes.csv (each true note, the pitch drawn for it and
the kind of mistake).

Last (unless --no-timing), a 4:00 recording of the held-out rubato waltz
repeated, drawn with the same kinds of mistakes (about 1,000 drawn notes):
the least of 3 runs of `pitkad --check` and of `pitkad --analyse` on the
cached file (the open that --check also does), and their difference.
"""

import argparse
import csv
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "suggestions"))
import heldout  # noqa: E402
import score_suggestions as suggestions  # noqa: E402

LOWEST, HIGHEST = 35, 108  # MIDI notes of the drawing's rows, B1 … C8
FRAME = 0.02               # seconds: the drawing's time step
DRAWN_TOLERANCE = 0.03     # a row's start from its drawn note's
MISSING_TOLERANCE = 0.1    # a missing row's start from the deleted note's
GOALS = {"semitone": 0.95, "octave": 0.80, "correct": 0.05, "deleted": 0.70}
KINDS = ["correct", "semitone", "octave", "deleted"]
ROUNDS = 3


def run(command):
    """Runs `command`, ending the script with its message if it fails."""
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command)}: exit {done.returncode}\n{done.stderr.strip()}")


def drawable(notes):
    """The true notes [(start, end, pitch)] a drawing can hold, in time order:
    inside its rows, and none overlapping an earlier one of its pitch (the
    import would merge the two)."""
    kept, free_from = [], {}
    for start, end, pitch in sorted(notes):
        if LOWEST <= pitch <= HIGHEST and start >= free_from.get(pitch, float("-inf")):
            kept.append((start, end, pitch))
            free_from[pitch] = end
    return kept


def with_mistakes(notes, rates, rng):
    """[(start, end, true pitch, drawn pitch or None, kind)] for the notes:
    each drawn with a mistake of a kind at its rate. A move that would land
    outside the rows or on a note of the new pitch (another's drawn or true
    pitch, within a frame in time) is tried the other way, then dropped."""
    drawn = [pitch for _, _, pitch in notes]
    by_pitch = {}
    for i, (_, _, pitch) in enumerate(notes):
        by_pitch.setdefault(pitch, []).append(i)

    def free(i, pitch):
        start, end, _ = notes[i]
        return LOWEST <= pitch <= HIGHEST and all(
            j == i or notes[j][1] + FRAME <= start or end + FRAME <= notes[j][0]
            for j in by_pitch.get(pitch, []))

    kinds = []
    for i, (_, _, pitch) in enumerate(notes):
        draw, kind = rng.random(), "correct"
        for name in ("semitone", "octave", "deleted"):
            if draw < rates[name]:
                kind = name
                break
            draw -= rates[name]
        if kind in ("semitone", "octave"):
            step = 1 if kind == "semitone" else 12
            steps = [step, -step] if rng.random() < 0.5 else [-step, step]
            to = next((pitch + s for s in steps if free(i, pitch + s)), None)
            if to is None:
                kind = "correct"
            else:  # the true pitch stays taken: nothing else moves onto it
                drawn[i] = to
                by_pitch.setdefault(to, []).append(i)
        kinds.append(kind)
    return [(start, end, pitch, None if kind == "deleted" else drawn[i], kind)
            for i, ((start, end, pitch), kind) in enumerate(zip(notes, kinds))]


def write_drawing(marked, parts, path):
    """The drawn notes as a MIDI file at 120 bpm, each on its part's channel
    (the import gives each channel its colour, so each instrument's harmonics
    are learned apart); `parts` maps a note's (start, true pitch) to it."""
    tempo = heldout.track_chunk(heldout.vlq(0) + b"\xff\x51\x03" + (500_000).to_bytes(3, "big"))
    tracks = {}
    for start, end, true_pitch, pitch, kind in marked:
        if kind != "deleted":
            channel = parts.get((start, true_pitch), 0)
            tracks.setdefault(channel, []).append((start * 2, (end - start) * 2, pitch, 80))
    with open(path, "wb") as f:
        f.write(heldout.midi_bytes([tempo] + [heldout.note_track(0, channel, notes, round)
                                              for channel, notes in sorted(tracks.items())]))


def write_mistakes(marked, path):
    with open(path, "w", newline="") as f:
        out = csv.writer(f)
        out.writerow(["start", "end", "pitch", "drawn", "kind"])
        for start, end, pitch, drawn, kind in marked:
            out.writerow([f"{start:.3f}", f"{end:.3f}", pitch, "" if drawn is None else drawn,
                          kind])


def draw_and_check(pitkad, audio, marked, parts, base):
    """Imports the drawing into `audio`'s drawing file, runs --check and
    returns its rows as dicts."""
    write_mistakes(marked, base + ".mistakes.csv")
    write_drawing(marked, parts, base + "-drawn.mid")
    run([pitkad, "--import-midi", base + "-drawn.mid", audio, "--replace"])
    run([pitkad, "--check", audio, "-o", base + ".check.csv"])
    with open(base + ".check.csv", newline="") as f:
        return list(csv.DictReader(f))


def score(marked, rows):
    """Per kind, [notes, flagged (found, for deleted)]; and the counts of
    missing rows, drawn notes and drawn notes without a row."""
    drawn_rows, missing = {}, []
    for row in rows:
        start, end, pitch = float(row["start"]), float(row["end"]), int(row["pitch"])
        if row["verdict"] == "missing":
            missing.append((start, end, pitch))
        else:
            drawn_rows.setdefault(pitch, []).append([start, row["verdict"], False])
    counts = {kind: [0, 0] for kind in KINDS}
    unmatched = 0
    for start, end, pitch, drawn, kind in marked:
        if kind == "deleted":
            found = any(p == pitch and (abs(s - start) <= MISSING_TOLERANCE
                                        or min(e, end) - max(s, start) >= (end - start) / 2)
                        for s, e, p in missing)
            counts[kind][0] += 1
            counts[kind][1] += found
            continue
        near = [r for r in drawn_rows.get(drawn, [])
                if not r[2] and abs(r[0] - start) <= DRAWN_TOLERANCE]
        if not near:
            unmatched += 1
            continue
        row = min(near, key=lambda r: abs(r[0] - start))
        row[2] = True
        counts[kind][0] += 1
        counts[kind][1] += row[1] != "ok"
    drawn_count = sum(1 for m in marked if m[4] != "deleted")
    return counts, len(missing), drawn_count, unmatched


def share(counts):
    """'hits/notes percent' of [notes, hits]."""
    notes, hits = counts
    return f"{hits:>4}/{notes:<4} {100 * hits / notes:5.1f}%" if notes else "-"


def misses(counts, missing, drawn):
    """The goals the counts fall short of."""
    out = []
    for kind, goal in GOALS.items():
        notes, hits = counts[kind]
        if notes and (hits / notes > goal if kind == "correct" else hits / notes < goal):
            out.append(kind)
    if missing > drawn:
        out.append("missing>drawn")
    return ",".join(out) or "-"


HEADER = (f"{'piece':20} {'drawn':>5}  {'semitone flagged':>16}  {'octave flagged':>16}  "
          f"{'correct flagged':>16}  {'deleted found':>16}  {'missing':>7}  {'no row':>6}  misses")


def line(name, counts, missing, drawn, unmatched):
    cells = "  ".join(f"{share(counts[k]):>16}"
                      for k in ("semitone", "octave", "correct", "deleted"))
    return (f"{name:20} {drawn:5d}  {cells}  {missing:7d}  {unmatched:6d}  "
            f"{misses(counts, missing, drawn)}")


def add(total, result):
    counts, missing, drawn, unmatched = result
    for kind in KINDS:
        total[0][kind][0] += counts[kind][0]
        total[0][kind][1] += counts[kind][1]
    total[1:] = [total[1] + missing, total[2] + drawn, total[3] + unmatched]


def empty_total():
    return [{kind: [0, 0] for kind in KINDS}, 0, 0, 0]


def score_sets(sets, work, pitkad, rates, seed, soundfont):
    print(HEADER)
    grand = empty_total()
    for set_name, items in sets:
        folder = os.path.join(work, set_name)
        os.makedirs(folder, exist_ok=True)
        total = empty_total()
        for name, midi, answer, _ in items:
            base = os.path.join(folder, name)
            with open(base + ".mid", "wb") as f:
                f.write(midi)
            suggestions.render(base + ".mid", soundfont, base + ".wav")
            suggestions.remove_cache(base + ".wav")  # a WORK_DIR used before holds older analyses
            # One random stream per piece, so that a piece's mistakes do not
            # depend on the pieces scored before it.
            marked = with_mistakes(drawable(answer["notes"]), rates,
                                   random.Random(f"{seed}/{set_name}/{name}"))
            result = score(marked, draw_and_check(pitkad, base + ".wav", marked, answer["parts"], base))
            print(line(f"{set_name}/{name}", *result), flush=True)
            add(total, result)
        print(line(f"total {set_name}", *total))
        add(grand, total)
    if len(sets) > 1:
        print(line("total", *grand))
    print(f"{'goal':26}  {'>= 95%':>16}  {'>= 80%':>16}  {'<= 5%':>16}  {'>= 70%':>16}  "
          f"{'<= drawn':>7}")
    print()


def time_check(work, pitkad, rates, seed):
    """The rubato waltz repeated to 4:00, drawn with mistakes; the least of
    a few runs of --check and of the open alone (--analyse from the cache)."""
    piece = heldout.piano_rubato()
    audio, once = suggestions.four_minute_recording(piece, work)
    truth = piece.truth()
    repeated, parts = [], {}
    for k in range(int(240 // once) + 1):
        for start, end, pitch in truth["notes"]:
            if end + k * once <= 240:
                repeated.append((start + k * once, end + k * once, pitch))
                parts[(start + k * once, pitch)] = truth["parts"][(start, pitch)]
    marked = with_mistakes(drawable(repeated), rates, random.Random(f"{seed}/timing"))
    suggestions.remove_cache(audio)
    run([pitkad, "--analyse", audio])
    base = os.path.join(work, "four-minutes")
    rows = draw_and_check(pitkad, audio, marked, parts, base)
    opens, checks = [], []
    for _ in range(ROUNDS):
        opens.append(suggestions.timed([pitkad, "--analyse", audio]))
        checks.append(suggestions.timed([pitkad, "--check", audio, "-o", base + ".check.csv"]))
    # The least of the rounds: the machine's other load only ever adds time.
    open_wall, open_cpu = min(w for w, _ in opens), min(c for _, c in opens)
    check_wall, check_cpu = min(w for w, _ in checks), min(c for _, c in checks)
    drawn = sum(1 for m in marked if m[4] != "deleted")
    missing = sum(1 for r in rows if r["verdict"] == "missing")
    print(f"4:00 recording ({audio}), {drawn} drawn notes, {missing} missing candidates, "
          f"least of {ROUNDS} rounds:")
    print(f"  --check             {check_wall:6.2f} s wall, {check_cpu:6.2f} s CPU")
    print(f"  open (--analyse)    {open_wall:6.2f} s wall, {open_cpu:6.2f} s CPU")
    print(f"  --check minus open  {check_wall - open_wall:6.2f} s wall, "
          f"{check_cpu - open_cpu:6.2f} s CPU")


def main():
    parser = argparse.ArgumentParser(usage=__doc__.split("\n\n")[1].strip())
    parser.add_argument("pitkad", help="the program")
    parser.add_argument("work", nargs="?", help="where the files go (default: a new folder in /tmp)")
    parser.add_argument("--set", choices=["tuned", "heldout", "all"], default="all")
    parser.add_argument("--seed", default="1", help="of the mistakes (default 1)")
    parser.add_argument("--semitone", type=float, default=0.10, metavar="R",
                        help="share of notes moved a semitone (default 0.10)")
    parser.add_argument("--octave", type=float, default=0.05, metavar="R",
                        help="share of notes moved an octave (default 0.05)")
    parser.add_argument("--deleted", type=float, default=0.08, metavar="R",
                        help="share of notes deleted (default 0.08)")
    parser.add_argument("--soundfont", default=suggestions.SOUNDFONTS[0],
                        help="to render with (default FluidR3)")
    parser.add_argument("--no-timing", action="store_true",
                        help="skip the four-minute timing")
    args = parser.parse_args()
    rates = {"semitone": args.semitone, "octave": args.octave, "deleted": args.deleted}
    if min(rates.values()) < 0 or sum(rates.values()) > 1:
        parser.error("the rates must be at least 0 and add up to at most 1")
    pitkad = os.path.abspath(args.pitkad)
    work = os.path.abspath(args.work or tempfile.mkdtemp(prefix="pitkad-check-"))
    sets = []
    if args.set in ("tuned", "all"):
        sets.append(("tuned", suggestions.tuned_set()))
    if args.set in ("heldout", "all"):
        sets.append(("heldout", suggestions.heldout_set()))
    print(f"seed {args.seed}; rates: semitone {args.semitone}, octave {args.octave}, "
          f"deleted {args.deleted}; {os.path.basename(args.soundfont)}; files in {work}")
    score_sets(sets, work, pitkad, rates, args.seed, args.soundfont)
    if not args.no_timing:
        time_check(os.path.join(work, "timing"), pitkad, rates, args.seed)


if __name__ == "__main__":
    main()
