#pragma once
// Decoding one audio stream on several threads at once, the decoded frames
// handed on in order and bit-identical to a single decoder's. The packets are
// cut into chunks; each chunk is decoded by a decoder of its own, which first
// decodes the last few packets of the chunk before it and drops what they
// give, so that it starts from the state a single decoder would have there.
// Only for decoders whose state is that short-lived and that give each
// packet's sound as soon as it is sent (MP3, FLAC).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVCodecParameters;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace pitkad {

class ParallelDecoder {
  public:
    // Whether the stream's decoder can be split so (see above).
    static bool suits(const AVCodecParameters& parameters);
    // Packets a chunk holds, and the packets of the chunk before that each
    // chunk decodes first: an MP3 frame may take its data from up to 511
    // bytes back (five packets at 32 kbit/s), and its sound overlaps the
    // next frame's by one granule.
    static constexpr int default_chunk_packets = 256;
    static constexpr int preroll_packets = 10;
    // The first chunk is smaller, and each one after twice the one before
    // up to the full size: the analysis waits for the first chunk's sound.
    static constexpr int first_chunk_packets = 32;

    // `threads` decoders, each opened from the parameters; ok() is false
    // when one cannot be opened.
    ParallelDecoder(const AVCodecParameters& parameters, int threads,
                    int chunk_packets = default_chunk_packets);
    ~ParallelDecoder();
    ParallelDecoder(const ParallelDecoder&) = delete;
    ParallelDecoder& operator=(const ParallelDecoder&) = delete;

    bool ok() const { return ok_; }
    // Takes the packet's contents, leaving the caller's packet blank.
    void push(AVPacket& packet);
    // No packets follow.
    void finish();
    // Hands the frames of the chunks decoded so far to `take`, in order.
    // Waits while more chunks are queued than the decoders can work on (so
    // memory stays bounded) and, after finish(), until every chunk is done.
    // False as soon as `take` is: the rest is dropped.
    bool deliver(const std::function<bool(AVFrame&)>& take);
    // The last error a decoder reported for a damaged packet (0: none).
    int last_error() const;

  private:
    struct Job;
    struct FrameBuffers;
    void work(AVCodecContext* codec);
    // Moves the spare frames into `into` (which is empty).
    void take_spares(std::vector<AVFrame*>& into);
    void submit(bool last);

    bool ok_ = true;
    int chunk_packets_;
    int next_chunk_packets_; // the size of the chunk being gathered
    int max_queued_;
    std::vector<AVCodecContext*> codecs_;
    std::vector<std::thread> threads_;
    std::vector<AVPacket*> chunk_;    // the packets of the chunk being gathered
    std::vector<AVPacket*> previous_; // the last packets of the chunk before
    std::vector<AVPacket*> spare_packets_; // delivered, emptied, for push() to reuse
    bool finished_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;          // workers: a job or the end; the caller: a job done
    std::deque<std::unique_ptr<Job>> jobs_; // submitted, not yet delivered
    std::size_t started_ = 0;               // jobs_[0 … started_) are taken by a worker
    std::atomic<bool> stopping_{false};     // read by the workers between packets
    int last_error_ = 0;
    std::vector<AVFrame*> spare_frames_; // delivered, emptied, for the workers to reuse
    std::unique_ptr<FrameBuffers> buffers_; // the decoders' frame buffers
};

} // namespace pitkad
