#pragma once
// Uncompressed 24-bit Windows bitmaps, read and written in plain C++ (the
// data-file generators use this without Qt). Pixels are kept top-down,
// three bytes per pixel in blue, green, red order, rows tightly packed.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pitkad {

struct Bgr24Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width × height × 3, top row first

    Bgr24Image() = default;
    Bgr24Image(int w, int h, std::uint8_t fill = 0)
        : width(w), height(h), pixels(std::size_t(w) * std::size_t(h) * 3, fill) {}
    std::uint8_t* pixel(int x, int y) { return &pixels[(std::size_t(y) * width + x) * 3]; }
    const std::uint8_t* pixel(int x, int y) const {
        return &pixels[(std::size_t(y) * width + x) * 3];
    }
    void set(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        std::uint8_t* p = pixel(x, y);
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
};

// Parses a BMP file's bytes. Only 24 bits per pixel without compression is
// accepted (bottom-up or top-down); anything else, a truncated pixel array
// or absurd dimensions give nullopt and, when why is given, the reason.
std::optional<Bgr24Image> parse_bmp24(std::span<const std::uint8_t> bytes,
                                      std::string* why = nullptr);
std::optional<Bgr24Image> read_bmp24(const std::filesystem::path& file, std::string* why = nullptr);

// The file image: bottom-up rows padded to 4 bytes, 40-byte info header.
std::vector<std::uint8_t> encode_bmp24(const Bgr24Image& image);
bool write_bmp24(const std::filesystem::path& file, const Bgr24Image& image);

} // namespace pitkad
