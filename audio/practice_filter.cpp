#include "audio/practice_filter.h"

namespace pitkad {

PracticeFilter::PracticeFilter(int sample_rate) : sample_rate_(sample_rate) {}

void PracticeFilter::configure(ChannelMode mode, int focus_low_band, int focus_high_band) {
    mode_ = mode;
    focus_low_ = focus_low_band;
    focus_high_ = focus_high_band;
}

void PracticeFilter::process(float* left, float* right, int frames) noexcept {
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
    }
}

void PracticeFilter::reset() noexcept {}

} // namespace pitkad
