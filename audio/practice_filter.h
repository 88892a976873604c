#pragma once
// The practice tools' processing of the recording as it plays: a channel
// mode (one side on both speakers, mono, or the centre removed). Plain C++,
// run by the mixer in the audio callback.

namespace pitkad {

enum class ChannelMode { stereo, left, right, mono, centre_removed };

class PracticeFilter {
  public:
    explicit PracticeFilter(int sample_rate);

    // Not the audio thread, and only while process() is not running. The
    // channel mode, and the focus range as bands low … high (2 … 75,
    // low <= high), or focus off when low == 0.
    void configure(ChannelMode mode, int focus_low_band, int focus_high_band);
    // Audio thread. In place, stereo, non-interleaved.
    void process(float* left, float* right, int frames) noexcept;
    // Audio thread (or while process() is not running). Clears the filter
    // memory, after a seek.
    void reset() noexcept;
    // Stereo and no focus: process() leaves the samples untouched.
    bool neutral() const { return mode_ == ChannelMode::stereo && focus_low_ == 0; }

  private:
    int sample_rate_;
    ChannelMode mode_ = ChannelMode::stereo;
    int focus_low_ = 0, focus_high_ = 0;
};

} // namespace pitkad
