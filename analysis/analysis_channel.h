#pragma once
// Which part of a recording is analysed: its first channel (what PitkaD
// always analysed), its second channel, or the mid of the first two,
// (L + R) / 2. A recording with one channel has only that channel: every
// choice analyses it. The values are on the 16-bit sample scale.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace pitkad {

enum class AnalysisChannel : std::uint8_t { first, second, mid };

// "first", "second", "mid": the command line's and the settings file's words.
std::string_view analysis_channel_name(AnalysisChannel channel);
std::optional<AnalysisChannel> parse_analysis_channel(std::string_view name);

// The mid of two values: their sum halved, exact in float for 16-bit values.
inline float mid_value(float first, float second) {
    return (first + second) * 0.5f;
}

// The analysed value of each of `frames` whole sample frames of `channels`
// interleaved little-endian 16-bit values, written to out[0], out[step], …
void analysis_values(std::span<const std::uint8_t> bytes, std::size_t frames, int channels,
                     AnalysisChannel channel, float* out, std::size_t step = 1);

// The analysed value of a last, incomplete sample frame, when its bytes hold
// every value it is made of.
std::optional<float> partial_frame_value(std::span<const std::uint8_t> bytes, int channels,
                                         AnalysisChannel channel);

} // namespace pitkad
