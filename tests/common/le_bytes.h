#pragma once
// Little-endian byte building for the test files (WAV recordings and the
// like) of every test suite.

#include <cstdint>
#include <string_view>
#include <vector>

namespace pitkad::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

inline void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

// A four-byte chunk identifier as it stands.
inline void put_tag(Bytes& b, std::string_view tag) {
    for (std::size_t i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(i < tag.size() ? tag[i] : ' '));
}

} // namespace pitkad::test
