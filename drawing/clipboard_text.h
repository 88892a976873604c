#pragma once
// The analysis values of a rectangle of the graph as tab-separated text for
// a spreadsheet: two header lines, then one line per frame with one value per
// band, rising in pitch. Every value is followed by a tab; lines end in CR LF.

#include "analysis/spectrogram_store.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace pitkad {

// The text stops after the first line that takes it past this many characters.
inline constexpr std::size_t clipboard_cap = 50000;
// Appended to the text when it stops there.
inline constexpr std::string_view clipboard_over = "quit - 50kB Over!";

// Start time of a frame in seconds, general format with up to 15
// significant digits: 0, 0.02, 3, 3.02.
std::string clipboard_time_text(int frame);

// A level rounded to 5 significant digits, then written with 2 decimals:
// 12.3456 → "12.35", -100 → "-100.00", 1234.567 → "1234.60".
std::string clipboard_value_text(double value);

// Frames start … end and bands low … high (low > high gives lines without
// values). The caller keeps the ranges inside the recording and the store.
std::string clipboard_text(const SpectrogramStore& store, int start, int end, int low, int high);

} // namespace pitkad
