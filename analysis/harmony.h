#pragma once
// Chords and keys suggested from the analysis. Each stretch (a beat, say)
// gets a pitch-class profile: the bands' mean levels above a floor 30 dB
// under the stretch's loudest band, gathered by pitch class. Chords are
// matched against templates of major, minor, dominant, major and minor
// seventh chords; keys against the major and minor key profiles of
// Krumhansl and Kessler. A path through the stretches (Viterbi) keeps a
// chord or key unless the sound clearly moves on.

#include "analysis/spectrogram_store.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pitkad {

// A labelled span of frames [first, end), the label in the `root:quality`
// syntax chord tools read ("C:maj", "A:min", "G:7", "F:maj7", "D:min7",
// "N" for no chord; keys "G:maj", "E:min").
struct HarmonySpan {
    int first = 0, end = 0;
    std::string label;
};

using PitchProfile = std::array<double, 12>; // C … B
// The pitch classes' names as found, C … B, sharps for the black keys;
// spell_harmony() names them as the key has them.
inline constexpr const char* pitch_class_names[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                      "F#", "G",  "G#", "A",  "A#", "B"};

// The pitch class of a note name: a letter and at most one sharp or flat
// ("C", "F#", "Bb"); -1 for anything else.
int pitch_class_of(std::string_view name);

// Respells the labels' roots as a musician writes them: a key's tonic as
// its signature has it (Bb major, D# minor), a chord's root by its degree
// in the key in force as it starts (in G major, Bb and C# rather than A#
// and Db), and without a key the spellings lead sheets use most (C#, Eb,
// F#, Ab, Bb).
void spell_harmony(std::vector<HarmonySpan>& chords, std::vector<HarmonySpan>& keys);

// The profile of frames [first, end); all 0 in silence.
PitchProfile pitch_profile(const SpectrogramStore& store, int first, int end);

// Chords of the stretches between consecutive `bounds` (ascending frames),
// neighbours with the same chord merged.
std::vector<HarmonySpan> suggest_chords(const SpectrogramStore& store,
                                        const std::vector<int>& bounds);
// Keys over the same stretches, neighbours with the same key merged.
std::vector<HarmonySpan> suggest_keys(const SpectrogramStore& store,
                                      const std::vector<int>& bounds);

} // namespace pitkad
