#include "analysis/model_notes.h"

#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <cmath>

namespace pitkad {

namespace {

// MIDI note of the model's first key, and from a MIDI note to a band.
constexpr int first_key = 21;
constexpr int band_of_midi = -33;
constexpr double analysis_frame_seconds = double(frame_step) / 44100.0;

} // namespace

std::vector<SuggestedNote> notes_from_posteriors(const KeyPosteriors& p, double time_scale,
                                                 int frame_count, ModelNoteRules rules) {
    std::vector<SuggestedNote> notes;
    const std::size_t cells = std::size_t(std::max(p.frames, 0)) * std::size_t(std::max(p.keys, 0));
    if (p.frames <= 0 || p.keys <= 0 || p.onsets.size() < cells || p.notes.size() < cells ||
        frame_count <= 0 || !(time_scale > 0))
        return notes;
    auto at = [&](std::span<const float> v, int t, int k) {
        return v[std::size_t(t) * std::size_t(p.keys) + std::size_t(k)];
    };
    auto to_frame = [&](int model_frame) {
        const double seconds = model_frame * p.frame_seconds * time_scale;
        return int(std::lround(seconds / analysis_frame_seconds));
    };
    std::vector<int> starts;
    for (int k = 0; k < p.keys; ++k) {
        const int band = first_key + k + band_of_midi;
        if (band < first_band || band > last_band) continue;
        starts.clear();
        for (int t = 0; t < p.frames; ++t)
            if (at(p.onsets, t, k) >= rules.onset_threshold &&
                (t == 0 || at(p.onsets, t - 1, k) < rules.onset_threshold))
                starts.push_back(t);
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const int first = starts[i];
            const int stop = i + 1 < starts.size() ? starts[i + 1] : p.frames;
            int end = first + 1, below = 0;
            for (int t = first + 1; t < stop; ++t) {
                if (at(p.notes, t, k) >= rules.note_threshold) {
                    end = t + 1;
                    below = 0;
                } else if (++below > rules.gap_frames) {
                    break;
                }
            }
            if (end - first < rules.min_frames) continue;
            const int a = std::clamp(to_frame(first), 0, frame_count - 1);
            const int b = std::clamp(to_frame(end), a + 1, frame_count);
            notes.push_back({a, b, band});
        }
    }
    std::sort(notes.begin(), notes.end(), [](const SuggestedNote& x, const SuggestedNote& y) {
        return x.first != y.first ? x.first < y.first : x.band < y.band;
    });
    return notes;
}

} // namespace pitkad
