#pragma once
// Little-endian numbers in byte buffers, as the file formats store them (WAV,
// BMP, the analysis cache, the drawing file). Readers take a position whose
// bytes the caller has checked to lie within the buffer; writers either
// append to a vector or overwrite bytes already there.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pitkad::le {

inline std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}
inline std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(u16(b, at)) | std::uint32_t(u16(b, at + 2)) << 16;
}
inline std::int16_t i16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::int16_t(u16(b, at));
}
inline std::int32_t i32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::int32_t(u32(b, at));
}
inline float f32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::bit_cast<float>(u32(b, at));
}

inline void store_u16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
inline void store_u32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    store_u16(b, at, std::uint16_t(v));
    store_u16(b, at + 2, std::uint16_t(v >> 16));
}
inline void store_f32(std::span<std::uint8_t> b, std::size_t at, float v) {
    store_u32(b, at, std::bit_cast<std::uint32_t>(v));
}

inline void append_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
inline void append_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    append_u16(out, std::uint16_t(v));
    append_u16(out, std::uint16_t(v >> 16));
}

// A four-character identifier ("RIFF", "fmt "), padded with blanks when shorter.
inline void append_tag(std::vector<std::uint8_t>& out, std::string_view tag) {
    for (std::size_t i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(i < tag.size() ? tag[i] : ' '));
}
inline bool is_tag(std::span<const std::uint8_t> b, std::size_t at, std::string_view tag) {
    for (std::size_t i = 0; i < 4; ++i)
        if (b[at + i] != std::uint8_t(tag[i])) return false;
    return true;
}

} // namespace pitkad::le
