#pragma once
// Byte buffers of the test files (WAV recordings and the like), built with
// the program's own little-endian helpers.

#include "base/le_bytes.h"

#include <cstdint>
#include <vector>

namespace pitkad::test {

using Bytes = std::vector<std::uint8_t>;

} // namespace pitkad::test
