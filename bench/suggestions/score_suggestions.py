#!/usr/bin/python3
"""Scores PitkaD's suggestions against music whose answer is known.

Writes pieces as MIDI files, renders them with FluidSynth and Debian's General
MIDI SoundFonts, shifts their pitch by known amounts with sox, runs
`pitkad --suggest` on each and prints two tables per set of pieces.

    bench/suggestions/score_suggestions.py PITKAD [WORK_DIR] [--set tuned|heldout|all]

Two sets (default: both):
- tuned: a piano piece, a string quartet texture, a brass chorale and a band,
  all in C major moving to A minor. The estimators were tuned on these, so
  their scores are optimistic.
- heldout: five pieces from heldout.py (other keys, metres, tempi, textures,
  a key change, rubato), written from fixed seeds and never used for tuning.

Scored: the tuning's error in cents (every shift), and on the unshifted
renderings the beat and downbeat F-measures (±70 ms), the chord recall
(major/minor vocabulary, MIREX style), the key and the note onset F-measure
(±50 ms, pitch exact, no offsets), with mir_eval. The key is mir_eval's
weighted score (a relative key counts as half right): on the tuned set that of
the first suggested key against C major, on the held-out set its average over
the piece's time, so that a key change counts.

The held-out set runs sox with -R, so its renderings are the same on every
run; the tuned set keeps its unseeded dither (its tuning estimates move by a
few tenths of a cent from run to run).

Last, a four-minute recording (the held-out band repeated) is analysed with
`pitkad --analyse` and with `pitkad --suggest`, each without a cache, three
times; the least wall and CPU times of each and their ratio are printed.
"""

import argparse
import json
import os

import mir_eval
import numpy as np
import subprocess
import tempfile

import heldout

SOUNDFONTS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"]
SHIFTS_CENTS = [-41, -23, 0, 12, 29, 47]
TICKS = heldout.TICKS
vlq = heldout.vlq


# The notes of the last piece written, for scoring: (start_beat, beats,
# pitch, channel) of every track but the drums'.
LAST_NOTES = []


def midi_file(tracks, bpm):
    """tracks: [(program, channel, [(start_beat, beats, pitch, velocity)])];
    bpm: one tempo, or [(beat, bpm)] changes."""
    chunks = []
    LAST_NOTES[:] = [(start, beats, pitch, channel) for _, channel, notes in tracks if channel != 9
                     for start, beats, pitch, _ in notes]
    changes = bpm if isinstance(bpm, list) else [(0, bpm)]
    head, now = b"", 0
    for beat, tempo_bpm in changes:
        tick = int(beat * TICKS)
        head += vlq(tick - now) + b"\xff\x51\x03" + (60_000_000 // tempo_bpm).to_bytes(3, "big")
        now = tick
    chunks.append(heldout.track_chunk(head))
    chunks += [heldout.note_track(program, channel, notes, int)
               for program, channel, notes in tracks]
    return heldout.midi_bytes(chunks)


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
    """Violins on the chord in half notes, the viola in repeated eighths,
    the cello walking in quarters: an accompaniment texture."""
    tracks = []
    for program, channel, lift in [(40, 0, 24), (40, 1, 19)]:
        notes = []
        for bar, (root, chord) in enumerate(PROGRESSION * 2):
            for half in range(2):
                voice = chord[(channel + bar + half) % len(chord)]
                notes.append((bar * 4 + half * 2, 2, root + lift + voice, 80))
        tracks.append((program, channel, notes))
    viola, cello = [], []
    for bar, (root, chord) in enumerate(PROGRESSION * 2):
        for step in range(8):
            viola.append((bar * 4 + step / 2, 0.45, root + 12 + chord[1 + step % 2], 70))
        for beat in range(4):
            cello.append((bar * 4 + beat, 0.9, root - 12 + chord[beat % len(chord)], 85))
    tracks += [(41, 2, viola), (42, 3, cello)]
    return midi_file(tracks, 80)


def brass_piece():
    """A chorale re-sounded on every beat, the melody moving in quarters."""
    parts = [(56, 0, 24), (60, 1, 12), (57, 2, 12), (58, 3, 0)]
    tracks = []
    for program, channel, lift in parts:
        notes = []
        for bar, (root, chord) in enumerate(PROGRESSION * 2):
            for beat in range(4):
                tone = chord[(channel + (beat if channel == 0 else 0)) % len(chord)]
                notes.append((bar * 4 + beat, 0.85, root + lift + tone, 85 if beat == 0 else 70))
        tracks.append((program, channel, notes))
    return midi_file(tracks, 90)


# A band: drums on every beat, bass on the roots, chords on the off-beats;
# the tempo rises from 96 to 120 bpm halfway, then eases back to 108.
BAND_TEMPI = [(0, 96), (32, 120), (48, 108)]


def band_piece():
    drums, bass, keys = [], [], []
    for bar, (root, chord) in enumerate(PROGRESSION * 2):
        for beat in range(4):
            at = bar * 4 + beat
            drums.append((at, 0.25, 36 if beat % 2 == 0 else 38, 100))
            drums.append((at + 0.5, 0.25, 42, 70))
            bass.append((at, 0.9, root - 12 + (7 if beat == 2 else 0), 95))
            for tone in chord:
                keys.append((at + 0.5, 0.4, root + 12 + tone, 75))
    return midi_file([(0, 9, drums), (33, 1, bass), (4, 2, keys)], BAND_TEMPI)


PIECES = {"piano": (piano_piece, 100), "strings": (quartet_piece, 80),
          "brass": (brass_piece, 90), "band": (band_piece, BAND_TEMPI)}
BARS = len(PROGRESSION) * 2
NAMES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]


def beat_time(beat, tempi):
    """Seconds at `beat` under [(beat, bpm)] changes."""
    t, at, bpm = 0.0, 0, tempi[0][1]
    for start, next_bpm in tempi[1:]:
        if beat <= start:
            break
        t += (start - at) * 60.0 / bpm
        at, bpm = start, next_bpm
    return t + (beat - at) * 60.0 / bpm


def truth(tempi):
    tempi = tempi if isinstance(tempi, list) else [(0, tempi)]
    beats = np.array([beat_time(b, tempi) for b in range(BARS * 4)])
    downbeats = beats[::4]
    chords = []
    for bar, (root, chord) in enumerate(PROGRESSION * 2):
        quality = "min" if chord[1] == 3 else ("7" if len(chord) == 4 else "maj")
        chords.append((beat_time(bar * 4, tempi), beat_time(bar * 4 + 4, tempi),
                       f"{NAMES[root % 12]}:{quality}"))
    return beats, downbeats, chords


def key_name(label):
    root, quality = label.split(":")
    return f"{root} {'major' if quality == 'maj' else 'minor'}"


def tempi_list(tempi):
    return tempi if isinstance(tempi, list) else [(0, tempi)]


def first_key_score(truth_keys, suggested_keys):
    """The tuned pieces are in C major, moving to its relative A minor
    halfway; the first suggested key is scored against C major."""
    if not suggested_keys:
        return 0.0
    return mir_eval.key.weighted_score("C major", key_name(suggested_keys[0]["label"]))


def key_score_over_time(truth_keys, suggested_keys):
    """The weighted score of the suggested key against the true one at each
    moment, averaged over the piece; a suggestion holds until the next."""
    if not suggested_keys:
        return 0.0
    end = truth_keys[-1][1]
    suggested = sorted((k["start"], key_name(k["label"])) for k in suggested_keys)
    cuts = sorted({0.0, end} | {start for start, _, _ in truth_keys}
                  | {start for start, _ in suggested if 0 < start < end})
    total = 0.0
    for a, b in zip(cuts, cuts[1:]):
        middle = (a + b) / 2
        reference = next(label for start, stop, label in truth_keys if start <= middle < stop)
        estimate = suggested[0][1]
        for start, label in suggested:
            if start <= middle:
                estimate = label
        total += (b - a) * mir_eval.key.weighted_score(reference, estimate)
    return total / end


def score_structure(truth, suggested, key_score):
    """truth: beats and downbeats (seconds), chords [(start, end, label)],
    keys [(start, end, "C major")] and notes [(onset, end, pitch)]."""
    beats, downbeats = np.array(truth["beats"]), np.array(truth["downbeats"])
    chords = truth["chords"]
    est_beats = np.array(suggested["beats"])
    est_down = np.array(suggested["downbeats"])
    beat_f = mir_eval.beat.f_measure(beats, est_beats)
    down_f = mir_eval.beat.f_measure(downbeats, est_down)
    ref_int = np.array([[a, b] for a, b, _ in chords])
    ref_lab = [c for _, _, c in chords]
    est = suggested["chords"] or [{"start": 0, "end": ref_int[-1][1], "label": "N"}]
    est_int = np.array([[c["start"], c["end"]] for c in est])
    est_lab = [c["label"] for c in est]
    est_int, est_lab = mir_eval.util.adjust_intervals(est_int, est_lab, ref_int.min(),
                                                      ref_int.max(), "N", "N")
    merged, ref_l, est_l = mir_eval.util.merge_labeled_intervals(ref_int, ref_lab, est_int, est_lab)
    durations = mir_eval.util.intervals_to_durations(merged)
    recall = mir_eval.chord.weighted_accuracy(mir_eval.chord.majmin(ref_l, est_l), durations)
    ref_notes = truth["notes"]
    ref_note_int = np.array([[a, b] for a, b, _ in ref_notes])
    ref_note_hz = np.array([440.0 * 2 ** ((p - 69) / 12) for _, _, p in ref_notes])
    est_notes = suggested["notes"]
    if est_notes:
        est_note_int = np.array([[n["start"], n["end"]] for n in est_notes])
        est_note_hz = np.array([440.0 * 2 ** ((n["pitch"] - 69) / 12) for n in est_notes])
        note_f = mir_eval.transcription.precision_recall_f1_overlap(
            ref_note_int, ref_note_hz, est_note_int, est_note_hz, onset_tolerance=0.05,
            offset_ratio=None)[2]
    else:
        note_f = 0.0
    key = key_score(truth.get("keys"), suggested["key"])
    return beat_f, down_f, recall, key, note_f


def tuned_set():
    """[(name, MIDI bytes, truth, key scorer)] of the pieces above."""
    items = []
    for name, (make, tempi) in PIECES.items():
        midi = make()
        beats, downbeats, chords = truth(tempi)
        t = tempi_list(tempi)
        notes = [(beat_time(a, t), beat_time(a + d, t), p) for a, d, p, _ in LAST_NOTES]
        parts = {(beat_time(a, t), p): c for a, _, p, c in LAST_NOTES}
        items.append((name, midi, {"beats": beats, "downbeats": downbeats, "chords": chords,
                                   "notes": notes, "parts": parts}, first_key_score))
    return items


def heldout_set():
    return [(p.name, p.midi(), p.truth(), key_score_over_time) for p in heldout.pieces()]


def run(command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def cache_of(audio):
    return os.path.splitext(audio)[0] + ".pkd"


def remove_cache(audio):
    for path in (cache_of(audio), audio + ".pkd"):
        if os.path.exists(path):
            os.remove(path)


def wrapped(cents):
    return cents - 100.0 * ((cents + 50.0) // 100.0)


def render(midi_path, font, wav):
    run(["fluidsynth", "-ni", "-g", "0.6", "-r", "44100", "-F", wav, font, midi_path])


def score_set(title, items, shifts, work, pitkad, repeatable):
    """repeatable: sox seeds its dither, so that every run shifts alike."""
    os.makedirs(work, exist_ok=True)
    rows = []
    structure = []
    for name, midi, answer, key_score in items:
        mid = os.path.join(work, name + ".mid")
        with open(mid, "wb") as f:
            f.write(midi)
        for font in SOUNDFONTS:
            font_name = os.path.splitext(os.path.basename(font))[0]
            rendered = os.path.join(work, f"{name}-{font_name}.wav")
            render(mid, font, rendered)
            for shift in shifts:
                shifted = os.path.join(work, f"{name}-{font_name}-{shift:+d}.wav")
                run(["sox"] + (["-R"] if repeatable else [])
                    + [rendered, "-b", "16", shifted, "pitch", str(shift)])
                out = shifted + ".json"
                remove_cache(shifted)  # a WORK_DIR used before holds older analyses
                run([pitkad, "--suggest", shifted, "-o", out])
                with open(out) as f:
                    suggested = json.load(f)
                tuning = suggested["tuning"]
                if shift == 0:
                    structure.append((name, font_name)
                                     + score_structure(answer, suggested, key_score))
                estimate = tuning["cents"] if tuning else None
                error = None if estimate is None else wrapped(estimate - shift)
                rows.append((name, font_name, shift, estimate, error))

    width = max(8, max(len(r[0]) for r in rows))
    print(f"== {title} ==")
    print(f"{'piece':{width}} {'soundfont':12} {'shift':>6} {'estimate':>9} {'error':>6}")
    for name, font, shift, estimate, error in rows:
        e = "-" if estimate is None else f"{estimate:+.1f}"
        d = "-" if error is None else f"{error:+.1f}"
        print(f"{name:{width}} {font:12} {shift:+6d} {e:>9} {d:>6}")
    errors = [abs(r[4]) for r in rows if r[4] is not None]
    missing = sum(1 for r in rows if r[4] is None)
    if errors:
        print(f"tuning: {len(errors)} estimated, {missing} without an estimate; "
              f"mean |error| {sum(errors) / len(errors):.2f} cents, "
              f"max {max(errors):.2f}, within ±3 cents: "
              f"{sum(1 for e in errors if e <= 3)}/{len(errors)}")

    print()
    print(f"{'piece':{width}} {'soundfont':12} {'beat F':>7} {'downbeat F':>11} {'chords':>7} "
          f"{'key':>5} {'note F':>7}")
    for row in structure:
        print(f"{row[0]:{width}} {row[1]:12} {row[2]:7.3f} {row[3]:11.3f} {row[4]:7.3f} "
              f"{row[5]:5.2f} {row[6]:7.3f}")
    if structure:
        mean = [sum(r[i] for r in structure) / len(structure) for i in range(2, 7)]
        print(f"{'mean':{width + 13}} {mean[0]:7.3f} {mean[1]:11.3f} {mean[2]:7.3f} "
              f"{mean[3]:5.2f} {mean[4]:7.3f}")
    print()


def timed(command):
    """Wall and CPU seconds of `command`, measured by /usr/bin/time."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        run(["/usr/bin/time", "-f", "%e %U %S", "-o", report.name] + command)
        wall, user, system = (float(x) for x in report.read().split()[-3:])
    return wall, user + system


TIMING_ROUNDS = 3


def four_minute_recording(piece, work):
    """Renders a held-out piece (FluidR3) and repeats it to exactly 4:00;
    returns the recording's path and the length of one rendering in seconds
    (the piece and the synthesizer's release), where each repeat begins."""
    os.makedirs(work, exist_ok=True)
    mid = os.path.join(work, "long.mid")
    with open(mid, "wb") as f:
        f.write(piece.midi())
    once = os.path.join(work, "long-once.wav")
    render(mid, SOUNDFONTS[0], once)
    repeats = int(240 // piece.seconds(piece.beats)) + 1
    audio = os.path.join(work, "four-minutes.wav")
    run(["sox", "-R"] + [once] * repeats + ["-b", "16", audio, "trim", "0", "4:00"])
    length = subprocess.run(["soxi", "-D", once], check=True, capture_output=True, text=True)
    return audio, float(length.stdout)


def time_four_minutes(work, pitkad):
    """Repeats the held-out band to exactly 4:00 and times --analyse and
    --suggest on it, each without a cache, a few times over."""
    audio, _ = four_minute_recording(heldout.band(), work)
    analyse, suggest = [], []
    for _ in range(TIMING_ROUNDS):
        remove_cache(audio)
        analyse.append(timed([pitkad, "--analyse", audio]))
        if not os.path.exists(cache_of(audio)):
            print(f"warning: no cache at {cache_of(audio)} after --analyse")
        remove_cache(audio)
        suggest.append(timed([pitkad, "--suggest", audio, "-o", audio + ".json"]))
    # The least of the rounds: the machine's other load only ever adds time.
    analyse = min(w for w, _ in analyse), min(c for _, c in analyse)
    suggest = min(w for w, _ in suggest), min(c for _, c in suggest)
    print(f"4:00 recording ({audio}), least of {TIMING_ROUNDS} rounds:")
    print(f"  --analyse  {analyse[0]:6.2f} s wall, {analyse[1]:6.2f} s CPU")
    print(f"  --suggest  {suggest[0]:6.2f} s wall, {suggest[1]:6.2f} s CPU")
    print(f"  ratio --suggest / --analyse: {suggest[0] / analyse[0]:.2f} wall, "
          f"{suggest[1] / analyse[1]:.2f} CPU")


def main():
    parser = argparse.ArgumentParser(usage=__doc__.split("\n\n")[2].strip())
    parser.add_argument("pitkad")
    parser.add_argument("work", nargs="?")
    parser.add_argument("--set", choices=["tuned", "heldout", "all"], default="all")
    args = parser.parse_args()
    pitkad = os.path.abspath(args.pitkad)
    work = args.work or tempfile.mkdtemp(prefix="pitkad-suggest-")
    os.makedirs(work, exist_ok=True)
    if args.set in ("tuned", "all"):
        score_set("tuned set (the estimators were tuned on these)", tuned_set(),
                  SHIFTS_CENTS, work, pitkad, repeatable=False)
    if args.set in ("heldout", "all"):
        score_set("held-out set (never used for tuning)", heldout_set(), heldout.SHIFTS_CENTS,
                  os.path.join(work, "heldout"), pitkad, repeatable=True)
    time_four_minutes(os.path.join(work, "timing"), pitkad)


if __name__ == "__main__":
    main()
