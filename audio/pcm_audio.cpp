#include "audio/pcm_audio.h"

#include "analysis/wav_reader.h"
#include "base/le_bytes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace pitkad {

namespace {

constexpr int wave_format_pcm = 1;
constexpr int wave_format_extensible = 0xFFFE;
constexpr int pcm_bits = 16;
constexpr std::uint32_t min_rate = 1000, max_rate = 384000;

PcmLoadResult failure(PlaybackStatus status) {
    return {nullptr, {status, {}, {}}};
}

} // namespace

PcmLoadResult parse_wav_for_playback(const std::vector<std::uint8_t>& bytes) {
    const WavLayout layout = walk_wav_chunks(bytes);
    const WavFormat& format = layout.format;
    // The walk stops where the file is damaged; a format read before that
    // point still tells an unplayable file from a damaged one.
    if (layout.walk == WavWalk::not_riff_wave) return failure(PlaybackStatus::not_a_wav);
    if (!layout.format_seen)
        return failure(layout.walk == WavWalk::bad_chunk ? PlaybackStatus::not_a_wav
                                                         : PlaybackStatus::file_damaged);
    // 16-bit PCM at any rate, WAVE_FORMAT_EXTENSIBLE with the PCM sub-format included.
    const bool pcm = format.format_tag == wave_format_pcm ||
                     (format.format_tag == wave_format_extensible && format.pcm_subformat);
    if (!pcm || format.bits_per_sample != pcm_bits || format.channels < 1 ||
        format.sample_rate < min_rate || format.sample_rate > max_rate)
        return failure(PlaybackStatus::unsupported_format);
    if (layout.walk != WavWalk::ok) return failure(PlaybackStatus::file_damaged);

    // A data chunk longer than the file (an unfinished recording) plays what is there.
    const std::span<const std::uint8_t> b = bytes;
    const std::size_t block = std::size_t(format.channels) * (pcm_bits / 8);
    auto audio = std::make_shared<PcmAudio>();
    audio->rate = int(format.sample_rate);
    audio->channels = format.channels >= 2 ? 2 : 1;
    audio->frames = std::int64_t(layout.data_size / block);
    audio->samples.reserve(std::size_t(audio->frames) * std::size_t(audio->channels));
    std::int16_t* out = nullptr;
    for (std::int64_t f = 0; f < audio->frames; ++f) {
        constexpr std::int64_t piece = 1 << 16; // frames written at a time
        if (f % piece == 0)
            out = audio->samples.extend(std::size_t(std::min(piece, audio->frames - f)) *
                                        std::size_t(audio->channels));
        const std::size_t in = std::size_t(layout.data_offset) + std::size_t(f) * block;
        for (int c = 0; c < audio->channels; ++c)
            *out++ = le::i16(b, in + 2 * std::size_t(c));
    }
    if (!audio->samples.finish()) return failure(PlaybackStatus::file_unreadable);
    return {std::move(audio), {}};
}

PcmLoadResult load_wav_for_playback(const std::string& path, std::stop_token stop) {
    if (path.empty()) return failure(PlaybackStatus::no_file_name);
    auto with_path = [&](PlaybackStatus status) {
        PcmLoadResult r = failure(status);
        r.error.file = path;
        return r;
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return with_path(PlaybackStatus::file_not_found);
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return with_path(PlaybackStatus::file_unreadable);
    const std::streamoff size = in.tellg();
    if (size < 0) return with_path(PlaybackStatus::file_unreadable);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    // Read in pieces, so that a stop is seen within one piece's time.
    constexpr std::streamoff piece = 4 << 20;
    for (std::streamoff at = 0; at < size; at += piece) {
        if (stop.stop_requested()) return {};
        in.read(reinterpret_cast<char*>(bytes.data()) + at, std::min(piece, size - at));
        if (!in) return with_path(PlaybackStatus::file_unreadable);
    }
    PcmLoadResult r = parse_wav_for_playback(bytes);
    if (!r.audio) r.error.file = path;
    return r;
}

} // namespace pitkad
