#pragma once
// The practice tools' processing of the recording as it plays: a channel
// mode (one side on both speakers, mono, or the centre removed), then the
// focus, a steep band-pass over a range of semitone bands. Plain C++ with
// fixed-size state, run by the mixer in the audio callback.

#include <array>

namespace pitkad {

// audit: the recording folded to one channel on the left, the synthesizer
// (the drawing played) alone on the right, to hear the two apart.
enum class ChannelMode { stereo, left, right, mono, centre_removed, audit };

class PracticeFilter {
  public:
    // Butterworth order of the focus's high-pass and of its low-pass: 72 dB
    // per octave on each side, over 40 dB down 7 semitones past an edge.
    static constexpr int order = 12;

    explicit PracticeFilter(int sample_rate);

    // Not the audio thread, and only while process() is not running. The
    // channel mode, and the focus range as bands low … high (2 … 75,
    // low <= high; out-of-range bands are clamped), or focus off when
    // low == 0. Clears the filter memory when the focus changes.
    void configure(ChannelMode mode, int focus_low_band, int focus_high_band);
    // Audio thread. In place, stereo, non-interleaved.
    void process(float* left, float* right, int frames) noexcept;
    // Audio thread (or while process() is not running). Clears the filter
    // memory, after a seek.
    void reset() noexcept;
    // Stereo and no focus: process() leaves the samples untouched.
    bool neutral() const { return mode_ == ChannelMode::stereo && focus_low_ == 0; }

  private:
    // One second-order section, normalised (a0 = 1), transposed direct form II.
    struct Section {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };
    enum class Pass { low, high };
    static constexpr int max_sections = order; // order / 2 per side
    static Section butterworth_section(Pass pass, double w0, int n, int k);
    void design_focus();

    int sample_rate_;
    ChannelMode mode_ = ChannelMode::stereo;
    int focus_low_ = 0, focus_high_ = 0;
    std::array<Section, max_sections> sections_{};
    int section_count_ = 0;
    // Per channel and section, the two delayed values.
    std::array<std::array<std::array<double, 2>, max_sections>, 2> state_{};
};

// The frequency of a band's lower and upper edge, half a semitone below and
// above its nominal frequency (55 × 2^(b/12) Hz).
double band_lower_edge_hz(int band);
double band_upper_edge_hz(int band);

} // namespace pitkad
