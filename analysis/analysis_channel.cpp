#include "analysis/analysis_channel.h"

#include "base/le_bytes.h"

namespace pitkad {

std::string_view analysis_channel_name(AnalysisChannel channel) {
    switch (channel) {
    case AnalysisChannel::second:
        return "second";
    case AnalysisChannel::mid:
        return "mid";
    case AnalysisChannel::first:
        break;
    }
    return "first";
}

std::optional<AnalysisChannel> parse_analysis_channel(std::string_view name) {
    for (const AnalysisChannel c :
         {AnalysisChannel::first, AnalysisChannel::second, AnalysisChannel::mid})
        if (name == analysis_channel_name(c)) return c;
    return std::nullopt;
}

void analysis_values(std::span<const std::uint8_t> bytes, std::size_t frames, int channels,
                     AnalysisChannel channel, float* out, std::size_t step) {
    const std::size_t stride = 2 * std::size_t(channels > 0 ? channels : 1);
    // With one channel every choice is that channel.
    if (channels < 2) channel = AnalysisChannel::first;
    switch (channel) {
    case AnalysisChannel::first:
        for (std::size_t i = 0; i < frames; ++i)
            out[i * step] = le::i16(bytes, i * stride);
        break;
    case AnalysisChannel::second:
        for (std::size_t i = 0; i < frames; ++i)
            out[i * step] = le::i16(bytes, i * stride + 2);
        break;
    case AnalysisChannel::mid:
        for (std::size_t i = 0; i < frames; ++i)
            out[i * step] = mid_value(le::i16(bytes, i * stride), le::i16(bytes, i * stride + 2));
        break;
    }
}

std::optional<float> partial_frame_value(std::span<const std::uint8_t> bytes, int channels,
                                         AnalysisChannel channel) {
    const bool first_only = channels < 2 || channel == AnalysisChannel::first;
    if (bytes.size() < (first_only ? 2u : 4u)) return std::nullopt;
    float value = 0.0f;
    analysis_values(bytes, 1, first_only ? 1 : 2, first_only ? AnalysisChannel::first : channel,
                    &value);
    return value;
}

} // namespace pitkad
