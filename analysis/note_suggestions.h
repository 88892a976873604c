#pragma once
// Notes suggested from the analysis, polyphonic: a note starts where a band
// rises sharply to within 30 dB of the loudest band of its frame and stands
// above its neighbouring bands, unless a lower note starting with it
// explains it as a harmonic (an octave, a twelfth, two octaves or the 5th
// harmonic above); it lasts until its band falls 15 dB under its peak or the
// band starts again.

#include "analysis/spectrogram_store.h"

#include <vector>

namespace pitkad {

struct SuggestedNote {
    int first = 0, end = 0; // frames [first, end)
    int band = 0;           // 2 … 75 (MIDI note band + 33)
    friend bool operator==(const SuggestedNote&, const SuggestedNote&) = default;
};

// In order of start, then band.
std::vector<SuggestedNote> suggest_notes(const SpectrogramStore& store);

} // namespace pitkad
