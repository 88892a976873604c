#include "view/bmp_file.h"

#include "base/file_bytes.h"
#include "base/le_bytes.h"

#include <fstream>
#include <iterator>

namespace pitkad {

namespace {

constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_size = 40;
constexpr int max_dimension = 32768;
// Larger than any bitmap the program reads.
constexpr std::uintmax_t bmp_max_bytes = 64 << 20;

std::optional<Bgr24Image> fail(std::string* why, const char* text) {
    if (why) *why = text;
    return std::nullopt;
}

std::size_t row_stride(int width) {
    return (std::size_t(width) * 3 + 3) / 4 * 4;
}

} // namespace

std::optional<Bgr24Image> parse_bmp24(std::span<const std::uint8_t> bytes, std::string* why) {
    if (bytes.size() < file_header_size + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return fail(why, "not a bitmap file");
    const std::uint32_t offset = le::u32(bytes, 10);
    const std::uint32_t header = le::u32(bytes, 14);
    long long width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (header == 12) { // OS/2 core header
        width = le::u16(bytes, 18);
        height = le::u16(bytes, 20);
        bits = le::u16(bytes, 24);
    } else if (header >= info_header_size && bytes.size() >= file_header_size + info_header_size) {
        width = std::int32_t(le::u32(bytes, 18));
        height = std::int32_t(le::u32(bytes, 22));
        bits = le::u16(bytes, 28);
        compression = le::u32(bytes, 30);
    } else {
        return fail(why, "unknown bitmap header");
    }
    if (bits != 24) return fail(why, "not 24 bits per pixel");
    if (compression != 0) return fail(why, "compressed bitmap");
    const bool top_down = height < 0;
    if (top_down) height = -height;
    if (width <= 0 || height <= 0 || width > max_dimension || height > max_dimension)
        return fail(why, "bad bitmap size");
    const std::size_t stride = row_stride(int(width));
    if (offset < file_header_size + header || offset > bytes.size() ||
        bytes.size() - offset < stride * std::size_t(height))
        return fail(why, "bitmap pixels missing");
    Bgr24Image img{static_cast<int>(width), static_cast<int>(height)};
    const std::size_t row_bytes = std::size_t(width) * 3;
    for (int y = 0; y < img.height; ++y) {
        const int file_row = top_down ? y : img.height - 1 - y;
        const std::uint8_t* src = bytes.data() + offset + stride * std::size_t(file_row);
        std::copy(src, src + row_bytes, img.pixel(0, y));
    }
    return img;
}

std::optional<Bgr24Image> read_bmp24(const std::filesystem::path& file, std::string* why) {
    // The data bitmaps are a few hundred kilobytes; a pipe, a device or a
    // file far larger is refused unread.
    const FileRead read = read_regular_file(file, bmp_max_bytes);
    switch (read.status) {
    case ReadStatus::ok:
        return parse_bmp24(read.bytes, why);
    case ReadStatus::not_a_regular_file:
        return fail(why, "not a regular file");
    case ReadStatus::too_large:
        return fail(why, "file too large");
    default:
        return fail(why, "cannot open file");
    }
}

std::vector<std::uint8_t> encode_bmp24(const Bgr24Image& image) {
    const std::size_t stride = row_stride(image.width);
    const std::size_t pixel_bytes = stride * std::size_t(image.height);
    const std::size_t offset = file_header_size + info_header_size;
    std::vector<std::uint8_t> out(offset + pixel_bytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    le::store_u32(out, 2, std::uint32_t(out.size()));
    le::store_u32(out, 10, std::uint32_t(offset));
    le::store_u32(out, 14, std::uint32_t(info_header_size));
    le::store_u32(out, 18, std::uint32_t(image.width));
    le::store_u32(out, 22, std::uint32_t(image.height));
    le::store_u16(out, 26, 1);  // planes
    le::store_u16(out, 28, 24); // bits per pixel
    le::store_u32(out, 34, std::uint32_t(pixel_bytes));
    le::store_u32(out, 38, 2835); // 72 dpi
    le::store_u32(out, 42, 2835);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* src = image.pixel(0, image.height - 1 - y);
        std::copy(src, src + std::size_t(image.width) * 3, out.begin() + offset + stride * y);
    }
    return out;
}

bool write_bmp24(const std::filesystem::path& file, const Bgr24Image& image) {
    const std::vector<std::uint8_t> bytes = encode_bmp24(image);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

} // namespace pitkad
