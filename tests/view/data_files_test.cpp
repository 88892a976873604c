// The generated data files meet the layouts the renderer reads.
#include <set>

#include <gtest/gtest.h>

#include "view/colour_map.h"
#include "view/data_bitmaps.h"
#include "view/note_labels.h"

namespace pitkad {
namespace {

const std::filesystem::path data_dir = PITKAD_TEST_DATA_DIR;

TEST(DataFiles, FontHasAGlyphInEveryCellAndNoInkOutsideIt) {
    const auto font = load_font_bitmap(data_dir / font_file_name);
    ASSERT_TRUE(font);
    ASSERT_EQ(font->size(), QSize(144, 132));
    auto ink = [&](int x, int y) {
        const std::uint8_t* px = font->constScanLine(y) + 3 * x;
        EXPECT_TRUE((px[0] == 0 && px[1] == 0 && px[2] == 0) ||
                    (px[0] == 255 && px[1] == 255 && px[2] == 255))
            << "not black or white at " << x << "," << y;
        return px[0] == 0;
    };
    for (int L = 4; L <= 12; ++L) {
        std::set<std::vector<bool>> shapes;
        for (int p = 0; p < 12; ++p) {
            SCOPED_TRACE(testing::Message() << "L " << L << " pitch class " << p);
            std::vector<bool> shape;
            int used = 0, unused = 0;
            for (int row = 0; row < 11; ++row)
                for (int g = 0; g < 16; ++g) {
                    const bool i = ink((12 - L) * 16 + g, p * 11 + row);
                    (row <= L - 2 ? used : unused) += i;
                    if (row <= L - 2) shape.push_back(i);
                }
            EXPECT_GT(used, 4);
            EXPECT_EQ(unused, 0); // nothing cut off below the rows a width reads
            shapes.insert(shape);
        }
        EXPECT_EQ(shapes.size(), 12u) << "L " << L << ": two names share a glyph";
    }
}

TEST(DataFiles, ColourBitmapHasTwelveDistinctColoursOnItsTopRow) {
    const auto colours = load_colour_bitmap(data_dir / colour_file_name);
    ASSERT_TRUE(colours);
    EXPECT_GE(colours->width(), colour_bitmap_min_width);
    EXPECT_LE(colours->height(), 22);
    std::set<std::array<std::uint8_t, 3>> seen;
    for (int p = 0; p < 12; ++p) {
        const std::uint8_t* px = colours->constScanLine(0) + 3 * 42 * p;
        EXPECT_GE(std::max({px[0], px[1], px[2]}), 200) << p; // bright enough to ramp from black
        seen.insert({px[0], px[1], px[2]});
    }
    EXPECT_EQ(seen.size(), 12u);
}

} // namespace
} // namespace pitkad
