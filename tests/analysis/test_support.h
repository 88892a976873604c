#pragma once
// Helpers for the analysis tests: temporary folders, WAV files built chunk by
// chunk, synthetic signals, and a double-precision direct sum of the band
// definition as the reference for the folded kernel.

#include "tests/common/le_bytes.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "analysis/band_tables.h"

namespace pitkad::test {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = fs::temp_directory_path() /
                ("pitkad_test_" + std::to_string(rd()) + "_" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

  private:
    fs::path path_;
};


struct Chunk {
    std::string id; // four bytes
    Bytes payload;
    std::optional<std::uint32_t> size; // declared size when not the payload's
    bool pad = true;                   // append the pad byte after an odd payload
};

inline Chunk fmt_chunk(int channels, std::uint32_t rate, int bits = 16, int tag = 1) {
    Chunk c{"fmt ", {}, {}, true};
    le::append_u16(c.payload, std::uint16_t(tag));
    le::append_u16(c.payload, std::uint16_t(channels));
    le::append_u32(c.payload, rate);
    le::append_u32(c.payload, rate * std::uint32_t(channels * bits / 8));
    le::append_u16(c.payload, std::uint16_t(channels * bits / 8));
    le::append_u16(c.payload, std::uint16_t(bits));
    return c;
}

inline Chunk data_chunk(const std::vector<std::int16_t>& values) {
    Chunk c{"data", {}, {}, true};
    for (std::int16_t v : values)
        le::append_u16(c.payload, std::uint16_t(v));
    return c;
}

// "RIFF" size "WAVE" followed by the chunks.
inline Bytes wav_bytes(const std::vector<Chunk>& chunks) {
    Bytes body;
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        le::append_u32(body, c.size.value_or(std::uint32_t(c.payload.size())));
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.pad && c.payload.size() % 2 == 1) body.push_back(0);
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    le::append_u32(out, std::uint32_t(body.size() + 4));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline void write_file(const fs::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Interleaved samples: channel c of sample frame i from f(c, i).
template <class F> std::vector<std::int16_t> interleave(int frames, int channels, F f) {
    std::vector<std::int16_t> v;
    v.reserve(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v.push_back(std::int16_t(f(c, i)));
    return v;
}

inline std::int16_t sine_sample(double amplitude, double hz, double rate, int i) {
    return std::int16_t(std::lround(amplitude * std::sin(2.0 * M_PI * hz * i / rate)));
}

// A mono 16-bit WAV of the given samples.
inline Bytes mono_wav(const std::vector<std::int16_t>& samples, std::uint32_t rate = 44100) {
    return wav_bytes({fmt_chunk(1, rate), data_chunk(samples)});
}

struct DirectPower {
    double power = 0;  // the definition's P
    double energy = 0; // Σ (w(n) x(n))² / N², the scale of rounding errors
};

// The band definition summed directly in double precision.
inline DirectPower direct_power(int band, const float* history) {
    const int n = window_length_of(band);
    const float* x = history + history_centre - n / 2;
    double re = 0, im = 0, energy = 0;
    for (int i = 0; i < n; ++i) {
        const double w = 27.0 / 23.0 - std::cos(2.0 * M_PI * i / n);
        const double wx = w * x[i];
        const double angle = 2.0 * M_PI * 36.0 * double(i) / n;
        re += wx * std::cos(angle);
        im -= wx * std::sin(angle);
        energy += wx * wx;
    }
    const double n2 = double(n) * double(n);
    return {(re * re + im * im) / n2, energy / n2};
}

} // namespace pitkad::test
