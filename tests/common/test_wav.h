#pragma once
// WAV files for the tests of every layer: chunk by chunk (damaged files
// included), or whole recordings of a given format and samples.

#include "base/le_bytes.h"
#include "tests/common/temp_dir.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pitkad::test {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string id; // four bytes
    Bytes payload;
    std::optional<std::uint32_t> size; // declared size when not the payload's
    bool pad = true;                   // append the pad byte after an odd payload
};

inline Chunk fmt_chunk(int channels, std::uint32_t rate, int bits = 16, int tag = 1) {
    const auto block = std::uint16_t(channels * bits / 8);
    Chunk c{"fmt ", {}, {}, true};
    le::append_u16(c.payload, std::uint16_t(tag));
    le::append_u16(c.payload, std::uint16_t(channels));
    le::append_u32(c.payload, rate);
    le::append_u32(c.payload, rate * block);
    le::append_u16(c.payload, block);
    le::append_u16(c.payload, std::uint16_t(bits));
    return c;
}

// WAVE_FORMAT_EXTENSIBLE of 16-bit samples (front left and right), naming
// the PCM sub-format or, with pcm false, IEEE float.
inline Chunk extensible_fmt_chunk(int channels, std::uint32_t rate, bool pcm) {
    Chunk c = fmt_chunk(channels, rate, 16, 0xfffe);
    le::append_u16(c.payload, 22); // extension size
    le::append_u16(c.payload, 16); // valid bits
    le::append_u32(c.payload, 3);  // channel mask
    // The sub-format GUID: KSDATAFORMAT_SUBTYPE_PCM (1) or _IEEE_FLOAT (3).
    le::append_u32(c.payload, pcm ? 1 : 3);
    const std::uint8_t tail[] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
    c.payload.insert(c.payload.end(), std::begin(tail), std::end(tail));
    return c;
}

inline Chunk data_chunk(const std::vector<std::int16_t>& values) {
    Chunk c{"data", {}, {}, true};
    for (std::int16_t v : values)
        le::append_u16(c.payload, std::uint16_t(v));
    return c;
}

// `riff` (normally "RIFF"), the size, "WAVE", then the chunks.
inline Bytes wav_bytes(const std::vector<Chunk>& chunks, std::string_view riff = "RIFF") {
    Bytes body;
    for (const Chunk& c : chunks) {
        le::append_tag(body, c.id);
        le::append_u32(body, c.size.value_or(std::uint32_t(c.payload.size())));
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.pad && c.payload.size() % 2 == 1) body.push_back(0);
    }
    Bytes out;
    le::append_tag(out, riff);
    le::append_u32(out, std::uint32_t(body.size() + 4));
    le::append_tag(out, "WAVE");
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A mono 16-bit WAV of the given samples.
inline Bytes mono_wav(const std::vector<std::int16_t>& samples, std::uint32_t rate = 44100) {
    return wav_bytes({fmt_chunk(1, rate), data_chunk(samples)});
}

// The data chunk of `frames` sample frames of `bits` per sample (16, or
// others for refusal tests); sample(frame, channel) gives each value,
// written in the sample's bytes.
inline Chunk pcm_chunk(int channels, int frames, const std::function<int(int, int)>& sample,
                       int bits = 16) {
    Chunk c{"data", {}, {}, true};
    c.payload.reserve(std::size_t(frames) * std::size_t(channels) * std::size_t(bits / 8));
    for (int f = 0; f < frames; ++f)
        for (int ch = 0; ch < channels; ++ch) {
            const int v = sample(f, ch);
            for (int k = 0; k < bits / 8; ++k)
                c.payload.push_back(std::uint8_t(v >> (8 * k)));
        }
    return c;
}

inline Bytes wav_bytes(int rate, int channels, int frames,
                       const std::function<int(int, int)>& sample, int bits = 16) {
    return wav_bytes({fmt_chunk(channels, std::uint32_t(rate), bits),
                      pcm_chunk(channels, frames, sample, bits)});
}

// A 440 Hz tone recording, with the parts a test may spoil.
struct ToneWav {
    int rate = 44100;
    int channels = 1;
    int bits = 16;
    int frames = 44100;          // sample frames actually written
    std::int64_t data_size = -1; // size field of the data chunk; -1: the real size
    std::string riff = "RIFF";
    std::string chunk_before_data; // e.g. "JUNK": an extra chunk of 4 bytes
};

// A tone of 440 Hz in the first channel (silence in the others; silence
// throughout when not 16-bit) in the given format.
inline Bytes wav_bytes(const ToneWav& s) {
    std::vector<Chunk> chunks = {fmt_chunk(s.channels, std::uint32_t(s.rate), s.bits)};
    if (!s.chunk_before_data.empty())
        chunks.push_back(Chunk{s.chunk_before_data, Bytes(4, 0), {}, true});
    Chunk data = pcm_chunk(
        s.channels, s.frames,
        [&](int f, int c) {
            return c == 0 && s.bits == 16
                       ? int(8000 * std::sin(2 * 3.14159265358979 * 440 * f / s.rate))
                       : 0;
        },
        s.bits);
    if (s.data_size >= 0) data.size = std::uint32_t(s.data_size);
    chunks.push_back(data);
    return wav_bytes(chunks, s.riff);
}

inline void write_wav(const std::filesystem::path& file, const ToneWav& s) {
    write_file(file, wav_bytes(s));
}

// A silent recording of `ms` milliseconds at `rate`, in a temporary folder.
class TempWav {
  public:
    explicit TempWav(int ms, int rate = 8000, int channels = 1) {
        write(wav_bytes(rate, channels, int(std::int64_t(ms) * rate / 1000),
                        [](int, int) { return 0; }));
    }
    void write(const Bytes& bytes) const { write_file(path_, bytes); }
    std::string path() const { return path_.string(); }

  private:
    TempDir dir_;
    std::filesystem::path path_ = dir_ / "recording.wav";
};

} // namespace pitkad::test
