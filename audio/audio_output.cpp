#include "audio/audio_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace pitkad {

void ClockOutput::load(std::shared_ptr<const PcmAudio> audio) {
    audio_ = std::move(audio);
    state_ = State::stopped;
    anchor_frame_ = 0;
}

bool ClockOutput::play_from(std::int64_t frame) {
    if (!audio_) return false;
    anchor_frame_ = double(std::clamp<std::int64_t>(frame, 0, audio_->frames));
    anchor_seconds_ = now_seconds();
    state_ = State::playing;
    return true;
}

void ClockOutput::pause() {
    if (state_ != State::playing) return;
    anchor_frame_ = position();
    state_ = State::paused;
}

bool ClockOutput::resume() {
    if (state_ != State::paused) return false;
    anchor_seconds_ = now_seconds();
    state_ = State::playing;
    return true;
}

void ClockOutput::stop() {
    if (state_ == State::playing) anchor_frame_ = position();
    state_ = State::stopped;
}

void ClockOutput::set_practice(const PracticeSettings& settings) {
    if (state_ == State::playing) {
        anchor_frame_ = position();
        anchor_seconds_ = now_seconds();
    }
    practice_ = clamped(settings);
}

double ClockOutput::position() const {
    if (!audio_) return 0;
    if (state_ != State::playing) return anchor_frame_;
    const double rate = double(audio_->rate) * practice_.speed;
    double p = anchor_frame_ + (now_seconds() - anchor_seconds_) * rate;
    const LoopRange& loop = practice_.loop;
    if (loop.active() && loop.end <= audio_->frames && anchor_frame_ < double(loop.end) &&
        p >= double(loop.end)) {
        // Round the loop: its length, then the pause (held at its start).
        const double pause = practice_.loop_pause * rate;
        const double k = std::fmod(p - double(loop.end), double(loop.length()) + pause);
        p = double(loop.start) + std::max(0.0, k - pause);
    }
    return std::min(p, double(audio_->frames));
}

bool ClockOutput::playing() const {
    return audio_ && state_ == State::playing && position() < double(audio_->frames);
}

double SilentOutput::now_seconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace pitkad
