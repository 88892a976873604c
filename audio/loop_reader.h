#pragma once
// Reads a recording as stereo float frames from a position on, and, inside
// an A–B loop, round and round: at the loop's end it goes on from its
// start, with a short crossfade into the frames before the start so that
// the seam has no step. Used by the practice preparer; no threads, no
// allocation after construction.

#include "audio/pcm_audio.h"
#include "audio/practice.h"

#include <cstdint>

namespace pitkad {

class LoopReader {
  public:
    // Frames of the crossfade at the seam (5 ms at 44.1 kHz).
    static constexpr int crossfade_frames = 220;

    void set_audio(const PcmAudio* audio) { audio_ = audio; }
    void set_loop(LoopRange loop) { loop_ = loop; }
    const LoopRange& loop() const { return loop_; }
    void seek(std::int64_t frame);
    std::int64_t position() const { return position_; }
    // The loop applies while the position is inside it.
    bool looping() const {
        return loop_.active() && position_ >= loop_.start && position_ < loop_.end;
    }

    // Up to `frames` frames from the position on, never across the loop's
    // seam (the next call starts at the loop start) nor past the end of the
    // recording. Returns how many were read (0 at the end).
    int read(float* left, float* right, int frames);
    // The last read ended at the loop's end and went back to its start.
    bool wrapped() const { return wrapped_; }

  private:
    const PcmAudio* audio_ = nullptr;
    LoopRange loop_;
    std::int64_t position_ = 0;
    bool wrapped_ = false;
};

} // namespace pitkad
