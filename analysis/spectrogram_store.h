#pragma once
// The spectrogram store: the analysed recording as a dense table of 20 ms
// columns, one single-precision decibel value per semitone band.

#include "analysis/analysis_reference.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pitkad {

// An open cache file the analysis is read back from (analysis_cache.h).
class KeptCacheFile;

// Columns the store holds at least (frames 0 … 60000; a longer recording
// gets room for all its frames), cells per column (bands 2 … 75 are
// analysed, cells 0 and 1 never are), and the limits: a recording shorter
// than frame_limit frames keeps the original cache and drawing layouts, and
// one of recording_frame_limit frames (4 hours) or more is refused.
inline constexpr int store_frames = 60001;
inline constexpr int cells_per_frame = 76;
inline constexpr int first_band = 2;
inline constexpr int last_band = 75;
inline constexpr int band_count = 74;
inline constexpr int frame_limit = 58000;
inline constexpr int recording_frame_limit = 720000;
inline constexpr float empty_level = -100.0f;
// What the analysis gives a band without sound; a recording none of whose
// bands rises above it has no peak to be normalised to.
inline constexpr float no_sound_level = -60.0f;
// Bands all within this of each other hold no pitch: a silent recording is
// all at one level once normalised.
inline constexpr float pitchless_spread_db = 1.0f;
// One column of the store covers this much of the recording.
inline constexpr int frame_ms = 20;
// Band b sounds as MIDI note b + 33 (band 2 is B1, note 35).
inline constexpr int band_note_offset = 33;

struct SpectrogramStore {
    static int columns_of(const std::vector<float>& cells) {
        return int(cells.size() / cells_per_frame);
    }

    // columns() × 76 floats, column t at [t * 76, t * 76 + 76): 60001
    // columns, or one more than the frames of a longer recording.
    std::vector<float> spectrogram =
        std::vector<float>(std::size_t(store_frames) * cells_per_frame, empty_level);
    // Valid columns of the open recording; 1 after a reset, 0 for a recording
    // shorter than one frame.
    std::int32_t frame_count = 1;
    // Size in bytes of the open WAV file, the cache's validity key.
    std::int32_t wav_file_size = 0;
    // The cache file written or read at open; empty when none was.
    std::string cache_file_name;
    // The pitch of A4 the columns were analysed at.
    AnalysisReference reference;
    // The normalised analysis of the open recording (frame_count columns) as
    // cached, without the loudness correction: the displayed columns are
    // rebuilt from it, so corrections never pile up whatever happens to the
    // cache file while the recording is open. Kept in memory up to
    // frame_limit columns (17.6 MB); a longer analysis is read back from
    // the cache file it was written to or read from, held open here (a
    // cache replaced or removed meanwhile leaves this one as it was).
    std::vector<float> analysed;
    std::shared_ptr<const KeptCacheFile> analysed_file;

    SpectrogramStore() = default;
    // Just these columns (76 cells each), all of them valid: a first look
    // at part of a recording, without room for the rest.
    explicit SpectrogramStore(std::vector<float>&& columns)
        : spectrogram(std::move(columns)), frame_count(columns_of(spectrogram)) {}

    std::span<float, cells_per_frame> column(int t) {
        return std::span<float, cells_per_frame>(
            spectrogram.data() + std::size_t(t) * cells_per_frame, cells_per_frame);
    }
    std::span<const float, cells_per_frame> column(int t) const {
        return std::span<const float, cells_per_frame>(
            spectrogram.data() + std::size_t(t) * cells_per_frame, cells_per_frame);
    }
    float at(int t, int b) const { return spectrogram[std::size_t(t) * cells_per_frame + b]; }
    float& at(int t, int b) { return spectrogram[std::size_t(t) * cells_per_frame + b]; }

    int columns() const { return columns_of(spectrogram); }
    // The recording's frames the store holds columns for.
    int held_frames() const { return std::clamp(frame_count, 0, columns()); }
    // Column t's bands are all within pitchless_spread_db of each other.
    bool pitchless(int t) const {
        const auto c = column(t).subspan<first_band, last_band - first_band + 1>();
        const auto [low, high] = std::minmax_element(c.begin(), c.end());
        return *high - *low < pitchless_spread_db;
    }
    // Room for columns 0 … frames (never fewer than store_frames columns);
    // new columns are empty. Only grows.
    void make_room(int frames) {
        const std::size_t n = std::size_t(std::max(frames + 1, store_frames)) * cells_per_frame;
        if (n > spectrogram.size()) spectrogram.resize(n, empty_level);
    }
    // Room for columns 0 … frames and no more than a sixteenth beyond: the
    // room of an overestimated or a previous longer recording is released.
    void fit(int frames) {
        make_room(frames);
        const std::size_t n = std::size_t(std::max(frames + 1, store_frames)) * cells_per_frame;
        if (spectrogram.size() - n > n / 16) {
            spectrogram.resize(n);
            spectrogram.shrink_to_fit();
        }
    }

    // Every cell to -100 and frame_count to 1 (the transport's reset); the
    // room of a long recording is released.
    void reset() {
        if (spectrogram.size() > std::size_t(store_frames) * cells_per_frame)
            std::vector<float>(std::size_t(store_frames) * cells_per_frame).swap(spectrogram);
        std::fill(spectrogram.begin(), spectrogram.end(), empty_level);
        frame_count = 1;
        reference = {};
        analysed.clear();
        analysed_file.reset();
    }

    // Keeps the current frame_count columns as the analysis to rebuild
    // from: in memory up to frame_limit columns, otherwise `file` (the
    // cache just written or read).
    void keep_analysed(std::shared_ptr<const KeptCacheFile> file = {}) {
        const int frames = held_frames();
        analysed_file.reset();
        analysed.clear();
        if (frames > frame_limit && file) {
            analysed.shrink_to_fit();
            analysed_file = std::move(file);
            return;
        }
        const std::size_t n = std::size_t(frames) * cells_per_frame;
        analysed.assign(spectrogram.begin(), spectrogram.begin() + std::ptrdiff_t(n));
    }
};

} // namespace pitkad
