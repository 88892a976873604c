#pragma once
// What the playback controls count in: the analysis frame (a column of the
// view and of the drawing), the time display's tenths of a second, the
// position slider's steps and the scroll speeds; and the units their labels
// show, the same in every language.

#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"

namespace pitkad {

// One analysis frame (frame_ms) is frame_step samples at 44.1 kHz.
static_assert(frame_step * 1000 == frame_ms * 44100);
inline constexpr int frames_per_second = 1000 / frame_ms;
inline constexpr int frames_per_tenth = 100 / frame_ms;

// position_slider runs from 0 to this.
inline constexpr int position_slider_max = 200;

// Pixels per frame: the scroll button doubles the speed up to this, then
// starts again at 1.
inline constexpr int max_scroll_speed = 4;

// The window's caption without a recording, the time display at the start,
// and the suffixes of a time in seconds and of the scroll speed.
inline constexpr const char* program_caption = "PitkaD";
inline constexpr const char* time_zero_text = "0.0 s";
inline constexpr const char* seconds_suffix = " s";
inline constexpr const char* pixel_per_second_suffix = " pixel/s";

} // namespace pitkad
