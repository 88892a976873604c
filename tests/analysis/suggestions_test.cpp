#include "analysis/beats.h"
#include "analysis/harmony.h"
#include "analysis/model_notes.h"
#include "analysis/note_suggestions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace pitkad {
namespace {

// A store of `frames` frames, silent (−100 dB) unless set.
std::unique_ptr<SpectrogramStore> silent_store(int frames) {
    auto s = std::make_unique<SpectrogramStore>();
    s->frame_count = frames;
    return s;
}

// Chords struck every 30 frames (100 bpm), a bar of four beats each:
// C, F, G7, C, A minor, D minor, E, A minor. With `long_bar`, that bar
// has a fifth beat.
std::unique_ptr<SpectrogramStore> chord_tune(int long_bar = -1) {
    const std::vector<std::vector<int>> bars = {{48, 52, 55}, {53, 57, 60}, {55, 59, 62, 65},
                                                {48, 52, 55}, {57, 60, 64}, {50, 53, 57},
                                                {52, 56, 59}, {57, 60, 64}};
    auto s = silent_store(30 * 4 * 8 * 2 + 90);
    for (int bar = 0; bar < 16; ++bar)
        for (int beat = 0; beat < (bar == long_bar ? 5 : 4); ++beat) {
            const int first = 30 + (bar * 4 + beat + (long_bar >= 0 && bar > long_bar)) * 30;
            const auto& c = bars[std::size_t(bar % 8)];
            for (int t = first; t < first + 26; ++t)
                for (int n : c) {
                    // Struck loud, then fading.
                    const float v = -5.0f - 0.4f * float(t - first) - (beat == 0 ? 0 : 3);
                    s->at(t, n - band_note_offset) = v;
                }
        }
    return s;
}

// Chords struck every 42 frames (71 bpm) under phrases of a wavering
// texture: 60 bands whose levels jitter by up to 12 dB each frame for seven
// beats, then rest for five, as bowed strings do.
std::unique_ptr<SpectrogramStore> chords_under_wavering_phrases() {
    auto s = silent_store(3000);
    unsigned seed = 1;
    for (int t = 0; t < 3000; ++t)
        for (int b = 20; b < 80; ++b) {
            seed = seed * 1103515245u + 12345u;
            if (t >= 30 && (t - 30) % 504 < 294)
                s->at(t, b) = -30.0f - float((seed >> 16) % 1200) / 100.0f;
        }
    for (int first = 30; first + 30 < 3000; first += 42)
        for (int t = first; t < first + 30; ++t)
            for (int n : {48, 52, 55})
                s->at(t, n - band_note_offset) = -5.0f - 0.4f * float(t - first);
    return s;
}

TEST(Suggestions, BeatsAndBarsOfStruckChords) {
    // The first beat is at frame 30; bars are checked where long_bar is set
    // (the bar of five beats, or -1 for none).
    struct Case {
        const char* what;
        std::unique_ptr<SpectrogramStore> store;
        int period;
        std::optional<int> long_bar;
    };
    Case cases[] = {{"a bar of four chords each", chord_tune(), 30, -1},
                    {"one bar of five", chord_tune(6), 30, 6},
                    {"under a wavering texture", chords_under_wavering_phrases(), 42, {}}};
    for (const Case& c : cases) {
        const BeatSuggestion b = suggest_beats(*c.store);
        ASSERT_GE(int(b.beats.size()), (c.store->held_frames() - 30) / c.period - 2) << c.what;
        int on_beat = 0;
        for (int f : b.beats)
            on_beat += std::abs((f - 30 + c.period / 2) % c.period - c.period / 2) <= 1;
        EXPECT_GE(on_beat, int(b.beats.size()) - 1) << c.what;
        if (!c.long_bar) continue;
        EXPECT_EQ(b.beats_per_bar, 4) << c.what;
        EXPECT_GE(b.downbeats.size(), 15u) << c.what;
        for (int f : b.downbeats) {
            const int in_fours = f - (*c.long_bar >= 0 && f > 30 + 120 * *c.long_bar ? 30 : 0);
            EXPECT_LE(std::abs((in_fours - 30 + 60) % 120 - 60), 1) << c.what << ": " << f;
        }
    }

    EXPECT_TRUE(suggest_beats(*silent_store(1000)).beats.empty());

    // Struck from the very start: the first beat is the first frame.
    const auto tune = chord_tune();
    auto at_once = silent_store(tune->held_frames() - 30);
    for (int t = 0; t < at_once->held_frames(); ++t)
        for (int b = first_band; b <= last_band; ++b)
            at_once->at(t, b) = tune->at(t + 30, b);
    const BeatSuggestion from_start = suggest_beats(*at_once);
    ASSERT_FALSE(from_start.beats.empty());
    EXPECT_EQ(from_start.beats.front(), 0);
}

// Every band alike at the peak (a silent recording as earlier caches hold
// it): no pitch in it.
TEST(Suggestions, NothingFromBandsAllAlike) {
    auto s = silent_store(600);
    for (int t = 0; t < 600; ++t)
        for (int b = first_band; b <= last_band; ++b)
            s->at(t, b) = 0;
    EXPECT_TRUE(suggest_notes(*s).empty());
    const std::vector<int> bounds{0, 150, 300, 450, 600};
    for (const HarmonySpan& c : suggest_chords(*s, bounds))
        EXPECT_EQ(c.label, "N");
    EXPECT_TRUE(suggest_keys(*s, bounds).empty());
}

// Strikes `bands` (first, count) at frame `at`: a sharp rise, then a fall.
void strike(SpectrogramStore& s, double at, int band, int count, float db) {
    const int t0 = int(std::lround(at));
    for (int t = t0; t < std::min(t0 + 4, s.frame_count); ++t)
        for (int b = band; b < band + count; ++b)
            s.at(t, b) = std::max(s.at(t, b), db - 6.0f * float(t - t0));
}

// The beat where it falls between whole frames (140 bpm is 21.43 frames),
// after a change of tempo, and under a backbeat whose kick and snare
// alternate (two beats match better than one): not at half the tempo.
TEST(Suggestions, BeatsAtTheirTempoNotItsHalf) {
    struct Case {
        const char* what;
        void (*play)(SpectrogramStore&);
        int from;      // frames of the true beats after this
        double period; // frames
    };
    const Case cases[] = {
        {"clicks at 100 bpm, then at 140",
         [](SpectrogramStore& s) {
             for (double t = 30; t < 1200; t += 30)
                 strike(s, t, 40, 10, -6);
             for (double t = 1200; t < 2380; t += 3000.0 / 140)
                 strike(s, t, 40, 10, -6);
         },
         1400, 3000.0 / 140},
        {"a backbeat groove at 140 bpm",
         [](SpectrogramStore& s) {
             for (int i = 0; 20 + i * 1500.0 / 140 < 2380; ++i) {
                 const double t = 20 + i * 1500.0 / 140;       // eighths
                 strike(s, t, 64, 8, i % 2 ? -20.0f : -14.0f); // hi-hat
                 if (i % 4 == 0) strike(s, t, 2, 8, -6);       // kick on 1 and 3
                 if (i % 4 == 2) strike(s, t, 20, 12, -8);     // snare on 2 and 4
             }
         },
         200, 3000.0 / 140},
    };
    for (const Case& c : cases) {
        auto s = silent_store(2400);
        c.play(*s);
        const BeatSuggestion found = suggest_beats(*s);
        int after = 0;
        for (std::size_t i = 1; i < found.beats.size(); ++i)
            if (found.beats[i - 1] > c.from) {
                EXPECT_NEAR(found.beats[i] - found.beats[i - 1], c.period, 1.5) << c.what;
                ++after;
            }
        EXPECT_GE(after, int((2300 - c.from) / c.period) - 3) << c.what;
    }
}

TEST(Suggestions, ChordsAndKeyOfEachStretch) {
    const auto s = chord_tune();
    std::vector<int> bars;
    for (int f = 30; f <= 30 + 120 * 8; f += 120)
        bars.push_back(f);
    const std::vector<HarmonySpan> chords = suggest_chords(*s, bars);
    std::vector<std::string> labels;
    for (const auto& c : chords)
        labels.push_back(c.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"C:maj", "F:maj", "G:7", "C:maj", "A:min", "D:min",
                                                "E:maj", "A:min"}));
    const std::vector<HarmonySpan> keys = suggest_keys(*s, bars);
    ASSERT_FALSE(keys.empty());
    EXPECT_TRUE(keys.front().label == "C:maj" || keys.front().label == "A:min")
        << keys.front().label;

    // Silence is no chord.
    const auto quiet = silent_store(200);
    const auto none = suggest_chords(*quiet, {0, 100, 200});
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].label, "N");
    EXPECT_EQ(none[0].end, 200);
}

// Roots named as the key in force has them; without a key, as charts do.
TEST(Suggestions, ChordsSpelledInTheirKey) {
    std::vector<HarmonySpan> keys{{0, 10, "A#:maj"}, {10, 20, "D#:min"}, {20, 30, "G:maj"}};
    std::vector<HarmonySpan> chords{
        {0, 2, "D#:maj"}, {2, 4, "G#:7"},   {4, 10, "C#:maj"}, {10, 12, "A#:7"},
        {12, 14, "B:maj"}, {14, 20, "F#:maj"}, {20, 22, "A#:maj"}, {22, 24, "C#:min7"},
        {24, 30, "N"},    {30, 40, "G#:maj"}, {40, 50, "C#:min"}};
    spell_harmony(chords, keys);
    std::vector<std::string> labels;
    for (const auto& k : keys)
        labels.push_back(k.label);
    for (const auto& c : chords)
        labels.push_back(c.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Bb:maj", "D#:min", "G:maj", "Eb:maj", "Ab:7",
                                                "Db:maj", "A#:7", "B:maj", "F#:maj", "Bb:maj",
                                                "C#:min7", "N", "Ab:maj", "C#:min"}));
}

// Every struck chord tone is a note from its strike until it stops; a
// harmonic sounding with a louder note below is not one.
TEST(Suggestions, NotesOfStruckChords) {
    auto s = chord_tune();
    const std::vector<SuggestedNote> notes = suggest_notes(*s);
    EXPECT_EQ(notes.size(), std::size_t(16 * 4 * 3 + 4 * 2)); // two bars of G7 a round
    for (const SuggestedNote& n : notes) {
        EXPECT_EQ((n.first - 30) % 30, 0) << n.first;
        EXPECT_EQ(n.end - n.first, 26) << n.first;
    }
    // The 2nd and 3rd harmonics of the C3 struck at frame 30, softer.
    for (int t = 30; t < 56; ++t) {
        s->at(t, 48 + 12 - band_note_offset) = -9.0f - 0.4f * float(t - 30);
        s->at(t, 48 + 19 - band_note_offset) = -12.0f - 0.4f * float(t - 30);
    }
    const std::vector<SuggestedNote> with = suggest_notes(*s);
    EXPECT_EQ(std::count_if(with.begin(), with.end(),
                            [](const SuggestedNote& n) { return n.first == 30; }),
              std::count_if(notes.begin(), notes.end(),
                            [](const SuggestedNote& n) { return n.first == 30; }));
}

// Adds a note with its 1st … 8th harmonics (amplitude 1/h) to frames
// [first, end), `db` at the fundamental, fading 0.2 dB a frame.
void sound(SpectrogramStore& s, int note, int first, int end, float db) {
    constexpr int steps[] = {0, 12, 19, 24, 28, 31, 34, 36};
    for (int h = 0; h < 8; ++h) {
        const int band = note - band_note_offset + steps[h];
        if (band > last_band) break;
        for (int t = first; t < end; ++t)
            s.at(t, band) = std::max(s.at(t, band), db - 20.0f * std::log10(float(h + 1)) -
                                                        0.2f * float(t - first));
    }
}

// Each case: the notes sounded, the (start, MIDI note) of every suggestion
// expected, and how many frames a start may be off.
TEST(Suggestions, NotesOfHarmonicTones) {
    struct Case {
        const char* what;
        void (*play)(SpectrogramStore&);
        std::vector<std::pair<int, int>> expected;
        int slack = 0;
    };
    const Case cases[] = {
        {"one tone and its harmonics",
         [](SpectrogramStore& s) { sound(s, 48, 20, 60, -6); },
         {{20, 48}}},
        {"an octave apart, struck together",
         [](SpectrogramStore& s) {
             sound(s, 48, 20, 60, -6);
             sound(s, 60, 20, 60, -6);
         },
         {{20, 48}, {20, 60}}},
        {"a twelfth above, struck later",
         [](SpectrogramStore& s) {
             sound(s, 43, 20, 80, -6);
             sound(s, 62, 50, 80, -8);
         },
         {{20, 43}, {50, 62}}},
        {"repeated with a short dip between",
         [](SpectrogramStore& s) {
             sound(s, 67, 20, 45, -6);
             sound(s, 67, 45, 48, -20);
             sound(s, 67, 48, 80, -6);
         },
         {{20, 67}, {48, 67}},
         1},
        {"struck again, the fundamental's band not dipping",
         [](SpectrogramStore& s) {
             // The 2nd … 5th harmonics fade 1 dB a frame, struck again at 50.
             constexpr int steps[] = {12, 19, 24, 28};
             for (int t = 20; t < 80; ++t) {
                 s.at(t, 36 - band_note_offset) = -6;
                 for (int h = 0; h < 4; ++h)
                     s.at(t, 36 + steps[h] - band_note_offset) =
                         -6.0f - 20.0f * std::log10(float(h + 2)) - float((t - 20) % 30);
             }
         },
         {{20, 36}, {50, 36}},
         1},
        {"a pure tone held, leakage flickering where its harmonics would be",
         [](SpectrogramStore& s) {
             for (int t = 20; t < 90; ++t) {
                 s.at(t, 36 - band_note_offset) = -6;
                 for (int step : {12, 19, 24, 28})
                     s.at(t, 36 + step - band_note_offset) = t % 3 ? -62.0f : -50.0f;
             }
         },
         {{20, 36}}},
        {"the octave of a held note swelling",
         [](SpectrogramStore& s) {
             sound(s, 48, 20, 90, -6);
             for (int t = 30; t < 80; ++t)
                 s.at(t, 60 - band_note_offset) =
                     -1.0f - 0.5f * float(std::max(0, std::abs(t - 55) - 5));
         },
         {{20, 48}}},
        {"a slow attack",
         [](SpectrogramStore& s) {
             for (int t = 20; t < 30; ++t)
                 sound(s, 55, t, t + 1, -36.0f + 3.0f * float(t - 20));
             sound(s, 55, 30, 80, -6);
         },
         // Before the level is reached: within the attack.
         {{25, 55}},
         5},
    };
    for (const Case& c : cases) {
        const auto s = silent_store(120);
        c.play(*s);
        const std::vector<SuggestedNote> found = suggest_notes(*s);
        ASSERT_EQ(found.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].band + band_note_offset, c.expected[i].second) << c.what;
            EXPECT_LE(std::abs(found[i].first - c.expected[i].first), c.slack) << c.what;
        }
    }
}

// The model's posteriors read into notes: a key's onset rising through its
// threshold starts a note, which lasts while the key sounds (short gaps
// bridged) until its next onset.
TEST(ModelNotes, OnsetsStartNotesThatLastWhileTheKeySounds) {
    // Key 48 (MIDI 69, A4: band 36); frames of 10 ms so that two make one
    // analysis frame.
    struct Case {
        const char* what;
        std::vector<std::pair<int, float>> onsets; // frame, value
        std::vector<std::pair<int, int>> sounding; // frames [a, b)
        double time_scale;
        std::vector<SuggestedNote> expected;
    };
    const std::vector<Case> cases{
        {"one note", {{10, 0.9f}, {11, 0.7f}}, {{10, 40}}, 1.0, {{5, 20, 36}}},
        {"a gap of two frames is bridged", {{10, 0.9f}}, {{10, 30}, {32, 40}}, 1.0, {{5, 20, 36}}},
        {"a gap of three ends it", {{10, 0.9f}}, {{10, 30}, {33, 40}}, 1.0, {{5, 15, 36}}},
        {"struck again", {{10, 0.9f}, {30, 0.8f}}, {{10, 60}}, 1.0, {{5, 15, 36}, {15, 30, 36}}},
        {"too short", {{10, 0.9f}}, {{10, 17}}, 1.0, {}},
        {"under the onset threshold", {{10, 0.5f}}, {{10, 40}}, 1.0, {}},
        {"input tuned to 440 Hz from 880 Hz", {{10, 0.9f}}, {{10, 40}}, 0.5, {{3, 10, 36}}},
    };
    for (const Case& c : cases) {
        constexpr int frames = 100, keys = 88, key = 48;
        std::vector<float> onsets(frames * keys, 0.0f), notes(frames * keys, 0.0f);
        for (auto [t, v] : c.onsets)
            onsets[std::size_t(t * keys + key)] = v;
        for (auto [a, b] : c.sounding)
            for (int t = a; t < b; ++t)
                notes[std::size_t(t * keys + key)] = 0.8f;
        const KeyPosteriors p{frames, keys, onsets, notes, 0.01};
        EXPECT_EQ(notes_from_posteriors(p, c.time_scale, 1000), c.expected) << c.what;
    }
}

TEST(ModelNotes, KeysOutsideTheRowsAndShortInputsGiveNothing) {
    constexpr int frames = 50, keys = 88;
    std::vector<float> onsets(frames * keys, 0.0f), notes(frames * keys, 0.9f);
    for (int k : {0, 13, 87}) // A0 and A#1 lie under B1, the lowest row; C8 is the top row
        onsets[std::size_t(5 * keys + k)] = 0.9f;
    const KeyPosteriors p{frames, keys, onsets, notes, 0.02};
    const std::vector<SuggestedNote> found = notes_from_posteriors(p, 1.0, 1000);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].band, last_band);
    const KeyPosteriors short_input{frames + 1, keys, onsets, notes, 0.02};
    EXPECT_TRUE(notes_from_posteriors(short_input, 1.0, 1000).empty());
}

} // namespace
} // namespace pitkad
