#pragma once
// The analysis and the drawing's notes as CSV text for a spreadsheet:
// comma-separated, one line per row ending in "\n", numbers in the C locale.

#include "analysis/spectrogram_store.h"
#include "drawing/draw_data.h"

#include <string>
#include <vector>

namespace pitkad {

// Where frame `frame` starts, in seconds with two decimals ("12.34"), as
// the CSV texts write times.
std::string seconds_text(int frame);

// A header "time,B1,C2,…,C8", then one row per frame 0 … frame_count - 1:
// its start in seconds and the displayed value of each band in dB (the store
// holds what the graph shows, with the loudness correction when it is on).
std::string analysis_csv(const SpectrogramStore& store);

// A drawn note: a maximal run of one colour on one band.
struct DrawnNote {
    int first_frame;
    int last_frame;
    int band;
    int colour; // 1 … 16
    friend bool operator==(const DrawnNote&, const DrawnNote&) = default;
};

// The notes in records 0 … frame_count - 1, by start, then band. The
// selection does not split a run.
std::vector<DrawnNote> drawn_notes(const DrawData& draw, int frame_count);

// A header "start,end,note,name,colour", then one row per drawn note: its
// start and end (after its last frame) in seconds, MIDI note, note name and
// colour number.
std::string notes_csv(const DrawData& draw, int frame_count);

} // namespace pitkad
