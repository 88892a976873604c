#pragma once
// Small valid inputs the fuzz targets start from, made by code so that no
// binary file is kept in the repository.

#include "base/le_bytes.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace pitkad::seeds {

// A 16-bit mono 44100 Hz WAV of a quarter second of a 440 Hz tone, with a
// LIST chunk before the data as real files often have.
inline std::vector<std::uint8_t> small_wav(int frames = 11025) {
    std::vector<std::uint8_t> b;
    auto tag = [&](const char* t) { le::append_tag(b, t); };
    const std::uint32_t data = std::uint32_t(frames) * 2;
    tag("RIFF");
    le::append_u32(b, 4 + 24 + 12 + 8 + data);
    tag("WAVE");
    tag("fmt ");
    le::append_u32(b, 16);
    le::append_u16(b, 1);
    le::append_u16(b, 1);
    le::append_u32(b, 44100);
    le::append_u32(b, 88200);
    le::append_u16(b, 2);
    le::append_u16(b, 16);
    tag("LIST");
    le::append_u32(b, 4);
    tag("INFO");
    tag("data");
    le::append_u32(b, data);
    for (int i = 0; i < frames; ++i)
        le::append_u16(b, std::uint16_t(std::int16_t(std::lround(8000 * std::sin(i * 0.0626893)))));
    return b;
}

} // namespace pitkad::seeds
