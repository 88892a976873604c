#include "analysis/note_suggestions.h"

#include <algorithm>

namespace pitkad {

namespace {

constexpr float floor_db = -70.0f;
// A rise over two frames of at least this much starts a note.
constexpr float onset_rise_db = 11.0f;
// Within this much of the frame's loudest band.
constexpr float onset_range_db = 20.0f;
// A note ends this far under its peak.
constexpr float release_db = 15.0f;
// Semitones from a note to its 2nd … 8th harmonics, and how much louder
// than the note a harmonic may sound (a low piano string's octave is often
// louder than its fundamental).
constexpr struct {
    int step;
    float louder_db;
} harmonics[] = {{12, 6}, {19, 0}, {24, 0}, {28, -2}, {31, -2}, {34, -2}, {36, -2}};

} // namespace

std::vector<SuggestedNote> suggest_notes(const SpectrogramStore& store) {
    const int frames = store.held_frames();
    auto level = [&](int t, int b) {
        if (b < first_band || b > last_band || t < 0 || t >= frames) return floor_db;
        return std::max(store.at(t, b), floor_db);
    };
    auto rise = [&](int t, int b) { return level(t, b) - level(t - 2, b); };

    // Candidates: a band at the frame where its rise peaks.
    std::vector<std::vector<bool>> onset(std::size_t(frames),
                                         std::vector<bool>(cells_per_frame, false));
    for (int t = 2; t + 1 < frames; ++t) {
        float loudest = floor_db;
        for (int b = first_band; b <= last_band; ++b)
            loudest = std::max(loudest, level(t + 1, b));
        for (int b = first_band; b <= last_band; ++b) {
            const float r = rise(t, b);
            if (r < onset_rise_db || r < rise(t - 1, b) || r <= rise(t + 1, b)) continue;
            const float peak = std::max(level(t, b), level(t + 1, b));
            if (peak < loudest - onset_range_db) continue;
            if (peak < level(t + 1, b - 1) || peak < level(t + 1, b + 1)) continue;
            onset[std::size_t(t)][std::size_t(b)] = true;
        }
    }
    std::vector<SuggestedNote> notes;
    for (int t = 2; t + 1 < frames; ++t) {
        for (int b = first_band; b <= last_band; ++b) {
            if (!onset[std::size_t(t)][std::size_t(b)]) continue;
            // A harmonic of a lower note rising with it and not much softer.
            bool harmonic = false;
            for (const auto& h : harmonics) {
                const int low = b - h.step;
                if (low < first_band) continue;
                for (int d = -2; d <= 2 && !harmonic; ++d)
                    harmonic = rise(t + d, low) >= onset_rise_db / 2 &&
                               level(t + 1, b) < level(t + 1, low) + h.louder_db;
            }
            if (harmonic) continue;
            // The note lasts while its band holds up.
            float peak = level(t + 1, b);
            int end = t + 1;
            while (end < frames) {
                peak = std::max(peak, level(end, b));
                if (level(end, b) < peak - release_db) break;
                if (end > t + 2 && end < frames && onset[std::size_t(end)][std::size_t(b)]) break;
                ++end;
            }
            if (end - t >= 3) notes.push_back({t, end, b});
        }
    }
    return notes;
}

} // namespace pitkad
