#include "audio/practice_preparer.h"

#include "base/vector_state.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace pitkad {

namespace {

using RubberBand::RubberBandStretcher;

// The most input frames given to the stretcher at once (set as its maximum,
// so that it never reallocates).
constexpr int feed_frames = 1024;
// At an unchanged pitch the faster engine's cheapest pitch method; with a
// transposition the one that changes smoothly while playing (the finer
// engine has one method only).
RubberBandStretcher::Options pitch_option(const PracticeSettings& s) {
    return s.pitch_scale() == 1.0 ? RubberBandStretcher::OptionPitchHighSpeed
                                  : RubberBandStretcher::OptionPitchHighConsistency;
}

// How often a thread with a full ring looks whether the callback took a block.
constexpr std::chrono::milliseconds full_poll{2};

} // namespace

PracticePreparer::PracticePreparer() : in_left_(feed_frames), in_right_(feed_frames) {
    thread_ = std::thread([this] { run(); });
}

PracticePreparer::~PracticePreparer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PracticePreparer::set_audio(std::shared_ptr<const PcmAudio> audio) {
    {
        std::lock_guard lock(mutex_);
        next_audio_ = std::move(audio);
        audio_pending_ = true;
        running_ = false;
        pending_ = true;
    }
    wake_.notify_all();
}

void PracticePreparer::set_settings(const PracticeSettings& settings) {
    {
        std::lock_guard lock(mutex_);
        next_settings_ = clamped(settings);
        settings_pending_ = true;
        pending_ = true;
    }
    wake_.notify_all();
}

void PracticePreparer::start(std::int64_t frame, std::uint32_t generation) {
    {
        std::lock_guard lock(mutex_);
        start_frame_ = frame;
        start_generation_ = generation;
        start_pending_ = true;
        running_ = true;
        pending_ = true;
    }
    wake_.notify_all();
}

void PracticePreparer::halt() {
    std::lock_guard lock(mutex_);
    running_ = false;
    pending_ = true;
}

const PracticePreparer::Block* PracticePreparer::front() const noexcept {
    const std::uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) == tail) return nullptr;
    return &ring_[tail % ring_blocks];
}

void PracticePreparer::pop() noexcept {
    tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void PracticePreparer::run() {
    clear_upper_vector_state();
    for (;;) {
        bool running;
        {
            std::unique_lock lock(mutex_);
            auto work = [&] {
                return quit_ || audio_pending_ || settings_pending_ || start_pending_;
            };
            if (running_ && !ended_)
                wake_.wait_for(lock, full_poll, work);
            else
                wake_.wait(lock, work);
            if (quit_) return;
            pending_ = false;
            if (audio_pending_) {
                audio_ = std::move(next_audio_);
                reader_.set_audio(audio_.get());
                filter_.reset();
                if (audio_) {
                    filter_ = std::make_unique<PracticeFilter>(audio_->rate);
                    filter_->configure(settings_.channels, settings_.focus_low,
                                       settings_.focus_high);
                }
                audio_pending_ = false;
                ended_ = true; // nothing to prepare until a start
            }
            if (settings_pending_) {
                const PracticeSettings before = settings_;
                settings_ = next_settings_;
                settings_pending_ = false;
                reader_.set_loop(settings_.loop);
                if (filter_)
                    filter_->configure(settings_.channels, settings_.focus_low,
                                       settings_.focus_high);
                const bool stretch = settings_.speed != 1.0 || settings_.pitch_scale() != 1.0;
                if (stretch != stretching_ || (stretch && settings_.engine != before.engine)) {
                    // Another path: go on from the position reached.
                    if (!start_pending_ && !ended_) restart(std::llround(out_position_));
                } else if (stretching_ && stretcher_) {
                    stretcher_->setTimeRatio(1.0 / settings_.speed);
                    stretcher_->setPitchScale(settings_.pitch_scale());
                    stretcher_->setPitchOption(pitch_option(settings_));
                }
            }
            if (start_pending_) {
                generation_ = start_generation_;
                start_pending_ = false;
                if (audio_) restart(start_frame_);
            }
            running = running_;
        }
        if (!running || !audio_) continue;
        // Room in the ring, and nothing new from the UI thread.
        while (!ended_ && !pending_ &&
               head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire) <
                   std::uint32_t(ring_blocks)) {
            const std::uint32_t head = head_.load(std::memory_order_relaxed);
            Block& b = ring_[head % ring_blocks];
            prepare(b);
            if (filter_ && b.frames > 0) filter_->process(b.left, b.right, b.frames);
            head_.store(head + 1, std::memory_order_release);
        }
    }
}

void PracticePreparer::make_stretcher() {
    const int rate = audio_ ? audio_->rate : 44100;
    if (stretcher_ && stretcher_engine_ == settings_.engine && stretcher_rate_ == rate) return;
    const RubberBandStretcher::Options options =
        RubberBandStretcher::OptionProcessRealTime | pitch_option(settings_) |
        RubberBandStretcher::OptionChannelsTogether |
        (settings_.engine == StretchEngine::finer ? RubberBandStretcher::OptionEngineFiner
                                                  : RubberBandStretcher::OptionEngineFaster);
    stretcher_ = std::make_unique<RubberBandStretcher>(
        std::size_t(rate), 2, options, 1.0 / settings_.speed, settings_.pitch_scale());
    stretcher_->setMaxProcessSize(feed_frames);
    stretcher_engine_ = settings_.engine;
    stretcher_rate_ = rate;
}

void PracticePreparer::restart(std::int64_t frame) {
    if (filter_) filter_->reset();
    reader_.seek(frame);
    out_position_ = double(reader_.position());
    ended_ = false;
    input_done_ = false;
    pause_left_ = 0;
    stretching_ = settings_.speed != 1.0 || settings_.pitch_scale() != 1.0;
    if (!stretching_) return;
    make_stretcher();
    stretcher_->reset();
    stretcher_->setTimeRatio(1.0 / settings_.speed);
    stretcher_->setPitchScale(settings_.pitch_scale());
    stretcher_->setPitchOption(pitch_option(settings_));
    // Padding before the first frame and dropping the start delay align the
    // stretched output with the position.
    std::fill(in_left_.begin(), in_left_.end(), 0.0f);
    std::fill(in_right_.begin(), in_right_.end(), 0.0f);
    float* channels[2] = {in_left_.data(), in_right_.data()};
    for (std::size_t pad = stretcher_->getPreferredStartPad(); pad > 0;) {
        const std::size_t n = std::min<std::size_t>(pad, feed_frames);
        stretcher_->process(channels, n, false);
        pad -= n;
    }
    to_drop_ = std::int64_t(stretcher_->getStartDelay());
}

void PracticePreparer::prepare(Block& b) {
    b.generation = generation_;
    b.end = false;
    b.frames = 0;
    b.step = 1;
    if (pause_left_ > 0) {
        const int n = int(std::min<std::int64_t>(pause_left_, Block::capacity));
        std::fill_n(b.left, n, 0.0f);
        std::fill_n(b.right, n, 0.0f);
        b.frames = n;
        b.position = double(settings_.loop.start);
        b.step = 0;
        pause_left_ -= n;
        if (pause_left_ == 0) restart(settings_.loop.start);
        return;
    }
    if (!stretching_) {
        b.position = double(reader_.position());
        b.frames = reader_.read(b.left, b.right, Block::capacity);
        out_position_ = double(reader_.position());
        if (b.frames == 0)
            b.end = ended_ = true;
        else if (reader_.wrapped() && settings_.loop_pause > 0)
            pause_left_ = std::llround(settings_.loop_pause * audio_->rate);
        return;
    }
    stretch_into(b);
}

void PracticePreparer::feed() {
    const std::size_t required = stretcher_->getSamplesRequired();
    const int want = int(std::clamp<std::size_t>(required, 1, feed_frames));
    const int n = reader_.read(in_left_.data(), in_right_.data(), want);
    const bool wrapped = reader_.wrapped();
    // The recording's end, or a seam followed by a pause: the stretcher
    // gives out what it holds, and starts afresh after the pause.
    const bool final = (n < want && !wrapped) || (wrapped && settings_.loop_pause > 0);
    const float* channels[2] = {in_left_.data(), in_right_.data()};
    stretcher_->process(channels, std::size_t(n), final);
    if (final) input_done_ = true;
}

void PracticePreparer::stretch_into(Block& b) {
    const LoopRange& loop = settings_.loop;
    for (;;) {
        const int available = stretcher_->available();
        if (available < 0 || (available == 0 && input_done_)) {
            // All given out: the end of the recording, or a pause before a repeat.
            const bool in_loop =
                loop.active() && reader_.position() == loop.start && settings_.loop_pause > 0;
            if (in_loop) {
                pause_left_ =
                    std::max<std::int64_t>(1, std::llround(settings_.loop_pause * audio_->rate));
                out_position_ = double(loop.start);
                prepare(b);
            } else {
                b.position = out_position_;
                b.end = ended_ = true;
            }
            return;
        }
        if (available == 0) {
            feed();
            continue;
        }
        if (to_drop_ > 0) {
            const int n = int(std::min<std::int64_t>({to_drop_, available, Block::capacity}));
            float* out[2] = {b.left, b.right};
            stretcher_->retrieve(out, std::size_t(n));
            to_drop_ -= n;
            continue;
        }
        // The stretcher's tail after the recording's last frame is not played.
        const double length = double(audio_->frames);
        if (out_position_ >= length) {
            b.position = length;
            b.end = ended_ = true;
            return;
        }
        // A block never spans the loop's seam (its positions are one line)
        // nor the end.
        int want = std::clamp(int(std::ceil((length - out_position_) / settings_.speed)), 1,
                              int(Block::capacity));
        const bool in_loop = loop.active() && out_position_ >= double(loop.start) &&
                             out_position_ < double(loop.end);
        if (in_loop)
            want = std::clamp(int(std::ceil((double(loop.end) - out_position_) / settings_.speed)),
                              1, want);
        const int n = std::min(available, want);
        float* out[2] = {b.left, b.right};
        b.frames = int(stretcher_->retrieve(out, std::size_t(n)));
        b.position = out_position_;
        b.step = settings_.speed;
        out_position_ += b.frames * settings_.speed;
        if (in_loop && out_position_ >= double(loop.end))
            out_position_ = double(loop.start) + (out_position_ - double(loop.end));
        return;
    }
}

} // namespace pitkad
