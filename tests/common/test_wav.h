#pragma once
// Builds small WAV files for the playback tests.

#include "tests/common/le_bytes.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace pitkad::test {

// 16-bit PCM (or `bits` for refusal tests); sample(frame, channel) gives the value.
inline std::vector<std::uint8_t> wav_bytes(int rate, int channels, int frames,
                                           const std::function<int(int, int)>& sample,
                                           int bits = 16) {
    std::vector<std::uint8_t> b;
    b.reserve(44 + std::size_t(frames) * std::size_t(channels) * 4);
    auto u32 = [&](std::uint32_t v) { le::append_u32(b, v); };
    auto u16 = [&](std::uint32_t v) { le::append_u16(b, std::uint16_t(v)); };
    auto tag = [&](std::string_view t) { le::append_tag(b, t); };
    const std::uint32_t block = std::uint32_t(channels * bits / 8);
    const std::uint32_t data = block * std::uint32_t(frames);
    tag("RIFF");
    u32(36 + data);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(std::uint32_t(channels));
    u32(std::uint32_t(rate));
    u32(std::uint32_t(rate) * block);
    u16(block);
    u16(std::uint32_t(bits));
    tag("data");
    u32(data);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const int v = sample(f, c);
            if (bits == 16)
                u16(std::uint32_t(std::uint16_t(std::int16_t(v))));
            else
                for (int k = 0; k < bits / 8; ++k)
                    b.push_back(std::uint8_t(v >> (8 * k)));
        }
    return b;
}

// A silent mono file of `ms` milliseconds at `rate`, written to a temporary path.
class TempWav {
  public:
    explicit TempWav(int ms, int rate = 8000, int channels = 1) {
        static int serial = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("pitkad_playback_test_" + std::to_string(::getpid()) + "_" +
                 std::to_string(serial++) + ".wav");
        write(wav_bytes(rate, channels, int(std::int64_t(ms) * rate / 1000),
                        [](int, int) { return 0; }));
    }
    ~TempWav() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    void write(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

} // namespace pitkad::test
