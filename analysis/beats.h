#pragma once
// Beats and bars suggested from the analysis: an onset strength per frame
// (how much the bands rise from the frame before), the local tempo from its
// autocorrelation, and the beat times as the best path through the onsets
// at that tempo (dynamic programming, so that a beat may come early or late
// and the tempo may drift). Downbeats are the beats where the harmony
// changes most, in bars of three or four beats, whichever fits better.

#include "analysis/spectrogram_store.h"

#include <vector>

namespace pitkad {

struct BeatSuggestion {
    std::vector<int> beats;     // frames, ascending
    std::vector<int> downbeats; // a subset of beats
    int beats_per_bar = 4;
};

// Onset strength of frames 0 … frame_count − 1 (0 for the first).
std::vector<float> onset_strength(const SpectrogramStore& store);

// The pitch classes' energy (C … B) of frames [first, end), from the
// bands' levels, summed to 1 (all 0 in silence).
std::vector<double> chroma_of(const SpectrogramStore& store, int first, int end);

BeatSuggestion suggest_beats(const SpectrogramStore& store);

} // namespace pitkad
