#include "view/bmp_file.h"

#include <sys/stat.h>

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include "view/data_bitmaps.h"

namespace pitkad {
namespace {

Bgr24Image pattern(int w, int h) {
    Bgr24Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.set(x, y, std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y));
    return img;
}

TEST(BmpFile, RoundTripKeepsPixelsAndPadsRows) {
    for (int w : {1, 2, 3, 4, 5, 463}) {
        SCOPED_TRACE(w);
        const Bgr24Image img = pattern(w, 7);
        const std::vector<std::uint8_t> bytes = encode_bmp24(img);
        EXPECT_EQ(bytes.size(), 54 + std::size_t((w * 3 + 3) / 4 * 4) * 7);
        const auto back = parse_bmp24(bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width, w);
        EXPECT_EQ(back->height, 7);
        EXPECT_EQ(back->pixels, img.pixels);
        // Bottom-up: the file's first pixel row is the image's last.
        EXPECT_EQ(bytes[54 + 1], 6);
    }
}

TEST(BmpFile, TopDownFilesReadTheRightWayUp) {
    const Bgr24Image img = pattern(5, 3);
    std::vector<std::uint8_t> bytes = encode_bmp24(img);
    const std::int32_t neg = -3;
    std::memcpy(&bytes[22], &neg, 4);
    const auto back = parse_bmp24(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixel(0, 0)[1], 2); // file row 0 now shown at the top
}

TEST(BmpFile, RefusesWhatItCannotReadSafely) {
    const std::vector<std::uint8_t> good = encode_bmp24(pattern(16, 4));
    struct Case {
        const char* name;
        std::size_t at;
        std::vector<std::uint8_t> patch;
        std::size_t truncate_to;
    };
    const Case cases[] = {
        {"8 bits per pixel", 28, {8, 0}, 0},
        {"32 bits per pixel", 28, {32, 0}, 0},
        {"compressed", 30, {1, 0, 0, 0}, 0},
        {"not BM", 0, {'P', 'K'}, 0},
        {"zero width", 18, {0, 0, 0, 0}, 0},
        {"huge height", 22, {0, 0, 0, 0x40}, 0},
        {"offset past end", 10, {0xff, 0xff, 0, 0}, 0},
        {"truncated pixels", 0, {}, good.size() - 1},
        {"only a header", 0, {}, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = good;
        std::copy(c.patch.begin(), c.patch.end(), bytes.begin() + std::ptrdiff_t(c.at));
        if (c.truncate_to) bytes.resize(c.truncate_to);
        std::string why;
        EXPECT_FALSE(parse_bmp24(bytes, &why));
        EXPECT_FALSE(why.empty());
    }
}

TEST(DataBitmaps, LoadersRefuseSmallOrWrongFiles) {
    const test::TempDir dir;
    auto write = [&](const char* name, int w, int h, int bits) {
        std::vector<std::uint8_t> bytes = encode_bmp24(Bgr24Image(w, h, 255));
        bytes[28] = std::uint8_t(bits);
        test::write_file(dir / name, bytes);
        return dir / name;
    };
    struct Case {
        const char* name;
        int w, h, bits;
        bool font_ok, colour_ok;
    };
    const Case cases[] = {
        {"exact_font.bmp", 144, 132, 24, true, false},
        {"narrow_font.bmp", 143, 132, 24, false, false},
        {"short_font.bmp", 144, 131, 24, false, false},
        {"colour.bmp", 504, 22, 24, false, true},
        {"narrow_colour.bmp", 462, 200, 24, true, false},
        {"one_row_colour.bmp", 463, 1, 24, false, true},
        {"big_32bit.bmp", 600, 200, 32, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = write(c.name, c.w, c.h, c.bits);
        const auto font = load_font_bitmap(file);
        const auto colour = load_colour_bitmap(file);
        EXPECT_EQ(bool(font), c.font_ok);
        EXPECT_EQ(bool(colour), c.colour_ok);
        if (font) {
            EXPECT_EQ(font->format(), QImage::Format_BGR888);
            EXPECT_EQ(font->size(), QSize(c.w, c.h));
        }
    }
    EXPECT_FALSE(load_font_bitmap(dir / "missing.bmp"));
    // A pipe at the name is refused at once, never waited on.
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    EXPECT_FALSE(load_font_bitmap(dir / "pipe.bmp"));
}

} // namespace
} // namespace pitkad
