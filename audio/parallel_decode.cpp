#include "audio/parallel_decode.h"

#include "base/vector_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <system_error>

namespace pitkad {

struct ParallelDecoder::Job {
    std::vector<AVPacket*> packets; // the chunk before's last ones first
    int preroll = 0;                // how many of them
    bool last = false;
    std::vector<AVFrame*> frames;
    int error = 0;
    bool done = false;

    ~Job() {
        for (AVPacket*& p : packets)
            av_packet_free(&p);
        for (AVFrame*& f : frames)
            av_frame_free(&f);
    }
};

// The decoded sound's buffers, shared by every decoder. A chunk's frames wait
// until the chunks before them are handed on; with a pool for each decoder
// (FFmpeg's own) every pool grew to that peak of its own, each buffer a
// fresh allocation. Buffers of the first frame's size serve that frame and
// every smaller one; a larger frame gets FFmpeg's own buffers.
struct ParallelDecoder::FrameBuffers {
    std::mutex mutex;
    AVBufferPool* pool = nullptr;
    int size = 0;

    ~FrameBuffers() { av_buffer_pool_uninit(&pool); } // frames still out keep it alive

    static int get(AVCodecContext* codec, AVFrame* frame, int flags) {
        auto* self = static_cast<FrameBuffers*>(codec->opaque);
        const auto format = AVSampleFormat(frame->format);
        const int channels = frame->ch_layout.nb_channels;
        const int planes = av_sample_fmt_is_planar(format) != 0 ? channels : 1;
        const int size =
            av_samples_get_buffer_size(nullptr, channels, frame->nb_samples, format, 0);
        AVBufferPool* pool = nullptr;
        if (size > 0 && planes <= AV_NUM_DATA_POINTERS) {
            const std::lock_guard lock(self->mutex);
            if (!self->pool && (self->pool = av_buffer_pool_init(size, nullptr))) self->size = size;
            if (size <= self->size) pool = self->pool;
        }
        if (!pool) return avcodec_default_get_buffer2(codec, frame, flags);
        AVBufferRef* buffer = av_buffer_pool_get(pool);
        if (!buffer) return AVERROR(ENOMEM);
        if (av_samples_fill_arrays(frame->data, frame->linesize, buffer->data, channels,
                                   frame->nb_samples, format, 0) < 0) {
            av_buffer_unref(&buffer);
            return AVERROR(EINVAL);
        }
        frame->buf[0] = buffer;
        frame->extended_data = frame->data;
        return 0;
    }
};

bool ParallelDecoder::suits(const AVCodecParameters& parameters) {
    return parameters.codec_id == AV_CODEC_ID_MP3 || parameters.codec_id == AV_CODEC_ID_FLAC;
}

ParallelDecoder::ParallelDecoder(const AVCodecParameters& parameters, int threads,
                                 int chunk_packets)
    : chunk_packets_(std::max(chunk_packets, preroll_packets + 1)),
      next_chunk_packets_(std::min(chunk_packets_, first_chunk_packets)),
      max_queued_(std::max(threads, 1) + 1), buffers_(std::make_unique<FrameBuffers>()) {
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    for (int i = 0; i < std::max(threads, 1) && ok_; ++i) {
        AVCodecContext* c = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (c) {
            codecs_.push_back(c);
            c->opaque = buffers_.get();
            c->get_buffer2 = FrameBuffers::get;
        }
        ok_ = c && avcodec_parameters_to_context(c, &parameters) >= 0 &&
              avcodec_open2(c, codec, nullptr) >= 0;
    }
    if (!ok_) return;
    try {
        for (AVCodecContext* c : codecs_)
            threads_.emplace_back([this, c] { work(c); });
    } catch (const std::system_error&) {
        ok_ = false; // the threads started are ended by the destructor
    }
}

ParallelDecoder::~ParallelDecoder() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
    for (AVCodecContext*& c : codecs_)
        avcodec_free_context(&c);
    for (AVPacket*& p : chunk_)
        av_packet_free(&p);
    for (AVPacket*& p : previous_)
        av_packet_free(&p);
    for (AVFrame*& f : spare_frames_)
        av_frame_free(&f);
    for (AVPacket*& p : spare_packets_)
        av_packet_free(&p);
}

void ParallelDecoder::push(AVPacket& packet) {
    AVPacket* p = nullptr;
    if (spare_packets_.empty()) {
        p = av_packet_alloc();
    } else {
        p = spare_packets_.back();
        spare_packets_.pop_back();
    }
    if (!p) return;
    av_packet_move_ref(p, &packet);
    chunk_.push_back(p);
    if (int(chunk_.size()) >= next_chunk_packets_) submit(false);
}

void ParallelDecoder::finish() {
    if (!chunk_.empty()) submit(true);
    const std::lock_guard lock(mutex_);
    finished_ = true;
}

void ParallelDecoder::submit(bool last) {
    auto job = std::make_unique<Job>();
    job->preroll = int(previous_.size());
    job->last = last;
    job->packets = std::move(previous_);
    previous_.clear();
    // The chunk's last packets start the next chunk's decoder.
    const std::size_t keep = std::min(chunk_.size(), std::size_t(preroll_packets));
    for (std::size_t i = chunk_.size() - keep; i < chunk_.size(); ++i)
        if (AVPacket* p = av_packet_clone(chunk_[i])) previous_.push_back(p);
    job->packets.insert(job->packets.end(), chunk_.begin(), chunk_.end());
    chunk_.clear();
    next_chunk_packets_ = std::min(chunk_packets_, 2 * next_chunk_packets_);
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void ParallelDecoder::take_spares(std::vector<AVFrame*>& into) {
    const std::lock_guard lock(mutex_);
    into.swap(spare_frames_);
}

void ParallelDecoder::work(AVCodecContext* codec) {
    clear_upper_vector_state();
    AVFrame* frame = av_frame_alloc();
    // Emptied frames handed back by deliver(), reused rather than allocated
    // again on this thread and freed on the other.
    std::vector<AVFrame*> spares;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || started_ < jobs_.size(); });
            if (stopping_) break;
            job = jobs_[started_++].get();
        }
        // A fresh start, then the packets; what the chunk before's packets
        // give is dropped.
        avcodec_flush_buffers(codec);
        const std::size_t count = job->packets.size();
        for (std::size_t i = 0; i <= count && frame; ++i) {
            if (stopping_) break;
            const bool flush = i == count;
            const int s = avcodec_send_packet(codec, flush ? nullptr : job->packets[i]);
            if (s < 0 && s != AVERROR(EAGAIN) && !flush) job->error = s;
            for (;;) {
                const int r = avcodec_receive_frame(codec, frame);
                if (r < 0) {
                    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) job->error = r;
                    break;
                }
                const bool keep = flush ? job->last : int(i) >= job->preroll;
                AVFrame* kept = nullptr;
                if (keep) {
                    if (spares.empty()) take_spares(spares);
                    if (spares.empty()) {
                        kept = av_frame_alloc();
                    } else {
                        kept = spares.back();
                        spares.pop_back();
                    }
                }
                if (kept) {
                    av_frame_move_ref(kept, frame);
                    job->frames.push_back(kept);
                } else {
                    av_frame_unref(frame);
                }
            }
        }
        {
            const std::lock_guard lock(mutex_);
            job->done = true;
        }
        wake_.notify_all();
    }
    av_frame_free(&frame);
    for (AVFrame*& f : spares)
        av_frame_free(&f);
}

bool ParallelDecoder::deliver(const std::function<bool(AVFrame&)>& take) {
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] {
                if (jobs_.empty() || jobs_.front()->done) return true;
                return int(jobs_.size()) <= max_queued_ && !finished_;
            });
            if (jobs_.empty() || !jobs_.front()->done) return true;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            --started_;
            if (job->error) last_error_ = job->error;
        }
        for (AVFrame* f : job->frames)
            if (!take(*f)) return false;
        // The packets, emptied, are kept for push() (on this thread too).
        for (AVPacket* p : job->packets)
            av_packet_unref(p);
        spare_packets_.insert(spare_packets_.end(), job->packets.begin(), job->packets.end());
        job->packets.clear();
        // The frames' buffers go back to their decoder's pool, the frames
        // themselves to the spares.
        for (AVFrame* f : job->frames)
            av_frame_unref(f);
        const std::lock_guard lock(mutex_);
        spare_frames_.insert(spare_frames_.end(), job->frames.begin(), job->frames.end());
        job->frames.clear();
    }
}

int ParallelDecoder::last_error() const {
    const std::lock_guard lock(mutex_);
    return last_error_;
}

} // namespace pitkad
