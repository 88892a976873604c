#pragma once
// The loudness correction: a decibel offset per band added before the store
// is normalised to its peak, and the rebuilding of the store from the cache
// whenever the correction is switched.

#include <array>
#include <filesystem>
#include <string_view>

#include "analysis/spectrogram_store.h"

namespace pitkad {

// Offsets per cell; cells 0 and 1 are always 0.
using LoudnessTable = std::array<float, cells_per_frame>;

struct LoudnessLoad {
    bool ok = false;       // the correction may be switched on
    LoudnessTable table{}; // all 0 when the file is missing or unreadable
};

// Parses the text of "loudness.dat": 74 numbers for bands 2 … 75, each the
// first token of its line after blanks, tabs and blank lines; missing values
// at the end are 0. A token that is not a number makes ok false.
LoudnessLoad parse_loudness_table(std::string_view text);
// Reads and parses the file; ok false when it cannot be read, is not a
// regular file or is over a megabyte.
LoudnessLoad load_loudness_table(const std::filesystem::path& file);

// Subtracts the largest analysed cell (columns 0 … frame_count − 1, cells
// 2 … 75) from each of them, so the peak becomes exactly 0; when no cell is
// above no_sound_level, the largest becomes empty_level instead.
void normalise_to_peak(SpectrogramStore& store);
// Adds the table's offset to every analysed cell.
void add_loudness(SpectrogramStore& store, const LoudnessTable& table);
// Rebuilds the store from its cache file (unless `as_analysed`: it holds
// those columns already), with the correction when correction_on (the menu
// item enabled and checked), then normalises. Does nothing more when no
// recording is open or its kept analysis cannot be read back (false then).
bool refresh_spectrogram(SpectrogramStore& store, bool recording_open, bool correction_on,
                         const LoudnessTable& table, bool as_analysed = false);

} // namespace pitkad
