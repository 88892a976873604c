// The loudness table's text: an accepted table holds finite values only.
#include "analysis/loudness.h"
#include "tests/fuzz/fuzz_support.h"

#include <cmath>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const LoudnessLoad load =
        parse_loudness_table(std::string_view(reinterpret_cast<const char*>(data), size));
    if (load.ok)
        for (float v : load.table) PITKAD_FUZZ_CHECK(std::isfinite(v));
    return 0;
}
