"""Pieces held out from the tuning of PitkaD's suggestions.

Five pieces written from fixed seeds, so that every run writes the same MIDI
files: a piano piece that changes key halfway, a piano waltz played with
rubato, a string quartet in a minor key, a wind texture (flute, clarinet,
horn, bassoon) and a band with drums whose tempo jumps halfway. Their keys,
metres, tempi, textures and harmony differ from those of the pieces the
estimators were tuned on. Do not tune anything against them: they tell how
the estimates carry over to music the tuning never saw.

Harmony comes from a small grammar of four-bar phrases (I-vi-IV-V, ii-V-I,
minor i-iv-V and relatives, sevenths added at random), the melodies from a
random walk over chord and scale tones. Each piece knows its own answer:
beat and downbeat times through its tempo map, the chord on every beat
(major/minor vocabulary), its key(s) with the time of the change, and the
onset and pitch of every note but the drums'.
"""

import math
import random

TICKS = 480  # per quarter note; a beat is a quarter note in every metre here
NAMES = ["C", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"]
SCALES = {"major": (0, 2, 4, 5, 7, 9, 11), "minor": (0, 2, 3, 5, 7, 8, 10)}
QUALITIES = {"maj": (0, 4, 7), "min": (0, 3, 7), "7": (0, 4, 7, 10),
             "min7": (0, 3, 7, 10), "maj7": (0, 4, 7, 11)}
# Roman numeral: (semitones above the tonic, triad, seventh chord, chance of the seventh).
NUMERALS = {"I": (0, "maj", "maj7", 0.2), "ii": (2, "min", "min7", 0.6),
            "IV": (5, "maj", "maj7", 0.25), "V": (7, "maj", "7", 0.6),
            "vi": (9, "min", "min7", 0.3), "i": (0, "min", "min7", 0.0),
            "iv": (5, "min", "min7", 0.4), "VI": (8, "maj", "maj7", 0.3)}
# Four-bar phrases; a pair shares its bar (first one gets the larger half).
# A piece opens with a phrase on the tonic and closes with a cadence.
PHRASES = {
    "major": {"open": [("I", "vi", "IV", "V"), ("I", "vi", ("ii", "V"), "I")],
              "middle": [("I", "vi", "IV", "V"), ("ii", "V", "I", "vi"),
                         ("I", "vi", ("ii", "V"), "I")],
              "cadence": [("ii", "V", "I", "I"), ("IV", ("ii", "V"), "I", "I")]},
    "minor": {"open": [("i", "iv", "V", "i"), ("i", "VI", "iv", "V")],
              "middle": [("i", "iv", "V", "i"), ("i", "VI", "iv", "V"), ("iv", "V", "i", "VI")],
              "cadence": [("iv", "V", "i", "i"), ("VI", ("iv", "V"), "i", "i")]},
}


class Chord:
    def __init__(self, root, quality):
        self.root, self.intervals = root % 12, QUALITIES[quality]
        self.pcs = [(self.root + i) % 12 for i in self.intervals]
        self.label = f"{NAMES[self.root]}:{'min' if self.intervals[1] == 3 else 'maj'}"


def nearest(pc, target):
    """The pitch of class `pc` nearest to `target`."""
    return target + (pc - target + 6) % 12 - 6


def fold(pitch, low, high):
    while pitch < low:
        pitch += 12
    while pitch > high:
        pitch -= 12
    return pitch


class Piece:
    def __init__(self, name, beats_per_bar, bars, seed):
        self.name, self.bpb, self.bars = name, beats_per_bar, bars
        self.rng = random.Random(seed)
        self.tracks = []  # (program, channel, [(start beat, beats, pitch, velocity)])
        self.tempi = []   # (beat, microseconds per quarter note)
        self.keys = []    # (bar, tonic pitch class, mode)
        self.chords = []  # a Chord per beat

    @property
    def beats(self):
        return self.bars * self.bpb

    def tempo(self, beat, bpm):
        self.tempi.append((beat, round(60_000_000 / bpm)))

    def harmony(self, tonic, mode, bars):
        """Appends `bars` bars of phrases in the key to the chords."""
        self.keys.append((len(self.chords) // self.bpb, tonic, mode))
        grammar, phrases = PHRASES[mode], bars // 4
        for n in range(phrases):
            kind = "open" if n == 0 else ("cadence" if n == phrases - 1 else "middle")
            for bar in self.rng.choice(grammar[kind]):
                parts = bar if isinstance(bar, tuple) else (bar,)
                first = (self.bpb + 1) // 2 if len(parts) == 2 else self.bpb
                for part, beats in zip(parts, (first, self.bpb - first)):
                    step, triad, seventh, chance = NUMERALS[part]
                    quality = seventh if self.rng.random() < chance else triad
                    self.chords += [Chord(tonic + step, quality)] * beats

    def key_at(self, beat):
        current = self.keys[0]
        for key in self.keys:
            if key[0] * self.bpb <= beat:
                current = key
        return current

    def scale_at(self, beat):
        """The key's scale, with the leading note over V in a minor key."""
        _, tonic, mode = self.key_at(beat)
        scale = [(tonic + s) % 12 for s in SCALES[mode]]
        if mode == "minor" and self.chords[int(beat)].root == (tonic + 7) % 12:
            scale[6] = (tonic + 11) % 12
        return scale

    def melody(self, low, high, rhythms, rest=0.08, velocity=(78, 96)):
        """A random walk: chord tones on the beats, scale steps between."""
        notes, pitch = [], (low + high) // 2
        for bar in range(self.bars):
            at = bar * self.bpb
            durations = self.rng.choice(rhythms) if bar < self.bars - 1 else [self.bpb]
            for d in durations:
                beat = int(at)
                if at == beat:
                    target = pitch + self.rng.randint(-5, 5)
                    pitch = min((nearest(pc, target) for pc in self.chords[beat].pcs),
                                key=lambda p: abs(p - target))
                else:
                    scale = self.scale_at(beat)
                    step = self.rng.choice([-2, -1, -1, 1, 1, 2])
                    near = sorted(nearest(pc, pitch) for pc in scale)
                    index = min(range(len(near)), key=lambda i: abs(near[i] - pitch))
                    pitch = near[max(0, min(len(near) - 1, index + step))]
                pitch = fold(pitch, low, high)
                if bar == self.bars - 1 or self.rng.random() > rest:
                    accent = 8 if at % self.bpb == 0 else 0
                    loudness = min(127, self.rng.randint(*velocity) + accent)
                    notes.append((at, d * 0.95, pitch, loudness))
                at += d
        return notes

    def voicing(self, chord, centre, size):
        """`size` chord tones in close position around `centre`."""
        tones = [chord.pcs[i % len(chord.pcs)] for i in range(size)]
        pitches = sorted(nearest(pc, centre) for pc in tones)
        # Repeated classes (size > chord) go an octave apart.
        for i in range(1, len(pitches)):
            while pitches[i] in pitches[:i]:
                pitches[i] += 12
        return sorted(pitches)

    def seconds(self, beat):
        t, at, us = 0.0, 0, self.tempi[0][1]
        for start, next_us in self.tempi[1:]:
            if beat <= start:
                break
            t += (start - at) * us / 1e6
            at, us = start, next_us
        return t + (beat - at) * us / 1e6

    def midi(self):
        head = vlq(0) + b"\xff\x58\x04" + bytes([self.bpb, 2, 24, 8])
        now = 0
        for beat, us in self.tempi:
            tick = round(beat * TICKS)
            head += vlq(tick - now) + b"\xff\x51\x03" + us.to_bytes(3, "big")
            now = tick
        chunks = [track_chunk(head)]
        chunks += [note_track(program, channel, notes, round)
                   for program, channel, notes in self.tracks]
        return midi_bytes(chunks)

    def truth(self):
        """The answer, in seconds: beats, downbeats, chords per beat
        [(start, end, label)], keys [(start, end, "Eb major")] and notes
        [(onset, end, pitch)] (one per onset and pitch, drums left out)."""
        beats = [self.seconds(b) for b in range(self.beats)]
        chords = [(self.seconds(b), self.seconds(b + 1), c.label)
                  for b, c in enumerate(self.chords)]
        ends = [bar * self.bpb for bar, _, _ in self.keys[1:]] + [self.beats]
        keys = [(self.seconds(bar * self.bpb), self.seconds(end), f"{NAMES[tonic]} {mode}")
                for (bar, tonic, mode), end in zip(self.keys, ends)]
        onsets = {}
        for _, channel, notes in self.tracks:
            if channel == 9:
                continue
            for start, length, pitch, _ in notes:
                onsets.setdefault((round(start * TICKS), pitch), (start, length, channel))
        notes = sorted((self.seconds(start), self.seconds(start + length), pitch)
                       for (_, pitch), (start, length, _) in onsets.items())
        # The MIDI channel (the part) of each note, by its onset and pitch.
        parts = {(self.seconds(start), pitch): channel
                 for (_, pitch), (start, _, channel) in onsets.items()}
        return {"beats": beats, "downbeats": beats[::self.bpb], "chords": chords,
                "keys": keys, "notes": notes, "parts": parts}


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def track_chunk(body):
    body += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + len(body).to_bytes(4, "big") + body


def note_track(program, channel, notes, to_int):
    """A track of notes [(start_beat, beats, pitch, velocity)] after a
    program change; beats become ticks through to_int (round or int)."""
    events = [(0, 0, bytes([0xC0 | channel, program]))]
    for start, beats, pitch, velocity in notes:
        on, off = to_int(start * TICKS), to_int((start + beats) * TICKS)
        events.append((on, 1, bytes([0x90 | channel, pitch, velocity])))
        events.append((off, 0, bytes([0x80 | channel, pitch, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    body, now = b"", 0
    for tick, _, data in events:
        body += vlq(tick - now) + data
        now = tick
    return track_chunk(body)


def midi_bytes(chunks):
    header = b"MThd" + (6).to_bytes(4, "big") + (1).to_bytes(2, "big")
    header += len(chunks).to_bytes(2, "big") + TICKS.to_bytes(2, "big")
    return header + b"".join(chunks)


RHYTHMS_4 = [[1, 1, 1, 1], [0.5, 0.5, 1, 1, 1], [1.5, 0.5, 1, 1], [2, 1, 1],
             [1, 0.5, 0.5, 2], [1, 1, 2], [0.5, 0.5, 0.5, 0.5, 1, 1]]
RHYTHMS_3 = [[1, 1, 1], [2, 1], [1.5, 0.5, 1], [0.5, 0.5, 1, 1], [3], [1, 2]]


def piano_modulating():
    """Eb major, then G major from bar 13: a melody over left-hand patterns
    chosen per phrase (Alberti eighths, broken quarters, bass and chords)."""
    p = Piece("piano-mod", 4, 24, seed=1101)
    p.tempo(0, 88)
    p.harmony(3, "major", 12)
    p.harmony(7, "major", 12)
    left = []
    for phrase in range(p.bars // 4):
        style = p.rng.choice(["alberti", "broken", "block"])
        for bar in range(phrase * 4, phrase * 4 + 4):
            for beat in range(bar * 4, bar * 4 + 4):
                chord = p.chords[beat]
                bass = fold(chord.root + 36, 36, 47)
                v = p.rng.randint(58, 70)
                if style == "alberti":
                    third, fifth = (nearest(chord.pcs[i], bass + 9) for i in (1, 2))
                    pattern = [bass, fifth, third, fifth]
                    for half in range(2):
                        left.append((beat + half / 2, 0.45, pattern[beat % 2 * 2 + half], v))
                elif style == "broken":
                    tones = p.voicing(chord, bass + 10, 3)
                    left.append((beat, 0.95, [bass, tones[0], tones[2], tones[1]][beat % 4], v))
                elif beat % 4 == 0 or chord is not p.chords[beat - 1]:
                    left.append((beat, 0.95, bass, v + 6))
                else:
                    left += [(beat, 0.8, t, v - 6) for t in p.voicing(chord, 57, 3)]
    right = p.melody(67, 86, RHYTHMS_4)
    p.tracks = [(0, 0, right), (0, 1, left)]
    return p


def piano_rubato():
    """A waltz in B minor played with rubato: the tempo swells within each
    four-bar phrase and slows over its last beats, with some jitter."""
    p = Piece("piano-rubato", 3, 32, seed=2202)
    p.harmony(11, "minor", 32)
    base = 92
    for beat in range(p.beats):
        phase = (beat % 12) / 12
        bpm = base * (1 + 0.08 * math.sin(math.pi * phase)) * (1 + p.rng.uniform(-0.04, 0.04))
        if beat % 12 >= 9:
            bpm *= (0.92, 0.85, 0.78)[beat % 12 - 9]
        p.tempo(beat, max(70, min(110, bpm)))
    left = []
    for beat, chord in enumerate(p.chords):
        v = p.rng.randint(55, 68)
        if beat % 3 == 0:
            left.append((beat, 0.95, fold(chord.root + 36, 35, 47), v + 8))
        else:
            left += [(beat, 0.7, t, v) for t in p.voicing(chord, 58, 3)]
    right = p.melody(66, 88, RHYTHMS_3, rest=0.05)
    p.tracks = [(0, 0, right), (0, 1, left)]
    return p


def string_quartet():
    """F minor: the first violin has the melody, the second holds an inner
    voice in half notes, the viola pulses in quarters, the cello plays the
    root and a fifth or octave under them."""
    p = Piece("quartet", 4, 20, seed=3303)
    p.tempo(0, 72)
    p.harmony(5, "minor", 20)
    violin1 = p.melody(67, 91, RHYTHMS_4, rest=0.03, velocity=(80, 96))
    violin2, viola, cello = [], [], []
    v2, va = 68, 60
    for beat, chord in enumerate(p.chords):
        if beat % 2 == 0:
            v2 = min((nearest(pc, v2) for pc in chord.pcs), key=lambda x: abs(x - v2))
            v2 = fold(v2, 60, 76)
            violin2.append((beat, 1.9, v2, p.rng.randint(66, 78)))
        choices = [nearest(pc, va) for pc in chord.pcs if nearest(pc, va) != v2]
        va = fold(p.rng.choice(choices), 53, 67)
        viola.append((beat, 0.9, va, p.rng.randint(62, 74)))
        root = fold(chord.root + 36, 36, 50)
        if beat % 4 == 0 or chord is not p.chords[beat - 1]:
            cello.append((beat, 1.9 if beat % 4 == 0 else 0.9, root, p.rng.randint(80, 92)))
        elif beat % 4 == 3:
            other = p.rng.choice([fold(chord.root + 7 + 36, 36, 55), root + 12])
            cello.append((beat, 0.9, other, p.rng.randint(72, 84)))
    p.tracks = [(40, 0, violin1), (40, 1, violin2), (41, 2, viola), (42, 3, cello)]
    return p


def winds():
    """A major in 3/4: flute melody, clarinet a chord tone below it on every
    beat, horn holding a chord tone through the bar, bassoon on the bass."""
    p = Piece("winds", 3, 36, seed=4404)
    p.tempo(0, 112)
    p.harmony(9, "major", 36)
    flute = p.melody(72, 93, RHYTHMS_3, velocity=(76, 94))
    sounding = {}
    for start, length, pitch, _ in flute:
        for b in range(int(start), int(math.ceil(start + length))):
            sounding.setdefault(b, pitch)
    clarinet, horn, bassoon = [], [], []
    for beat, chord in enumerate(p.chords):
        top = sounding.get(beat, 76)
        under = [nearest(pc, top - 4) for pc in chord.pcs]
        under = [x if x < top else x - 12 for x in under]
        clarinet.append((beat, 0.9, fold(max(under), 58, 79), p.rng.randint(64, 76)))
        if beat % 3 == 0 or chord is not p.chords[beat - 1]:
            length = 1  # beats until the chord or the bar changes
            while length < 3 - beat % 3 and p.chords[beat + length] is chord:
                length += 1
            horn.append((beat, length - 0.1, fold(chord.pcs[p.rng.randrange(3)] + 60, 53, 67),
                         p.rng.randint(60, 72)))
            bassoon.append((beat, min(length, 2) - 0.1, fold(chord.root + 36, 34, 50),
                            p.rng.randint(72, 84)))
        elif beat % 3 == 2:
            bassoon.append((beat, 0.9, fold(chord.root + 7 + 36, 34, 53), p.rng.randint(64, 76)))
    p.tracks = [(73, 0, flute), (71, 1, clarinet), (60, 2, horn), (70, 3, bassoon)]
    return p


def band():
    """Bb major: drums (channel 10) with a fill ending each phrase, a picked
    bass, an organ comping in a rhythm chosen per bar and an alto sax melody;
    120 bpm for sixteen bars, then 144."""
    p = Piece("band", 4, 32, seed=5505)
    p.tempo(0, 120)
    p.tempo(64, 144)
    p.harmony(10, "major", 32)
    drums, bass, organ = [], [], []
    comping = [[(0, 1.5), (1.5, 2.5)], [(0.5, 0.4), (1.5, 0.4), (2.5, 0.4), (3.5, 0.4)],
               [(0, 2), (2, 2)], [(0, 0.9), (1.5, 1), (3, 0.9)]]
    for bar in range(p.bars):
        at = bar * 4
        fill = bar % 4 == 3
        if bar % 4 == 0:
            drums.append((at, 1, 49, 100))
        for beat in range(4):
            t = at + beat
            drums.append((t, 0.25, 42, 72))
            drums.append((t + 0.5, 0.25, 42, 60))
            if beat in (0, 2):
                drums.append((t, 0.25, 36, 104))
            if fill and beat >= 2:
                for half, tom in enumerate([48, 45] if beat == 2 else [43, 41]):
                    drums.append((t + half / 2, 0.25, tom, 96))
            elif beat in (1, 3):
                drums.append((t, 0.25, 38, 100))
            if beat == 2 and p.rng.random() < 0.4:
                drums.append((t + 0.5, 0.25, 36, 88))
        for beat in range(4):
            chord = p.chords[at + beat]
            root = fold(chord.root + 36, 34, 46)
            if p.rng.random() < 0.5:
                bass.append((at + beat, 0.45, root, 96))
                bass.append((at + beat + 0.5, 0.45, p.rng.choice([root, root + 12, root + 7]), 84))
            else:
                bass.append((at + beat, 0.9, root if beat % 2 == 0 else root + 7, 96))
        for start, length in p.rng.choice(comping):
            chord = p.chords[at + int(start)]
            organ += [(at + start, length, t, 70) for t in p.voicing(chord, 62, 4)]
    sax = p.melody(62, 82, RHYTHMS_4, rest=0.12, velocity=(84, 100))
    p.tracks = [(0, 9, drums), (34, 1, bass), (16, 2, organ), (65, 3, sax)]
    return p


PIECES = [piano_modulating, piano_rubato, string_quartet, winds, band]
SHIFTS_CENTS = [-31, 0, 17]


def pieces():
    return [make() for make in PIECES]
