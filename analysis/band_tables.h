#pragma once
// The 74 semitone bands B1 … C8 (cells 2 … 75 of a spectrogram column): their
// notes and frequencies, and the constants and lookup tables the band kernel
// reads. Each band is a single-bin transform whose window holds exactly 36
// cycles of the band's centre frequency.

#include <array>
#include <string>
#include <vector>

#include "analysis/spectrogram_store.h"

namespace pitkad {

// Samples of analysis-rate (44100 Hz) history around a frame centre, and the
// index of the centre sample.
inline constexpr int history_length = 25632;
inline constexpr int history_centre = 12816;
// Analysis-rate samples per 20 ms frame.
inline constexpr int frame_step = 882;

struct Band {
    int window_length = 0; // N, a multiple of 4; 0 for cells 0 and 1
    int quarter = 0;       // Q = N / 4
    int fold = 0;          // d: first of 36, 18, 12, 9, 6, 4, 3, 2, 1 dividing Q
    int count_v = 0;       // v = Q / d
    int pairs_h = 0;       // h = v for folds 36, 12, 4; v div 2 otherwise
    int window_offset = 0; // start of the band's run in window_cos
    int coef_offset = 0;   // start of the band's run in coef
};

struct BandTables {
    std::array<Band, cells_per_frame> bands{};
    // Per band Q + 1 entries cos(2πj/N), j = 0 … Q.
    std::vector<float> window_cos;
    // Per band: v + 1 entries cos(2π·36j/N) (folds 36, 12, 4), or h pairs
    // (cos, sin)(2π·36j/N), j = 1 … h (other folds).
    std::vector<float> coef;
    // Derived from window_cos, same offsets: 27/23 − g and 27/23 + g, each
    // rounded to single precision (the two window weights of entry j).
    std::vector<float> window_low;
    std::vector<float> window_high;
};

// The window length of band b (0 for cells 0 and 1).
int window_length_of(int band);

// Fills every band's constants and the tables. Run once, before analysing.
BandTables build_band_tables();

// Band b ↔ MIDI note b + 33, name "C" … "B" with octave, 55 × 2^(b/12) Hz.
int midi_note_of(int band);
std::string note_name_of(int band);
double nominal_frequency_of(int band);
// 36 cycles per window: 36 × 44100 / N Hz.
double centre_frequency_of(int band);

} // namespace pitkad
