#include "audio/mixer.h"

#include "audio/practice_preparer.h"
#include "audio/synth_source.h"

#include <samplerate.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace pitkad {

namespace {

// The command word, from the top bit down: generation (24 bits), mode (2),
// seek flag (1), file frame to seek to (37: over 36 days at 44.1 kHz).
constexpr int frame_bits = 37;
constexpr int seek_shift = frame_bits;
constexpr int mode_shift = seek_shift + 1;
constexpr int mode_bits = 2;
constexpr int generation_shift = mode_shift + mode_bits;
constexpr std::uint64_t frame_mask = (std::uint64_t(1) << frame_bits) - 1;
constexpr std::uint64_t mode_mask = (std::uint64_t(1) << mode_bits) - 1;
static_assert(std::uint64_t(Mixer::generation_mask) << generation_shift >> generation_shift ==
                  Mixer::generation_mask,
              "the generation fits above the mode");
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the callback's atomics never lock");

std::uint64_t pack(std::uint32_t gen, Mixer::Mode mode, bool seek, std::int64_t frame) {
    return std::uint64_t(gen & Mixer::generation_mask) << generation_shift |
           std::uint64_t(mode) << mode_shift | std::uint64_t(seek) << seek_shift |
           (std::uint64_t(std::max<std::int64_t>(frame, 0)) & frame_mask);
}

// How long the UI thread sleeps between looks at a running callback.
constexpr std::chrono::microseconds callback_poll{100};

} // namespace

Mixer::Mixer(int device_rate) : device_rate_(device_rate), in_(chunk * 2), out_(chunk * 2) {
    int error = 0;
    src_ = src_new(SRC_SINC_MEDIUM_QUALITY, 2, &error);
}

Mixer::~Mixer() {
    if (src_) src_delete(src_);
}

// The pointer swaps and the epoch are sequentially consistent: the UI thread
// stores the new pointer, then reads the epoch; the callback bumps the epoch,
// then reads the pointer. So if the epoch read is even, no call that could
// have read the old pointer is running, and any later call reads the new
// one; if it is odd, the running call is the only one that may hold the old
// pointer, and once the epoch differs it has ended. Its end (a release
// increment) happens before the UI thread's read that sees it, and so
// before the free.
void Mixer::free_retired() {
    const std::uint64_t now = callback_epoch_.load();
    std::erase_if(retired_, [now](const Retired& r) { return r.epoch % 2 == 0 || r.epoch != now; });
}

void Mixer::wait_for_running_callback() const {
    const std::uint64_t epoch = callback_epoch_.load();
    if (epoch % 2 == 0) return;
    while (callback_epoch_.load() == epoch)
        std::this_thread::sleep_for(callback_poll);
}

void Mixer::load(std::shared_ptr<const PcmAudio> audio) {
    if (preparer_) preparer_->set_audio(audio);
    audio_ptr_.store(audio.get());
    const std::uint64_t epoch = callback_epoch_.load();
    if (audio_) retired_.push_back({std::move(audio_), epoch});
    audio_ = std::move(audio);
    free_retired();
}

std::uint32_t Mixer::command(Mode mode, bool seek, std::int64_t frame) {
    free_retired();
    issued_ = (issued_ + 1) & generation_mask;
    command_.store(pack(issued_, mode, seek, frame), std::memory_order_release);
    // The preparer follows: the callback plays only blocks of the seek it applied.
    if (preparer_) {
        if (mode == Mode::stopped)
            preparer_->halt();
        else if (seek)
            preparer_->start(frame, issued_);
    }
    return issued_;
}

void Mixer::set_practice(const PracticeSettings& settings) {
    practice_settings_ = clamped(settings);
    if (!practice_settings_.plain() && !preparer_) {
        preparer_ = std::make_unique<PracticePreparer>();
        preparer_->set_audio(audio_);
    }
    if (preparer_) preparer_->set_settings(practice_settings_);
    synth_right_.store(practice_settings_.channels == ChannelMode::audit, std::memory_order_relaxed);
    // Once made, the preparer plays plain settings too (copying the
    // recording as it is), so that going back to 100 % and out again
    // changes the sound without a restart or a gap.
    practice_.store(preparer_.get(), std::memory_order_release);
}

double Mixer::prepared_position(double index, double* step) const noexcept {
    *step = 1;
    if (taken_count_ == 0) return seek_start_;
    // Newest first: the block holding the index, or the nearest.
    const Taken* oldest = nullptr;
    for (int k = 1; k <= taken_count_; ++k) {
        const Taken& t = taken_[(taken_next_ - k + taken_kept) % taken_kept];
        oldest = &t;
        if (index >= t.first) {
            *step = t.step;
            return t.position + std::min(index - t.first, double(t.frames)) * t.step;
        }
    }
    *step = oldest->step;
    return oldest->position;
}

int Mixer::take_prepared(PracticePreparer& p, float* left, float* right, int frames,
                         bool& ended) noexcept {
    int n = 0;
    while (n < frames) {
        const PracticePreparer::Block* b = p.front();
        if (!b) break;
        if (b->generation != seek_generation_) {
            // Prepared before the last seek: dropped. One for a seek not yet
            // applied here waits.
            const std::uint32_t ahead = (b->generation - seek_generation_) & generation_mask;
            if (ahead <= generation_mask / 2) break;
            p.pop();
            continue;
        }
        const int k = std::min(b->frames - block_offset_, frames - n);
        if (k > 0) {
            std::copy_n(b->left + block_offset_, k, left + n);
            std::copy_n(b->right + block_offset_, k, right + n);
            taken_[taken_next_] = {prepared_taken_, k, b->position + block_offset_ * b->step,
                                   b->step};
            taken_next_ = (taken_next_ + 1) % taken_kept;
            taken_count_ = std::min(taken_count_ + 1, taken_kept);
            prepared_taken_ += k;
            block_offset_ += k;
            n += k;
        }
        if (block_offset_ >= b->frames) {
            if (b->end) ended = true;
            block_offset_ = 0;
            p.pop();
            if (ended) break;
        }
    }
    return n;
}

template <typename Refill, typename AtEnd>
int Mixer::convert(float* left, float* right, int frames, double ratio, Refill refill,
                   AtEnd at_end) noexcept {
    int produced = 0;
    while (produced < frames) {
        if (in_available_ == 0 && !refill()) break;
        SRC_DATA d{};
        d.data_in = in_.data() + 2 * in_offset_;
        d.input_frames = in_available_;
        d.data_out = out_.data();
        d.output_frames = std::min(frames - produced, chunk);
        d.end_of_input = at_end() ? 1 : 0;
        d.src_ratio = ratio;
        if (src_process(src_, &d) != 0) break;
        in_offset_ += int(d.input_frames_used);
        in_available_ -= int(d.input_frames_used);
        for (long i = 0; i < d.output_frames_gen; ++i) {
            left[produced + i] = out_[std::size_t(2 * i)];
            right[produced + i] = out_[std::size_t(2 * i + 1)];
        }
        produced += int(d.output_frames_gen);
        if (d.output_frames_gen == 0 && d.input_frames_used == 0) break; // all flushed
    }
    return produced;
}

int Mixer::fill_practice(PracticePreparer& p, const PcmAudio& a, float* left, float* right,
                         int frames, bool& ended) noexcept {
    if (a.rate == device_rate_) {
        bool end = false;
        const int n = take_prepared(p, left, right, frames, end);
        if (end) prepared_end_ = true;
        ended = prepared_end_ && n < frames;
        return n;
    }
    if (!src_) return 0;
    // Prepared frames into the converter; none yet means silence for now.
    const int produced = convert(
        left, right, frames, double(device_rate_) / a.rate,
        [&] {
            if (prepared_end_) return true;
            float l[chunk], r[chunk];
            bool end = false;
            const int n = take_prepared(p, l, r, chunk, end);
            if (end) prepared_end_ = true;
            for (int i = 0; i < n; ++i) {
                in_[std::size_t(2 * i)] = l[i];
                in_[std::size_t(2 * i + 1)] = r[i];
            }
            in_offset_ = 0;
            in_available_ = n;
            return n > 0 || prepared_end_;
        },
        [&] { return prepared_end_; });
    ended = prepared_end_ && produced < frames;
    return produced;
}

void Mixer::set_synth(SynthSource* synth) {
    synth_.store(synth);
    wait_for_running_callback();
}

Mixer::Snapshot Mixer::snapshot() {
    free_retired();
    Snapshot s;
    for (;;) {
        const std::uint32_t before = snap_seq_.load(std::memory_order_acquire);
        if (before % 2 == 0) {
            s.generation = snap_generation_.load(std::memory_order_relaxed);
            s.mode = Mode(snap_mode_.load(std::memory_order_relaxed));
            s.ended = snap_ended_.load(std::memory_order_relaxed);
            s.dac_time = snap_dac_.load(std::memory_order_relaxed);
            s.start = snap_start_.load(std::memory_order_relaxed);
            s.advanced = snap_advanced_.load(std::memory_order_relaxed);
            s.run_start = snap_run_start_.load(std::memory_order_relaxed);
            s.speed = snap_speed_.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (snap_seq_.load(std::memory_order_relaxed) == before) return s;
        }
        std::this_thread::yield();
    }
}

double Mixer::heard_position(const Snapshot& s, double now, int file_rate,
                             std::int64_t file_frames) {
    const double p = s.start + (now - s.dac_time) * file_rate * s.speed;
    const double high = s.ended ? double(file_frames) : s.start + s.advanced;
    return std::min(std::clamp(p, s.run_start, std::max(high, s.run_start)), double(file_frames));
}

void Mixer::publish(const Snapshot& s) noexcept {
    const std::uint32_t seq = snap_seq_.load(std::memory_order_relaxed);
    snap_seq_.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    snap_generation_.store(s.generation, std::memory_order_relaxed);
    snap_mode_.store(int(s.mode), std::memory_order_relaxed);
    snap_ended_.store(s.ended, std::memory_order_relaxed);
    snap_dac_.store(s.dac_time, std::memory_order_relaxed);
    snap_start_.store(s.start, std::memory_order_relaxed);
    snap_advanced_.store(s.advanced, std::memory_order_relaxed);
    snap_run_start_.store(s.run_start, std::memory_order_relaxed);
    snap_speed_.store(s.speed, std::memory_order_relaxed);
    snap_seq_.store(seq + 2, std::memory_order_release);
}

int Mixer::fill(const PcmAudio& a, float* left, float* right, int frames) noexcept {
    if (a.rate == device_rate_) {
        const int n = int(std::min<std::int64_t>(frames, a.frames - read_));
        for (int i = 0; i < n; ++i) {
            left[i] = a.sample(read_ + i, 0);
            right[i] = a.sample(read_ + i, 1);
        }
        read_ += n;
        return n;
    }
    if (!src_) return 0;
    return convert(
        left, right, frames, double(device_rate_) / a.rate,
        [&] {
            if (read_ >= a.frames) return true; // only flushing from here
            const int n = int(std::min<std::int64_t>(chunk, a.frames - read_));
            for (int i = 0; i < n; ++i) {
                in_[std::size_t(2 * i)] = a.sample(read_ + i, 0);
                in_[std::size_t(2 * i + 1)] = a.sample(read_ + i, 1);
            }
            read_ += n;
            in_offset_ = 0;
            in_available_ = n;
            return true;
        },
        [&] { return read_ >= a.frames; });
}

void Mixer::render(float* left, float* right, int frames, double dac_time) noexcept {
    callback_epoch_.fetch_add(1);
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);

    const PcmAudio* a = audio_ptr_.load();
    if (a != current_) {
        current_ = a;
        mode_ = Mode::stopped;
        read_ = 0;
        seek_start_ = run_start_ = 0;
        out_since_seek_ = 0;
        in_offset_ = in_available_ = 0;
        ended_ = false;
        if (src_) src_reset(src_);
    }
    const double ratio = a ? double(device_rate_) / a->rate : 1.0;
    PracticePreparer* practice = practice_.load(std::memory_order_acquire);
    double step = 1;
    auto position = [&] {
        if (practice) return prepared_position(prepared_played_, &step);
        step = 1;
        return seek_start_ + double(out_since_seek_) / ratio;
    };

    const std::uint64_t word = command_.load(std::memory_order_acquire);
    const auto generation = std::uint32_t(word >> generation_shift);
    if (generation != applied_) {
        applied_ = generation;
        mode_ = Mode(word >> mode_shift & mode_mask);
        if (word >> seek_shift & 1) {
            const std::int64_t f = std::int64_t(word & frame_mask);
            read_ = a ? std::min(f, a->frames) : 0;
            seek_start_ = double(read_);
            out_since_seek_ = 0;
            in_offset_ = in_available_ = 0;
            if (src_) src_reset(src_);
            ended_ = false;
            seek_generation_ = generation;
            block_offset_ = 0;
            prepared_taken_ = prepared_played_ = 0;
            prepared_end_ = false;
            taken_count_ = taken_next_ = 0;
        }
        run_start_ = position();
    }

    Snapshot s;
    s.generation = applied_;
    s.dac_time = dac_time;
    s.start = position();
    s.run_start = run_start_;
    int content = 0;
    if (a && mode_ == Mode::playing && !ended_ && practice) {
        // Prepared sound: positions come with it; a late block is silence.
        bool end = false;
        content = fill_practice(*practice, *a, left, right, frames, end);
        prepared_played_ += double(content) / ratio;
        s.speed = step;
        if (end) {
            ended_ = true;
            end_dac_ = dac_time + double(content) / device_rate_;
        }
    } else if (a && mode_ == Mode::playing && !ended_) {
        content = fill(*a, left, right, frames);
        out_since_seek_ += content;
        if (content < frames) {
            ended_ = true;
            end_dac_ = dac_time + double(content) / device_rate_;
        }
    } else if (ended_ && mode_ == Mode::playing) {
        // Silence after the end: the end was heard when the last sample sounded.
        s.dac_time = end_dac_;
    }
    s.mode = mode_;
    s.ended = ended_;
    s.advanced = double(content) / ratio * (practice ? step : 1.0);
    // The synthesizer alone on the right in the audit mode: both its
    // channels are added there.
    if (SynthSource* synth = synth_.load()) {
        if (synth_right_.load(std::memory_order_relaxed))
            synth->render_add(right, right, frames);
        else
            synth->render_add(left, right, frames);
    }
    publish(s);
    callback_epoch_.fetch_add(1);
}

} // namespace pitkad
