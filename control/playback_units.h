#pragma once
// What the playback controls count in: the analysis frame (a column of the
// view and of the drawing), the time display's tenths of a second, the
// position slider's steps and the scroll speeds.

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

} // namespace pitkad
