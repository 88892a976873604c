#include "audio/loop_reader.h"

#include <algorithm>

namespace pitkad {

PracticeSettings clamped(PracticeSettings s) {
    s.speed = std::clamp(std::isfinite(s.speed) ? s.speed : 1.0, PracticeSettings::min_speed,
                         PracticeSettings::max_speed);
    s.semitones =
        std::clamp(s.semitones, -PracticeSettings::max_semitones, PracticeSettings::max_semitones);
    s.cents = std::clamp(s.cents, -PracticeSettings::max_cents, PracticeSettings::max_cents);
    s.loop_pause = std::clamp(std::isfinite(s.loop_pause) ? s.loop_pause : 0.0, 0.0,
                              PracticeSettings::max_loop_pause);
    if (s.loop.start < 0 || !s.loop.active()) s.loop = {};
    if (s.focus_low != 0) {
        s.focus_low = std::clamp(s.focus_low, 2, 75);
        s.focus_high = std::clamp(s.focus_high, 2, 75);
        if (s.focus_high < s.focus_low) std::swap(s.focus_low, s.focus_high);
    } else {
        s.focus_high = 0;
    }
    return s;
}

void LoopReader::seek(std::int64_t frame) {
    const std::int64_t length = audio_ ? audio_->frames : 0;
    position_ = std::clamp<std::int64_t>(frame, 0, length);
    wrapped_ = false;
}

int LoopReader::read(float* left, float* right, int frames) {
    wrapped_ = false;
    if (!audio_) return 0;
    const std::int64_t length = audio_->frames;
    const bool in_loop = looping() && loop_.end <= length;
    const std::int64_t stop = in_loop ? loop_.end : length;
    const int n = int(std::clamp<std::int64_t>(stop - position_, 0, frames));
    // The crossfade: over the last frames before the loop's end, the frames
    // one loop length earlier (just before the start) fade in, so that
    // going on at the start continues what is heard by then.
    const std::int64_t fade = in_loop ? std::min<std::int64_t>(crossfade_frames, loop_.start) : 0;
    const std::int64_t fade_from = stop - fade;
    for (int i = 0; i < n; ++i) {
        const std::int64_t f = position_ + i;
        float l = audio_->sample(f, 0), r = audio_->sample(f, 1);
        if (f >= fade_from) {
            const float w = float(double(f - fade_from + 1) / double(fade + 1));
            const std::int64_t g = f - loop_.length();
            l = l * (1 - w) + audio_->sample(g, 0) * w;
            r = r * (1 - w) + audio_->sample(g, 1) * w;
        }
        left[i] = l;
        right[i] = r;
    }
    position_ += n;
    if (in_loop && position_ >= loop_.end) {
        position_ = loop_.start;
        wrapped_ = true;
    }
    return n;
}

} // namespace pitkad
