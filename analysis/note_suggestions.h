#pragma once
// Notes suggested from the analysis, polyphonic. Each frame's band levels,
// as amplitudes, are explained as a sum of one fixed harmonic template per
// note (the 1st … 6th harmonics at 1/h of the fundamental) by
// multiplicative updates minimising the Kullback-Leibler divergence: a
// harmonic explained by a lower note is not a note of its own, and two
// notes an octave apart both are when the upper one is louder than the
// lower one's harmonic. Each note's activation (in dB, averaged over 7
// frames) is then tracked with hysteresis against the loudest activation
// nearby: a note starts within 9 dB of it, holds while within 15 dB and
// 20 dB of its own peak, starts again where it rises sharply after a dip,
// and lasts at least 6 frames. Its start is moved back over its attack.

#include "analysis/spectrogram_store.h"

#include <vector>

namespace pitkad {

struct SuggestedNote {
    int first = 0, end = 0; // frames [first, end)
    int band = 0;           // 2 … 75 (MIDI note band + 33)
    friend bool operator==(const SuggestedNote&, const SuggestedNote&) = default;
};

// A low note struck again is split where its upper harmonics rise together;
// a note starting on a harmonic of a note already sounding, without a rise of
// its own, is left out. The transcription check takes the notes without
// either: it weighs such sound against the drawing itself.
struct NoteSuggestionRules {
    bool split_restrikes = true;
    bool drop_held_harmonics = true;
};

// In order of start, then band.
std::vector<SuggestedNote> suggest_notes(const SpectrogramStore& store,
                                         NoteSuggestionRules rules = {});

} // namespace pitkad
