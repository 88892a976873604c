#pragma once
// A recording decoded for playback: 16-bit samples at the file's rate,
// one or two channels interleaved (files with more channels keep the first
// two). Decoded whole at open, a long one into a file (PcmSamples); then
// the audio callback only reads it.

#include "audio/pcm_samples.h"
#include "audio/playback_status.h"

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace pitkad {

struct PcmAudio {
    // A 16-bit sample of this value is full scale (1.0).
    static constexpr float full_scale = 32768.0f;

    int rate = 44100;
    int channels = 1; // 1 or 2
    std::int64_t frames = 0;
    PcmSamples samples; // frames × channels

    // Sample of frame f for the left (0) or right (1) speaker; mono feeds both.
    float sample(std::int64_t f, int speaker) const {
        const int c = channels == 2 ? speaker : 0;
        return float(samples[std::size_t(f * channels + c)]) * (1.0f / full_scale);
    }
    // Asks for the next `seconds` after frame f to be read ahead (a long
    // recording is read from its file as it plays).
    void prefetch(std::int64_t f, int seconds) const {
        if (f >= 0)
            samples.prefetch(std::size_t(f * channels), std::size_t(seconds) * std::size_t(rate * channels));
    }
    // Before playing from frame f: the first quarter second is read now and
    // the next seconds asked for, so that a seek sounds at once.
    void warm(std::int64_t f) const {
        if (f < 0) return;
        prefetch(f, 4);
        samples.touch(std::size_t(f * channels), std::size_t(rate / 4 * channels));
    }
};

struct PcmLoadResult {
    std::shared_ptr<const PcmAudio> audio; // null on failure
    PlaybackError error;                   // why not, when audio is null
};

// Reads a RIFF/WAVE file of 16-bit PCM (any rate, any channel count). The
// chunks are walked by the analysis's rules (walk_wav_chunks); the format the
// player accepts is its own. A stop asked for while the file is read gives an
// empty result (no audio, no error).
PcmLoadResult load_wav_for_playback(const std::string& path, std::stop_token stop = {});

// The same from bytes already in memory (for tests).
PcmLoadResult parse_wav_for_playback(const std::vector<std::uint8_t>& bytes);

} // namespace pitkad
