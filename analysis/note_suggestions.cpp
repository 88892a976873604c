#include "analysis/note_suggestions.h"

#include "analysis/band_tables.h"
#include "base/vector_state.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace pitkad {

namespace {

constexpr int nb = band_count;
// Levels under this are taken as this (dB under the recording's peak).
constexpr float floor_db = -80.0f;
// Frames whose loudest band is under this, or without pitch, hold no note.
constexpr float silent_db = -60.0f;
// Semitones from a note to its 1st … 6th harmonics, and their amplitudes
// relative to the fundamental in the fixed templates (1/h).
constexpr std::array<int, 6> harmonic_steps{0, 12, 19, 24, 28, 31};
constexpr std::array<float, 6> harmonic_weights{1.0f,     1.0f / 2, 1.0f / 3,
                                                1.0f / 4, 1.0f / 5, 1.0f / 6};
// Multiplicative updates per frame.
constexpr int iterations = 12;
// Note tracking, on the activations in dB: a note may start where its
// activation, averaged over `smoothing` frames, comes within on_range_db of
// the loudest activation of the frames within `context` frames, and above
// floor_activation_db; it holds while within hold_range_db of that and
// within drop_db of its own peak.
constexpr int smoothing = 7;
constexpr int context = 5;
constexpr float on_range_db = 9.0f;
constexpr float hold_range_db = 15.0f;
constexpr float floor_activation_db = -50.0f;
constexpr float drop_db = 20.0f;
constexpr int min_frames = 6;
// The start is moved back over the frames of the attack within back_db of
// the level just after it (a slow attack reaches its level late), at most
// max_back frames, and one frame more where that frame is already within
// lead_db (the note began between frames). A band whose window is shorter
// than short_window frames follows a bowed or blown attack's quiet first
// frames, and goes back over short_back_db; a longer window already rises
// up to half its length before a struck note, and would go back too far.
constexpr float back_db = 8.0f;
constexpr float short_back_db = 14.0f;
constexpr int short_window = 11;
constexpr int max_back = 15;
constexpr float lead_db = 30.0f;
// A note sounded again: a rise over two frames of at least rise_db after
// the smoothed level fell dip_db under the note's peak; or a rise of at least
// dip_db over two frames in three of the bands of its 2nd … 5th harmonics.
constexpr float rise_db = 4.0f;
constexpr float dip_db = 6.0f;
constexpr int restruck_harmonics = 3;
// A harmonic's band counts only within this of the note's own band: a pure
// tone's have nothing but its leakage, which flickers by more than dip_db
// from frame to frame and would split a held note into pieces.
constexpr float partial_range_db = 40.0f;
// A note starting on the 2nd, 3rd or 4th harmonic of a note sounding for at
// least `settled` frames is kept only where its band rises by at least
// dip_db (the most of the `settled` - 1 frames from its start against the
// most of those before).
constexpr int settled = 5;

// 10^(db / 20) and 20·log10(a) to about 0.01 dB, much faster than the
// library's functions on the millions of cells of a long recording.
float amplitude_of(float db) {
    const float x = db * 0.16609640f; // log2(10) / 20
    const float whole = std::floor(x);
    const float f = x - whole;
    // 2^f on [0, 1), a cubic within 1e-4 relative.
    const float p = 1.0f + f * (0.69542852f + f * (0.22694611f + f * 0.07737539f));
    return p * std::bit_cast<float>(std::uint32_t(int(whole) + 127) << 23);
}
float db_of(float a) {
    const auto bits = std::bit_cast<std::uint32_t>(a);
    const float e = float(int(bits >> 23) - 127);
    const float m = std::bit_cast<float>((bits & 0x7fffffu) | 0x3f800000u) - 1.0f;
    // log2(1 + m) on [0, 1), within 2e-4.
    const float l = m * (1.43854765f + m * (-0.67808746f + m * (0.32364232f + m * -0.08429226f)));
    return (e + l) * 6.0205999f; // 20·log10(2)
}

// Per frame, the amplitudes of the bands are explained as a sum of fixed
// harmonic templates, one per note, by multiplicative updates minimising
// the generalised Kullback-Leibler divergence; returns each note's
// activation in dB (floor_db − 40 where silent), note by note: note p's
// frames at [p × frames, p × frames + frames). Frames are solved `lanes` at
// a time, side by side, so that the updates run as vector arithmetic (AVX2
// where the processor has it).
#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer instruments the clones' resolver, which runs before it has
// started: one version there.
#define AVX2_CLONE
#else
#define AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#endif
AVX2_CLONE std::vector<float> activations(const SpectrogramStore& store, int frames) {
    constexpr float quiet = floor_db - 40.0f;
    constexpr int lanes = 8;
    using Lanes = std::array<float, lanes>;
    std::vector<float> out(std::size_t(frames) * nb, quiet);
    std::array<float, nb> inverse_sum{};
    for (int p = 0; p < nb; ++p) {
        float sum = 0;
        for (std::size_t h = 0; h < harmonic_steps.size(); ++h)
            if (p + harmonic_steps[h] < nb) sum += harmonic_weights[h];
        inverse_sum[std::size_t(p)] = 1.0f / sum;
    }
    std::array<Lanes, nb> x{}, a{}, r{}, g{};
    std::array<int, lanes> at{};
    for (int t = 0; t < frames;) {
        // The next frames that are not silent.
        int used = 0;
        for (; t < frames && used < lanes; ++t) {
            float loudest = floor_db;
            for (int b = 0; b < nb; ++b)
                loudest = std::max(loudest, store.at(t, b + first_band));
            if (loudest < silent_db || store.pitchless(t)) continue;
            for (int b = 0; b < nb; ++b)
                x[std::size_t(b)][std::size_t(used)] =
                    amplitude_of(std::max(store.at(t, b + first_band), floor_db));
            at[std::size_t(used++)] = t;
        }
        if (used == 0) break;
        for (int k = used; k < lanes; ++k)
            for (int b = 0; b < nb; ++b)
                x[std::size_t(b)][std::size_t(k)] = 1.0f;
        a = x;
        for (int it = 0; it < iterations; ++it) {
            for (auto& v : r)
                v.fill(1e-9f);
            for (std::size_t h = 0; h < harmonic_steps.size(); ++h) {
                const int s = harmonic_steps[h];
                const float w = harmonic_weights[h];
                for (int p = 0; p + s < nb; ++p) {
                    Lanes& to = r[std::size_t(p + s)];
                    const Lanes& from = a[std::size_t(p)];
                    for (int k = 0; k < lanes; ++k)
                        to[std::size_t(k)] += w * from[std::size_t(k)];
                }
            }
            for (int b = 0; b < nb; ++b)
                for (int k = 0; k < lanes; ++k)
                    r[std::size_t(b)][std::size_t(k)] =
                        x[std::size_t(b)][std::size_t(k)] / r[std::size_t(b)][std::size_t(k)];
            for (auto& v : g)
                v.fill(0.0f);
            for (std::size_t h = 0; h < harmonic_steps.size(); ++h) {
                const int s = harmonic_steps[h];
                const float w = harmonic_weights[h];
                for (int p = 0; p + s < nb; ++p) {
                    Lanes& to = g[std::size_t(p)];
                    const Lanes& from = r[std::size_t(p + s)];
                    for (int k = 0; k < lanes; ++k)
                        to[std::size_t(k)] += w * from[std::size_t(k)];
                }
            }
            for (int p = 0; p < nb; ++p)
                for (int k = 0; k < lanes; ++k)
                    a[std::size_t(p)][std::size_t(k)] *=
                        g[std::size_t(p)][std::size_t(k)] * inverse_sum[std::size_t(p)];
        }
        for (int p = 0; p < nb; ++p)
            for (int k = 0; k < used; ++k)
                out[std::size_t(p) * std::size_t(frames) + std::size_t(at[std::size_t(k)])] =
                    std::max(db_of(std::max(a[std::size_t(p)][std::size_t(k)], 1e-12f)), quiet);
    }
    return out;
}

} // namespace

std::vector<SuggestedNote> suggest_notes(const SpectrogramStore& store, NoteSuggestionRules rules) {
    clear_upper_vector_state();
    const int frames = store.held_frames();
    if (frames <= 0) return {};
    const std::vector<float> level = activations(store, frames);
    const auto n = std::size_t(frames);
    auto at = [&](int t, int p) { return level[std::size_t(p) * n + std::size_t(t)]; };

    // The activations averaged over `smoothing` frames (the ends repeated).
    std::vector<float> smooth(level.size());
    for (int p = 0; p < nb; ++p) {
        const float* from = level.data() + std::size_t(p) * n;
        float* to = smooth.data() + std::size_t(p) * n;
        constexpr int half = smoothing / 2;
        float sum = 0;
        for (int d = -half; d <= half; ++d)
            sum += from[std::clamp(d, 0, frames - 1)];
        for (int t = 0; t < frames; ++t) {
            to[t] = sum * (1.0f / smoothing);
            sum += from[std::min(t + half + 1, frames - 1)] - from[std::max(t - half, 0)];
        }
    }
    auto held = [&](int t, int p) { return smooth[std::size_t(p) * n + std::size_t(t)]; };
    // The thresholds: from the loudest smoothed activation nearby.
    std::vector<float> loudest(n, floor_db - 40.0f);
    for (int p = 0; p < nb; ++p)
        for (int t = 0; t < frames; ++t)
            loudest[std::size_t(t)] = std::max(loudest[std::size_t(t)], held(t, p));
    std::vector<float> start_at(n), hold_at(n);
    for (int t = 0; t < frames; ++t) {
        float m = loudest[std::size_t(t)];
        for (int u = std::max(0, t - context); u <= std::min(frames - 1, t + context); ++u)
            m = std::max(m, loudest[std::size_t(u)]);
        start_at[std::size_t(t)] = std::max(m - on_range_db, floor_activation_db);
        hold_at[std::size_t(t)] = std::max(m - hold_range_db, floor_activation_db - 5.0f);
    }

    // A low note's band is too slow to dip between repeated strokes (its
    // window is long); the bands of its upper harmonics, with shorter
    // windows, rise together at each stroke.
    auto struck_again = [&](int t, int band) {
        int rising = 0;
        const float own = store.at(t + 1, band);
        for (std::size_t h = 1; h < 5; ++h) {
            const int b = band + harmonic_steps[h];
            if (b > last_band) break;
            rising += store.at(t + 1, b) - store.at(t - 1, b) > dip_db &&
                      store.at(t + 1, b) > own - partial_range_db;
        }
        return rising >= restruck_harmonics;
    };

    std::vector<SuggestedNote> notes;
    for (int p = 0; p < nb; ++p) {
        int previous_end = 0;
        for (int t = 0; t < frames;) {
            if (held(t, p) <= start_at[std::size_t(t)]) {
                ++t;
                continue;
            }
            float soon = held(t, p);
            for (int u = t + 1; u < std::min(frames, t + 5); ++u)
                soon = std::max(soon, held(u, p));
            int first = t;
            const float back =
                window_length_of(p + first_band) < short_window * frame_step ? short_back_db
                                                                               : back_db;
            while (first > previous_end && first > t - max_back &&
                   at(first - 1, p) > soon - back)
                --first;
            if (first > previous_end && at(first - 1, p) > soon - lead_db) --first;
            float peak = held(t, p);
            int end = t + 1;
            while (end < frames) {
                const float s = held(end, p), raw = at(end, p);
                const bool holds = (s > hold_at[std::size_t(end)] && s > peak - drop_db) ||
                                   (raw > hold_at[std::size_t(end)] && raw > peak - drop_db);
                if (!holds) break;
                peak = std::max(peak, s);
                if (end - first >= min_frames && end + 1 < frames &&
                    ((at(end + 1, p) - at(end - 1, p) > rise_db &&
                      held(end - 1, p) < peak - dip_db) ||
                     (rules.split_restrikes && struck_again(end, p + first_band))))
                    break;
                ++end;
            }
            if (end - first >= min_frames) {
                notes.push_back({first, end, p + first_band});
                previous_end = end;
            }
            t = std::max(end, t + 1);
        }
    }
    // A note that starts on a harmonic of a note already sounding, without
    // a rise of its own, is that note's harmonic wavering (bowed and blown
    // tones' partials swell and fade): dropped. The notes are still by band,
    // each band's in order.
    std::vector<std::size_t> band_start(std::size_t(last_band) + 2, notes.size());
    for (std::size_t i = notes.size(); i-- > 0;)
        band_start[std::size_t(notes[i].band)] = i;
    for (std::size_t b = band_start.size() - 1; b-- > 0;)
        band_start[b] = std::min(band_start[b], band_start[b + 1]);
    auto sounding_under = [&](const SuggestedNote& x) {
        for (std::size_t h = 1; h < 4; ++h) {
            const int b = x.band - harmonic_steps[h];
            if (b < first_band) break;
            // The last note of band b starting `settled` frames or more before x.
            const auto from = notes.begin() + std::ptrdiff_t(band_start[std::size_t(b)]);
            const auto to = notes.begin() + std::ptrdiff_t(band_start[std::size_t(b) + 1]);
            auto it = std::upper_bound(from, to, x.first - settled,
                                       [](int f, const SuggestedNote& y) { return f < y.first; });
            if (it != from && std::prev(it)->end > x.first + 2) return true;
        }
        return false;
    };
    auto rises = [&](const SuggestedNote& x) {
        float before = floor_db - 40.0f, after = floor_db - 40.0f;
        for (int t = std::max(0, x.first - settled + 1); t < x.first; ++t)
            before = std::max(before, store.at(t, x.band));
        for (int t = x.first; t < std::min(frames, x.first + settled - 1); ++t)
            after = std::max(after, store.at(t, x.band));
        return after - before >= dip_db;
    };
    std::vector<SuggestedNote> kept;
    kept.reserve(notes.size());
    for (const SuggestedNote& x : notes)
        if (!rules.drop_held_harmonics || !sounding_under(x) || rises(x)) kept.push_back(x);
    notes = std::move(kept);
    std::sort(notes.begin(), notes.end(), [](const SuggestedNote& x, const SuggestedNote& y) {
        return x.first != y.first ? x.first < y.first : x.band < y.band;
    });
    return notes;
}

} // namespace pitkad
