#include "audio/practice_filter.h"

#include "analysis/band_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pitkad {

namespace {

constexpr int lowest_band = 2, highest_band = 75;
// A high-pass below this is left out (nothing audible to remove), and so is
// a low-pass above this share of the sample rate (too close to Nyquist for
// the bilinear transform to place it well, and little left to remove).
constexpr double lowest_cut_hz = 20.0;
constexpr double highest_cut_share = 0.45;
// Filter memory below this is flushed to zero after each block, so that a
// decaying tail never reaches subnormal numbers (slow on x86).
constexpr double tiny = 1e-25;

} // namespace

double band_lower_edge_hz(int band) {
    return nominal_frequency_of(band) * std::pow(2.0, -1.0 / 24);
}

double band_upper_edge_hz(int band) {
    return nominal_frequency_of(band) * std::pow(2.0, 1.0 / 24);
}

// One section of a Butterworth filter of order `n`, cutting at w0 radians
// per sample: the bilinear transform (prewarped at w0) of
// 1 / (s² + s/Q + 1) or s² / (s² + s/Q + 1), with Q = 1 / (2 sin φ) for the
// pole pair at φ = (2k + 1)π / 2n from the imaginary axis.
PracticeFilter::Section PracticeFilter::butterworth_section(Pass pass, double w0, int n, int k) {
    const double phi = (2 * k + 1) * std::numbers::pi / (2 * n);
    const double q = 1 / (2 * std::sin(phi));
    const double alpha = std::sin(w0) / (2 * q);
    const double a0 = 1 + alpha;
    // 1 - cos w0 as 2 sin²(w0/2): exact for the small w0 of a low cut.
    const double s = std::sin(w0 / 2);
    const double one_minus_cos = 2 * s * s;
    const double one_plus_cos = 2 - one_minus_cos;
    const double b = (pass == Pass::low ? one_minus_cos : one_plus_cos) / 2 / a0;
    return {b, pass == Pass::low ? 2 * b : -2 * b, b, -2 * std::cos(w0) / a0, (1 - alpha) / a0};
}

PracticeFilter::PracticeFilter(int sample_rate) : sample_rate_(std::max(sample_rate, 1)) {}

void PracticeFilter::configure(ChannelMode mode, int focus_low_band, int focus_high_band) {
    mode_ = mode;
    int low = 0, high = 0;
    if (focus_low_band != 0) {
        low = std::clamp(focus_low_band, lowest_band, highest_band);
        high = std::clamp(focus_high_band, low, highest_band);
    }
    if (low == focus_low_ && high == focus_high_) return;
    focus_low_ = low;
    focus_high_ = high;
    design_focus();
    reset();
}

// A high-pass at the lower edge of the lowest band and a low-pass at the
// upper edge of the highest, each -3 dB at its edge, so the band-pass covers
// the range's bands from edge to edge (the outer bands' own centres, half a
// semitone inside, are about 1.8 dB down).
void PracticeFilter::design_focus() {
    section_count_ = 0;
    if (focus_low_ == 0) return;
    const double top = highest_cut_share * sample_rate_;
    const double low_cut = std::min(band_lower_edge_hz(focus_low_), top);
    const double high_cut = band_upper_edge_hz(focus_high_);
    const double to_w = 2 * std::numbers::pi / sample_rate_;
    auto add = [&](Pass pass, double hz) {
        for (int k = 0; k < order / 2; ++k)
            sections_[std::size_t(section_count_++)] =
                butterworth_section(pass, hz * to_w, order, k);
    };
    if (low_cut >= lowest_cut_hz) add(Pass::high, low_cut);
    if (high_cut <= top) add(Pass::low, high_cut);
}

void PracticeFilter::process(float* left, float* right, int frames) noexcept {
    if (frames <= 0) return;
    switch (mode_) {
    case ChannelMode::stereo:
        break;
    case ChannelMode::left:
        for (int i = 0; i < frames; ++i)
            right[i] = left[i];
        break;
    case ChannelMode::right:
        for (int i = 0; i < frames; ++i)
            left[i] = right[i];
        break;
    case ChannelMode::mono:
        for (int i = 0; i < frames; ++i)
            left[i] = right[i] = 0.5f * (left[i] + right[i]);
        break;
    case ChannelMode::centre_removed:
        // The difference cancels what both channels hold alike (a voice
        // panned to the centre). Unscaled, so a sound on one side only keeps
        // its level; anything opposite in phase on the two sides doubles.
        for (int i = 0; i < frames; ++i)
            left[i] = right[i] = left[i] - right[i];
        break;
    case ChannelMode::audit:
        for (int i = 0; i < frames; ++i) {
            left[i] = 0.5f * (left[i] + right[i]);
            right[i] = 0;
        }
        break;
    }
    if (section_count_ == 0) return;
    // Both channels are filtered even when the mode made them alike, so
    // their memories stay right when the mode changes while playing. Every
    // sample passes all sections in double precision.
    float* const channels[2] = {left, right};
    for (std::size_t ch = 0; ch < 2; ++ch) {
        float* x = channels[ch];
        auto& z = state_[ch];
        for (int i = 0; i < frames; ++i) {
            double v = x[i];
            for (int s = 0; s < section_count_; ++s) {
                const Section& c = sections_[std::size_t(s)];
                auto& d = z[std::size_t(s)];
                const double y = c.b0 * v + d[0];
                d[0] = c.b1 * v - c.a1 * y + d[1];
                d[1] = c.b2 * v - c.a2 * y;
                v = y;
            }
            x[i] = float(v);
        }
        for (auto& d : z)
            for (double& e : d)
                if (std::abs(e) < tiny) e = 0;
    }
}

void PracticeFilter::reset() noexcept {
    for (auto& channel : state_)
        for (auto& d : channel)
            d = {0, 0};
}

} // namespace pitkad
