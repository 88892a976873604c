#pragma once
// The analysis-rate samples of a recording (its analysed channel, see
// analysis_channel.h, at 44100 Hz on the 16-bit scale) handed from the one
// thread that reads or decodes the file to the threads that analyse it,
// while both run. The samples live in fixed
// chunks that are never moved; chunks no analysis thread will read again can
// be freed, so a long recording never has to be held whole.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <vector>

namespace pitkad {

class SampleStream {
  public:
    static constexpr std::int64_t chunk_samples = std::int64_t(1) << 18;
    static constexpr std::int64_t default_ahead = std::int64_t(1) << 22;

    // A stream that accepts at most `limit` samples; a producer offering
    // more is refused (the recording is too long to analyse). A producer
    // more than `ahead` samples ahead of what the readers still need waits.
    // Once `stop` is requested no one waits any more: appending fails and
    // consumers are told the stream was abandoned.
    explicit SampleStream(std::int64_t limit, std::int64_t ahead = default_ahead,
                          std::stop_token stop = {});
    SampleStream(const SampleStream&) = delete;
    SampleStream& operator=(const SampleStream&) = delete;

    // Producer. Appends samples; false (nothing appended) past the limit or
    // once stopped.
    bool append(std::span<const float> samples);
    // Producer. Appends `count` samples of value 0.
    bool append_zeros(std::int64_t count);
    // Producer. No more samples come; the recording has `frames` frames.
    void finish(std::int32_t frames);
    // Producer. The recording cannot be read: consumers stop waiting.
    void abandon();

    // Consumer. Waits until samples [0, end) are there or the stream has
    // finished; false once it was abandoned or stopped.
    bool wait_for(std::int64_t end);
    // Consumer, after wait_for(begin + count): the samples, 0 before the
    // start and past the end.
    void copy(std::int64_t begin, int count, float* out) const;
    // The frame count: known before the end for a file whose header gives
    // it, -1 until then otherwise.
    std::int32_t frames() const;
    // Producer, before appending: the frame count the header gives.
    void announce_frames(std::int32_t frames);
    // Frees the chunks that lie wholly before `sample`: no one may read them again.
    void release_before(std::int64_t sample);
    // No one reads any more: samples appended from now on are only counted.
    void close_reading();

    // Samples appended so far (for tests and reports).
    std::int64_t size() const;

  private:
    std::int64_t limit_;
    std::int64_t ahead_;
    mutable std::mutex mutex_;
    std::condition_variable grown_;
    std::condition_variable released_;
    bool reading_ = true;
    // Sized once for the limit, so that slots never move.
    std::vector<std::unique_ptr<float[]>> chunks_;
    // Released chunks kept for the next ones appended: memory already
    // touched, where a fresh chunk costs a page fault per 4 KiB.
    std::vector<std::unique_ptr<float[]>> spare_chunks_;
    std::int64_t size_ = 0;
    std::int64_t released_chunks_ = 0;
    std::int32_t frames_ = -1;
    bool finished_ = false;
    bool abandoned_ = false;
    bool stopped_ = false;

    // Wakes every waiter when the stop is requested (last: it may run at
    // once, in the constructor).
    struct Waker {
        SampleStream* stream;
        void operator()() const noexcept;
    };
    std::stop_callback<Waker> on_stop_;
};

} // namespace pitkad
