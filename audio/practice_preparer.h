#pragma once
// Prepares practice playback ahead of the audio callback, on a thread of its
// own: reads the recording (round a loop, with a pause before each repeat),
// stretches it in time and pitch with Rubber Band, and hands the result to
// the callback through a lock-free single-producer, single-consumer ring of
// blocks, each labelled with the file frames it plays. The stretcher is never
// called on the audio thread: its real-time mode is free of allocation only
// "in normal use", and the callback must never allocate or block.

#include "audio/loop_reader.h"
#include "audio/pcm_audio.h"
#include "audio/practice.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

namespace pitkad {

class PracticePreparer {
  public:
    struct Block {
        static constexpr int capacity = 256;
        float left[capacity];
        float right[capacity];
        int frames = 0;
        double position = 0;          // file frame heard at the block's first frame
        double step = 1;              // file frames per frame (the speed; 0 in a pause)
        std::uint32_t generation = 0; // the start the block belongs to
        bool end = false;             // the recording ends after these frames
    };
    // Blocks prepared ahead: about 46 ms at 44.1 kHz.
    static constexpr int ring_blocks = 8;

    PracticePreparer();
    ~PracticePreparer();
    PracticePreparer(const PracticePreparer&) = delete;
    PracticePreparer& operator=(const PracticePreparer&) = delete;

    // UI thread. The recording (null: none); preparing stops until start().
    void set_audio(std::shared_ptr<const PcmAudio> audio);
    // UI thread. Takes effect at the next block; speed and pitch change
    // smoothly, a new engine restarts at the position reached.
    void set_settings(const PracticeSettings& settings);
    // UI thread. Prepares from file frame `frame` on, labelled `generation`;
    // what was prepared before is stale.
    void start(std::int64_t frame, std::uint32_t generation);
    // UI thread. Stops preparing (the ring keeps what it holds).
    void halt();

    // Audio thread: the oldest prepared block, or null; pop() releases it.
    const Block* front() const noexcept;
    void pop() noexcept;

  private:
    void run();
    void restart(std::int64_t frame);
    void prepare(Block& b);
    void stretch_into(Block& b);
    void feed();
    void make_stretcher();

    // Shared with the UI thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<const PcmAudio> next_audio_;
    PracticeSettings next_settings_;
    std::int64_t start_frame_ = 0;
    std::uint32_t start_generation_ = 0;
    bool start_pending_ = false;
    bool audio_pending_ = false;
    bool settings_pending_ = false;
    bool running_ = false;
    bool quit_ = false;
    // Something above is waiting: the preparing thread looks before each block.
    std::atomic<bool> pending_{false};

    // The ring: written by the preparing thread, read by the callback.
    std::array<Block, ring_blocks> ring_;
    std::atomic<std::uint32_t> head_{0}; // blocks written
    std::atomic<std::uint32_t> tail_{0}; // blocks read

    // Preparing thread only.
    std::shared_ptr<const PcmAudio> audio_;
    PracticeSettings settings_;
    LoopReader reader_;
    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
    std::unique_ptr<PracticeFilter> filter_; // at the recording's rate
    StretchEngine stretcher_engine_ = StretchEngine::finer;
    int stretcher_rate_ = 0;
    bool stretching_ = false;
    std::uint32_t generation_ = 0;
    double out_position_ = 0;     // file frame of the next output frame
    std::int64_t to_drop_ = 0;    // output frames of the stretcher's start delay
    bool input_done_ = false;     // the stretcher was given the last input
    bool ended_ = false;          // the end was handed over
    std::int64_t pause_left_ = 0; // frames of silence still to give before a repeat
    std::vector<float> in_left_, in_right_;

    std::thread thread_;
};

} // namespace pitkad
