#include "view/colour_map.h"

#include <cmath>
#include <set>

#include <QImage>
#include <gtest/gtest.h>

#include "view/view_state.h"

namespace pitkad {
namespace {

QImage bgr(int w, int h, std::uint8_t fill = 0) {
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        std::memset(img.scanLine(y), fill, std::size_t(w) * 3);
    return img;
}

TEST(ColourMap, BuiltInPaletteReferenceValues) {
    LevelPalette pal;
    build_palette(pal, false, QImage());
    struct Case {
        int level, r, g, b;
    };
    const Case cases[] = {{0, 0, 0, 0},       {100, 0, 0, 161}, {140, 0, 23, 203},
                          {190, 0, 109, 203}, {256, 0, 192, 0}, {300, 80, 228, 0},
                          {384, 190, 210, 0}, {511, 215, 49, 0}};
    for (const Case& c : cases) {
        for (int pc : {0, 5, 11}) {
            SCOPED_TRACE(testing::Message() << "level " << c.level << " pc " << pc);
            EXPECT_EQ(pal.red[pc][c.level], c.r);
            EXPECT_EQ(pal.green[pc][c.level], c.g);
            EXPECT_EQ(pal.blue[pc][c.level], c.b);
        }
    }
    EXPECT_EQ(pal.marker_grey, 160);
    EXPECT_EQ(pal.grid_grey, 61);
    EXPECT_EQ(pal.octave_grid_grey, 112);
    EXPECT_EQ(pal.white_key_grey, 240);
}

TEST(ColourMap, BandLevels) {
    struct Case {
        int s, t;
        float v;
        int level;
    };
    const Case cases[] = {
        {40, 0, -27.0f, 0},  {40, 0, -20.0f, 133}, {40, 0, -10.0f, 322},   {40, 0, 0.0f, 511},
        {40, 0, -100.0f, 0}, {40, 0, 50.0f, 511},  {40, 100, -13.5f, 511}, {0, 0, -15.0f, 0},
        {100, 0, -45.0f, 0}, {100, 0, 0.0f, 511},  {40, 0, NAN, 0},        {40, 0, -1e30f, 0},
        {40, 0, 1e30f, 511},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.s << "/" << c.t << " v " << c.v);
        EXPECT_EQ(band_level(c.v, scale_params(c.s, c.t)), c.level);
    }
    for (int s = 0; s <= 100; s += 5)
        for (int t = 0; t <= 100; t += 5)
            EXPECT_EQ(band_level(-45.0f, scale_params(s, t)), 0);
}

TEST(ColourMap, LegendNotchesAtDefaultSliders) {
    LevelPalette pal;
    build_palette(pal, false, QImage());
    QImage g = bgr(796, 74 * 4 + 29, 0x55);
    draw_colour_legend(g, pal, scale_params(40, 0), false, QImage());
    const int H = g.height(), x0 = 796 - 530;
    auto black_levels = [&](int y) {
        std::set<int> out;
        for (int i = 1; i < 512; ++i) {
            const std::uint8_t* px = g.constScanLine(y) + 3 * (x0 + i);
            if (px[0] == 0 && px[1] == 0 && px[2] == 0) out.insert(i);
        }
        return out;
    };
    const std::set<int> upper{133, 322}, none{}, lower{38, 133, 228, 322, 417};
    for (int y : {H - 22, H - 21, H - 20})
        EXPECT_EQ(black_levels(y), upper) << y;
    for (int y : {H - 19, H - 15, H - 10})
        EXPECT_EQ(black_levels(y), none) << y;
    for (int y : {H - 9, H - 8, H - 7})
        EXPECT_EQ(black_levels(y), lower) << y;
    // Strip colours are the pitch-class-0 palette; outside the strip is untouched.
    const std::uint8_t* top = g.constScanLine(H - 15) + 3 * (x0 + 511);
    EXPECT_EQ(top[2], 215);
    EXPECT_EQ(g.constScanLine(H - 15)[3 * (x0 - 1)], 0x55);
    EXPECT_EQ(g.constScanLine(H - 23)[3 * (x0 + 200)], 0x55);
    EXPECT_EQ(g.constScanLine(H - 6)[3 * (x0 + 200)], 0x55);
}

TEST(ColourMap, GroupingRampsToEachPitchClassColour) {
    QImage colours = bgr(504, 22, 0);
    auto set = [&](int x, int r, int g, int b) {
        std::uint8_t* px = colours.scanLine(0) + 3 * x;
        px[0] = std::uint8_t(b), px[1] = std::uint8_t(g), px[2] = std::uint8_t(r);
    };
    set(0, 255, 0, 0);
    set(42, 0, 128, 255);
    set(462, 10, 20, 30);
    LevelPalette pal;
    build_palette(pal, true, colours);
    struct Case {
        int pc, level, r, g, b;
    };
    const Case cases[] = {{0, 0, 0, 0, 0},       {0, 511, 254, 0, 0},  {0, 256, 127, 0, 0},
                          {1, 511, 0, 127, 254}, {11, 511, 9, 19, 29}, {5, 511, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pc << " " << c.level);
        EXPECT_EQ(pal.red[c.pc][c.level], c.r);
        EXPECT_EQ(pal.green[c.pc][c.level], c.g);
        EXPECT_EQ(pal.blue[c.pc][c.level], c.b);
    }
    // A bitmap too narrow for the twelve colours leaves the built-in scale.
    build_palette(pal, true, bgr(462, 22, 255));
    EXPECT_EQ(pal.red[0][511], 215);
}

TEST(ColourMap, GroupingLegendIsTheColourBitmapClipped) {
    QImage colours = bgr(600, 40, 0x77); // wider and taller than the strip
    LevelPalette pal;
    QImage g = bgr(796, 74 * 4 + 29, 0);
    draw_colour_legend(g, pal, scale_params(40, 0), true, colours);
    const int H = g.height();
    EXPECT_EQ(g.constScanLine(H - 22)[3 * (796 - 520)], 0x77);
    EXPECT_EQ(g.constScanLine(H - 1)[3 * 795], 0x77);
    EXPECT_EQ(g.constScanLine(H - 23)[3 * 700], 0);
    EXPECT_EQ(g.constScanLine(H - 1)[3 * (796 - 521)], 0);
}

} // namespace
} // namespace pitkad
