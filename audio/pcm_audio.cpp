#include "audio/pcm_audio.h"

#include "audio/playback_texts.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace pitkad {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

// RIFF/WAVE layout: a chunk is a 4-byte id and a 4-byte size, then its body.
constexpr std::size_t riff_header_bytes = 12; // "RIFF", size, "WAVE"
constexpr std::size_t chunk_header_bytes = 8;
constexpr std::uint32_t pcm_format_bytes = 16; // the fmt chunk's fields we read
constexpr std::uint32_t extensible_format_bytes = 40;
constexpr std::size_t sub_format_offset = 24; // first two bytes of the GUID: the real tag
constexpr std::uint16_t wave_format_pcm = 1;
constexpr std::uint16_t wave_format_extensible = 0xFFFE;
constexpr int pcm_bits = 16;
constexpr int min_rate = 1000, max_rate = 384000;

PcmLoadResult failure(const char* text) {
    return {nullptr, text};
}

} // namespace

PcmLoadResult parse_wav_for_playback(const std::vector<std::uint8_t>& bytes) {
    const std::size_t n = bytes.size();
    const std::uint8_t* b = bytes.data();
    if (n < riff_header_bytes || std::memcmp(b, "RIFF", 4) != 0 ||
        std::memcmp(b + 8, "WAVE", 4) != 0)
        return failure(playback_texts::not_a_wav);

    int channels = 0, rate = 0, bits = 0;
    bool have_format = false;
    std::size_t pos = riff_header_bytes;
    while (pos + chunk_header_bytes <= n) {
        const std::uint32_t size = le32(b + pos + 4);
        const std::size_t body = pos + chunk_header_bytes;
        if (std::memcmp(b + pos, "fmt ", 4) == 0) {
            if (size < pcm_format_bytes || body + pcm_format_bytes > n)
                return failure(playback_texts::file_damaged);
            std::uint16_t tag = le16(b + body);
            channels = le16(b + body + 2);
            rate = int(le32(b + body + 4));
            bits = le16(b + body + 14);
            // WAVE_FORMAT_EXTENSIBLE carries the real format in its sub-format GUID.
            if (tag == wave_format_extensible && size >= extensible_format_bytes &&
                body + sub_format_offset + 2 <= n)
                tag = le16(b + body + sub_format_offset);
            if (tag != wave_format_pcm || bits != pcm_bits || channels < 1 || rate < min_rate ||
                rate > max_rate)
                return failure(playback_texts::unsupported_format);
            have_format = true;
        } else if (std::memcmp(b + pos, "data", 4) == 0) {
            if (!have_format) return failure(playback_texts::file_damaged);
            // A data chunk longer than the file (an unfinished recording) plays what is there.
            const std::size_t avail = std::min<std::size_t>(size, n - body);
            const std::size_t block = std::size_t(channels) * 2;
            auto audio = std::make_shared<PcmAudio>();
            audio->rate = rate;
            audio->channels = channels >= 2 ? 2 : 1;
            audio->frames = std::int64_t(avail / block);
            audio->samples.resize(std::size_t(audio->frames) * std::size_t(audio->channels));
            std::int16_t* out = audio->samples.data();
            for (std::int64_t f = 0; f < audio->frames; ++f) {
                const std::uint8_t* in = b + body + std::size_t(f) * block;
                for (int c = 0; c < audio->channels; ++c)
                    *out++ = std::int16_t(le16(in + 2 * c));
            }
            return {std::move(audio), {}};
        }
        pos = body + size + (size & 1);
    }
    return failure(have_format ? playback_texts::file_damaged : playback_texts::not_a_wav);
}

PcmLoadResult load_wav_for_playback(const std::string& path) {
    if (path.empty()) return failure(playback_texts::no_file_name);
    auto with_path = [&](const char* text) {
        PcmLoadResult r = failure(text);
        r.error += "\n" + path;
        return r;
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return with_path(playback_texts::file_not_found);
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return with_path(playback_texts::file_unreadable);
    const std::streamoff size = in.tellg();
    if (size < 0) return with_path(playback_texts::file_unreadable);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in) return with_path(playback_texts::file_unreadable);
    PcmLoadResult r = parse_wav_for_playback(bytes);
    if (!r.audio) r.error += "\n" + path;
    return r;
}

} // namespace pitkad
