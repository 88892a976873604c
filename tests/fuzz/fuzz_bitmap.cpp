// The 24-bit bitmaps: whatever parses encodes and parses back to the same image.
#include "tests/fuzz/fuzz_support.h"
#include "view/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto image = parse_bmp24({data, size});
    if (!image) return 0;
    PITKAD_FUZZ_CHECK(image->pixels.size() == std::size_t(image->width) * image->height * 3);
    const auto again = parse_bmp24(encode_bmp24(*image));
    PITKAD_FUZZ_CHECK(again && again->width == image->width && again->height == image->height &&
                      again->pixels == image->pixels);
    return 0;
}
