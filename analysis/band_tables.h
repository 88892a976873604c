#pragma once
// The 74 semitone bands B1 … C8 (cells 2 … 75 of a spectrogram column): their
// notes and frequencies, and the plan and weights the band kernel reads. Each
// band is a single-bin transform whose window holds exactly 36 cycles of the
// band's centre frequency.
//
// The kernel evaluates a band's sum at several sample rates: the recording
// halved `level` times by a half-band filter cascade. The window is split into
// pieces by a smooth partition of unity: the interior, where the windowed
// signal is smooth, is summed at the band's top level; towards each edge the
// pieces step down one level at a time, and only the few samples at the edge
// itself (where the window jumps from 4/23 to nothing) are summed at the full
// rate. A piece's weights already hold the window, the partition, the
// transform's phase and the factor 2^level.

#include <array>
#include <cstddef>
#include <new>
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

// The deepest level any band is summed at (a rate of 44100 / 2^6 Hz), and the
// half-band filter's distinct odd taps (it has 2 × 22 of them, and 1/2 in the
// middle).
inline constexpr int kernel_max_level = 6;
inline constexpr int halfband_taps = 22;
// Runs of weights are padded with zeros to a whole number of blocks of this
// many, the kernel's sums being kept in as many lanes.
inline constexpr int kernel_run_block = 16;

// One run of weights: the window offsets t_first, t_first + 2^level, … of one
// phase of a piece (the offsets that fall on that level's samples when the
// window starts at a given sample).
struct KernelRun {
    int t_first = 0;
    int count = 0;
    int weights = 0; // start in weights
};

// A piece of a band's window summed at one level: window offsets [begin, end),
// with 2^level runs, one per phase.
struct KernelPiece {
    int level = 0;
    int begin = 0;
    int end = 0;
    int first_run = 0;
};

struct Band {
    int window_length = 0; // N, a multiple of 4; 0 for cells 0 and 1
    int top_level = 0;     // the level the interior is summed at
    int first_piece = 0;
    int piece_count = 0;
};

// Memory on cache-line boundaries: a block of 16 weights is then one line,
// not two halves.
template <class T> struct LineAligned {
    using value_type = T;
    static constexpr std::align_val_t line{64};
    LineAligned() = default;
    template <class U> LineAligned(const LineAligned<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), line)); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, line); }
    friend bool operator==(const LineAligned&, const LineAligned&) { return true; }
};

struct BandTables {
    std::array<Band, cells_per_frame> bands{};
    std::vector<KernelPiece> pieces;
    std::vector<KernelRun> runs;
    // Per run, the weights of its window offsets in blocks of 16: the
    // block's real parts, then its imaginary parts.
    std::vector<float, LineAligned<float>> weights;
    // The half-band filter's odd taps c1 … c22: output i = x(2i)/2 +
    // Σ ck (x(2i − 2k + 1) + x(2i + 2k − 1)).
    std::array<float, halfband_taps> halfband{};
    int max_level = 0; // the deepest top level of any band
};

// The window length of band b (0 for cells 0 and 1).
int window_length_of(int band);

// Plans every band and fills the tables. Run once, before analysing.
BandTables build_band_tables();

// Band b ↔ MIDI note b + 33, name "C" … "B" with octave, 55 × 2^(b/12) Hz.
int midi_note_of(int band);
std::string note_name_of(int band);
double nominal_frequency_of(int band);
// 36 cycles per window: 36 × 44100 / N Hz.
double centre_frequency_of(int band);

} // namespace pitkad
