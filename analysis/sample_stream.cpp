#include "analysis/sample_stream.h"

#include <algorithm>
#include <cstring>

namespace pitkad {

namespace {

// Enough for the chunks the readers release while the producer is ahead.
constexpr std::size_t max_spare_chunks = 8;

} // namespace

SampleStream::SampleStream(std::int64_t limit, std::int64_t ahead, std::stop_token stop)
    : limit_(std::max<std::int64_t>(limit, 0)), ahead_(std::max(ahead, 4 * chunk_samples)),
      chunks_(std::size_t(limit_ / chunk_samples + 1)), on_stop_(std::move(stop), Waker{this}) {}

void SampleStream::Waker::operator()() const noexcept {
    {
        std::lock_guard lock(stream->mutex_);
        stream->stopped_ = true;
    }
    stream->grown_.notify_all();
    stream->released_.notify_all();
}

bool SampleStream::append(std::span<const float> samples) {
    std::int64_t at;
    {
        std::unique_lock lock(mutex_);
        if (stopped_ || size_ + std::int64_t(samples.size()) > limit_) return false;
        // Never far ahead of the readers: a long recording is not held whole.
        released_.wait(lock, [&] {
            return stopped_ || !reading_ || size_ - released_chunks_ * chunk_samples < ahead_;
        });
        if (stopped_) return false;
        at = size_;
        if (!reading_) {
            size_ += std::int64_t(samples.size());
            return true;
        }
    }
    // Only this thread writes, and only beyond size_, which readers never read.
    std::size_t done = 0;
    while (done < samples.size()) {
        const std::int64_t pos = at + std::int64_t(done);
        const std::size_t k = std::size_t(pos / chunk_samples);
        const std::int64_t offset = pos % chunk_samples;
        const std::size_t n =
            std::min<std::size_t>(samples.size() - done, std::size_t(chunk_samples - offset));
        float* chunk;
        {
            std::lock_guard lock(mutex_);
            if (!chunks_[k]) {
                if (spare_chunks_.empty()) {
                    chunks_[k] = std::make_unique_for_overwrite<float[]>(std::size_t(chunk_samples));
                } else {
                    chunks_[k] = std::move(spare_chunks_.back());
                    spare_chunks_.pop_back();
                }
            }
            chunk = chunks_[k].get();
        }
        std::memcpy(chunk + offset, samples.data() + done, n * sizeof(float));
        done += n;
    }
    {
        std::lock_guard lock(mutex_);
        size_ = at + std::int64_t(samples.size());
    }
    grown_.notify_all();
    return true;
}

bool SampleStream::append_zeros(std::int64_t count) {
    static constexpr float zeros[1024] = {};
    while (count > 0) {
        const auto n = std::size_t(std::min<std::int64_t>(count, 1024));
        if (!append({zeros, n})) return false;
        count -= std::int64_t(n);
    }
    return true;
}

void SampleStream::finish(std::int32_t frames) {
    {
        std::lock_guard lock(mutex_);
        frames_ = frames;
        finished_ = true;
    }
    grown_.notify_all();
}

void SampleStream::abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    grown_.notify_all();
}

void SampleStream::announce_frames(std::int32_t frames) {
    std::lock_guard lock(mutex_);
    frames_ = frames;
}

bool SampleStream::wait_for(std::int64_t end) {
    std::unique_lock lock(mutex_);
    grown_.wait(lock, [&] { return stopped_ || abandoned_ || finished_ || size_ >= end; });
    return !abandoned_ && !stopped_;
}

void SampleStream::copy(std::int64_t begin, int count, float* out) const {
    std::int64_t size;
    {
        std::lock_guard lock(mutex_);
        size = size_;
    }
    int i = 0;
    while (i < count) {
        const std::int64_t pos = begin + i;
        if (pos < 0 || pos >= size) {
            // Up to the start, or to the end of the output past the end.
            const int n = pos < 0 ? int(std::min<std::int64_t>(-pos, count - i)) : count - i;
            std::fill(out + i, out + i + n, 0.0f);
            i += n;
            continue;
        }
        const std::size_t k = std::size_t(pos / chunk_samples);
        const std::int64_t offset = pos % chunk_samples;
        const int n = int(std::min<std::int64_t>({count - i, chunk_samples - offset, size - pos}));
        const float* chunk;
        {
            std::lock_guard lock(mutex_);
            chunk = chunks_[k].get();
        }
        if (chunk)
            std::memcpy(out + i, chunk + offset, std::size_t(n) * sizeof(float));
        else
            std::fill(out + i, out + i + n, 0.0f); // released: never asked for by the analysis
        i += n;
    }
}

std::int32_t SampleStream::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

void SampleStream::release_before(std::int64_t sample) {
    {
        std::lock_guard lock(mutex_);
        const std::int64_t whole =
            std::min<std::int64_t>(sample / chunk_samples, std::int64_t(chunks_.size()));
        if (released_chunks_ >= whole) return;
        for (; released_chunks_ < whole; ++released_chunks_) {
            auto& chunk = chunks_[std::size_t(released_chunks_)];
            if (chunk && spare_chunks_.size() < max_spare_chunks)
                spare_chunks_.push_back(std::move(chunk));
            chunk.reset();
        }
    }
    released_.notify_all();
}

void SampleStream::close_reading() {
    {
        std::lock_guard lock(mutex_);
        reading_ = false;
        // Whole chunks below size_ are free to go; the writer may still be
        // filling the one at size_ (an append that began before this), so
        // that one and any after it go with the stream.
        const std::size_t whole =
            std::min(std::size_t(size_ / chunk_samples), chunks_.size());
        for (std::size_t k = 0; k < whole; ++k)
            chunks_[k].reset();
    }
    released_.notify_all();
}

std::int64_t SampleStream::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

} // namespace pitkad
