#include "drawing/clipboard_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace pitkad {
namespace {

TEST(ClipboardNumbers, ValuesAreRoundedToFiveDigitsThenWrittenWithTwoDecimals) {
    struct Case {
        double value;
        const char* want;
    };
    const Case cases[] = {
        {12.3456, "12.35"},   {-100.0, "-100.00"},  {1234.567, "1234.60"},   {0.001, "0.00"},
        {0.0, "0.00"},        {-0.004, "0.00"},     {-0.005, "-0.01"},       {-3.25, "-3.25"},
        {-12.3449, "-12.35"}, // 5 digits give -12.345, whose half goes away from zero
        {99.9951, "100.00"},  {-45.678f, "-45.68"}, {123456.7, "123460.00"}, {0.125, "0.13"},
        {-99.99, "-99.99"},
        // Levels that are not numbers get a marker, not digits.
        {std::nan(""), "nan"},   {-std::nan(""), "nan"},  {HUGE_VAL, "inf"},      {-HUGE_VAL, "-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clipboard_value_text(c.value), c.want) << c.value;
}

TEST(ClipboardNumbers, TimesAreInGeneralFormat) {
    struct Case {
        int frame;
        const char* want;
    };
    const Case cases[] = {{0, "0"},   {1, "0.02"},        {150, "3"},        {151, "3.02"},
                          {5, "0.1"}, {57999, "1159.98"}, {49999, "999.98"}, {3333, "66.66"}};
    for (const auto& c : cases)
        EXPECT_EQ(clipboard_time_text(c.frame), c.want) << c.frame;
}

class ClipboardTextTest : public ::testing::Test {
  protected:
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
};

TEST_F(ClipboardTextTest, OneCellGivesHeaderAndOneValue) {
    store->at(151, 27) = -12.3456f;
    EXPECT_EQ(clipboard_text(*store, 151, 151, 27, 27),
              "Time\t3.02\t3.02\r\nNote\t60\t60\r\n-12.35\t\r\n");
}

TEST_F(ClipboardTextTest, RowsAreFramesAndColumnsRisingBands) {
    for (int f = 10; f <= 12; ++f)
        for (int b = 30; b <= 31; ++b)
            store->at(f, b) = float(-(f - 10) * 10 - (b - 30));
    EXPECT_EQ(clipboard_text(*store, 10, 12, 30, 31), "Time\t0.2\t0.24\r\nNote\t63\t64\r\n"
                                                      "0.00\t-1.00\t\r\n"
                                                      "-10.00\t-11.00\t\r\n"
                                                      "-20.00\t-21.00\t\r\n");
}

TEST_F(ClipboardTextTest, EmptyBandRangeGivesBareLines) {
    EXPECT_EQ(clipboard_text(*store, 0, 1, 2, 1), "Time\t0\t0.02\r\nNote\t35\t34\r\n\r\n\r\n");
}

TEST_F(ClipboardTextTest, StopsAfterTheLineThatPassesTheCap) {
    // All 74 bands of -100.00: 8 characters a value, 594 a line with its CR LF.
    const std::string text = clipboard_text(*store, 0, 3000, 2, 75);
    const std::string header = "Time\t0\t60\r\nNote\t35\t108\r\n";
    const std::size_t line = 74 * 8 + 2;
    const std::size_t lines = (clipboard_cap - header.size()) / line + 1;
    ASSERT_EQ(text.size(), header.size() + lines * line + clipboard_over.size());
    EXPECT_GT(header.size() + lines * line, clipboard_cap);
    EXPECT_LE(header.size() + (lines - 1) * line, clipboard_cap);
    EXPECT_EQ(text.substr(text.size() - 19), "\r\nquit - 50kB Over!");
}

TEST_F(ClipboardTextTest, ShortRectangleHasNoCapNotice) {
    const std::string text = clipboard_text(*store, 0, 10, 2, 75);
    EXPECT_EQ(text.find("quit"), std::string::npos);
}

} // namespace
} // namespace pitkad
