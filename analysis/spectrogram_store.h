#pragma once
// The spectrogram store: the analysed recording as a dense table of 20 ms
// columns, one single-precision decibel value per semitone band.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pitkad {

// Columns the store holds (frames 0 … 60000), cells per column (bands 2 … 75
// are analysed, cells 0 and 1 never are), and the analysis limit: a recording
// of this many frames or more is refused.
inline constexpr int store_frames = 60001;
inline constexpr int cells_per_frame = 76;
inline constexpr int first_band = 2;
inline constexpr int last_band = 75;
inline constexpr int band_count = 74;
inline constexpr int frame_limit = 58000;
inline constexpr float empty_level = -100.0f;
// One column of the store covers this much of the recording.
inline constexpr int frame_ms = 20;
// Band b sounds as MIDI note b + 33 (band 2 is B1, note 35).
inline constexpr int band_note_offset = 33;

struct SpectrogramStore {
    // 60001 × 76 floats, column t at [t * 76, t * 76 + 76). Allocated once.
    std::vector<float> spectrogram = std::vector<float>(std::size_t(store_frames) * cells_per_frame,
                                                        empty_level);
    // Valid columns of the open recording; 1 after a reset, 0 for a recording
    // shorter than one frame.
    std::int32_t frame_count = 1;
    // Size in bytes of the open WAV file, the cache's validity key.
    std::int32_t wav_file_size = 0;
    // The cache file written or read at open; empty when none was.
    std::string cache_file_name;
    // The normalised analysis of the open recording (frame_count columns) as
    // cached, without the loudness correction: the displayed columns are
    // rebuilt from it, so corrections never pile up whatever happens to the
    // cache file while the recording is open. At most 17.6 MB.
    std::vector<float> analysed;

    std::span<float, cells_per_frame> column(int t) {
        return std::span<float, cells_per_frame>(spectrogram.data() + std::size_t(t) * cells_per_frame,
                                                 cells_per_frame);
    }
    std::span<const float, cells_per_frame> column(int t) const {
        return std::span<const float, cells_per_frame>(
            spectrogram.data() + std::size_t(t) * cells_per_frame, cells_per_frame);
    }
    float at(int t, int b) const { return spectrogram[std::size_t(t) * cells_per_frame + b]; }
    float& at(int t, int b) { return spectrogram[std::size_t(t) * cells_per_frame + b]; }

    // Every cell to -100 and frame_count to 1 (the transport's reset).
    void reset() {
        std::fill(spectrogram.begin(), spectrogram.end(), empty_level);
        frame_count = 1;
        analysed.clear();
    }

    // Keeps the current frame_count columns as the analysis to rebuild from.
    void keep_analysed() {
        const std::size_t n = std::size_t(std::clamp(frame_count, 0, store_frames)) * cells_per_frame;
        analysed.assign(spectrogram.begin(), spectrogram.begin() + std::ptrdiff_t(n));
    }
};

} // namespace pitkad
