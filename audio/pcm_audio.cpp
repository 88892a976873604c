#include "audio/pcm_audio.h"

#include "audio/playback_texts.h"
#include "base/le_bytes.h"

#include <filesystem>
#include <fstream>

namespace pitkad {

namespace {

PcmLoadResult failure(const char* text) {
    return {nullptr, text};
}

} // namespace

PcmLoadResult parse_wav_for_playback(const std::vector<std::uint8_t>& bytes) {
    const std::size_t n = bytes.size();
    const std::span<const std::uint8_t> b = bytes;
    if (n < 12 || !le::is_tag(b, 0, "RIFF") || !le::is_tag(b, 8, "WAVE"))
        return failure(playback_texts::not_a_wav);

    int channels = 0, rate = 0, bits = 0;
    bool have_format = false;
    std::size_t pos = 12;
    while (pos + 8 <= n) {
        const std::uint32_t size = le::u32(b, pos + 4);
        const std::size_t body = pos + 8;
        if (le::is_tag(b, pos, "fmt ")) {
            if (size < 16 || body + 16 > n) return failure(playback_texts::file_damaged);
            std::uint16_t tag = le::u16(b, body);
            channels = le::u16(b, body + 2);
            rate = int(le::u32(b, body + 4));
            bits = le::u16(b, body + 14);
            // WAVE_FORMAT_EXTENSIBLE carries the real format in its sub-format GUID.
            if (tag == 0xFFFE && size >= 40 && body + 26 <= n) tag = le::u16(b, body + 24);
            if (tag != 1 || bits != 16 || channels < 1 || rate < 1000 || rate > 384000)
                return failure(playback_texts::unsupported_format);
            have_format = true;
        } else if (le::is_tag(b, pos, "data")) {
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
                const std::size_t in = body + std::size_t(f) * block;
                for (int c = 0; c < audio->channels; ++c)
                    *out++ = le::i16(b, in + 2 * std::size_t(c));
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
