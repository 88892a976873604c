#include "base/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace pitkad {
namespace {

// printf and strtod in the "C" locale are the reference; in a locale with a
// decimal comma (where one is installed) the results must not change.
std::string c_printf(const char* format, int precision, double value) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, precision, value);
    return buf;
}

const char* const comma_locales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"};

TEST(NumberText, FormatsAsPrintfInTheCLocale) {
    const struct {
        double value;
        std::chars_format format;
        const char* printf_format;
        int precision;
    } rows[] = {
        {151 * 0.02, std::chars_format::general, "%.*g", 15},
        {57999 * 0.02, std::chars_format::general, "%.*g", 15},
        {0.1 + 0.2, std::chars_format::general, "%.*g", 17},
        {-12.3449, std::chars_format::scientific, "%.*e", 4},
        {99.99995, std::chars_format::scientific, "%.*e", 4},
        {4.9e-324, std::chars_format::scientific, "%.*e", 4},
        {0.125, std::chars_format::fixed, "%.*f", 2}, // a tie: to even
        {-0.004, std::chars_format::fixed, "%.*f", 2},
        {1.7976931348623157e308, std::chars_format::fixed, "%.*f", 2},
        {-HUGE_VAL, std::chars_format::fixed, "%.*f", 2},
    };
    std::vector<std::string> in_c;
    for (const auto& r : rows) {
        in_c.push_back(format_number(r.value, r.format, r.precision));
        EXPECT_EQ(in_c.back(), c_printf(r.printf_format, r.precision, r.value)) << r.value;
    }
    for (const char* name : comma_locales) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        for (std::size_t i = 0; i < std::size(rows); ++i)
            EXPECT_EQ(format_number(rows[i].value, rows[i].format, rows[i].precision), in_c[i])
                << name;
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(NumberText, ParsesDecimalNumbersAsStrtodInTheCLocale) {
    // clang-format off
    const char* const numbers[] = {
        "1.5", "-3.25", "+2e1", ".5", "5.", "1.e2", "-0", "007", "1E-3", "0.1", "1e400", "-1e400",
        "1e-400", "-1e-400", "2.4e-324", "4.9e-324", "1e-310", "0.0001e312", "1000e-327",
        "0e99999999999", "1e99999999999999999999"};
    const char* const not_numbers[] = {
        "", "-", "+.", "1e", "1e+", "1x", " 1", "1 ", "1,5", "--1", "inf", "nan", "0x10", "1e5.5"};
    // clang-format on
    for (const char* text : numbers) {
        const std::optional<double> got = parse_number(text);
        ASSERT_TRUE(got) << text;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*got),
                  std::bit_cast<std::uint64_t>(std::strtod(text, nullptr)))
            << text;
    }
    for (const char* text : not_numbers)
        EXPECT_FALSE(parse_number(text)) << text;
    for (const char* name : comma_locales) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        EXPECT_EQ(parse_number("-3.25"), -3.25) << name;
        EXPECT_FALSE(parse_number("3,25")) << name;
        std::setlocale(LC_NUMERIC, "C");
    }
}

} // namespace
} // namespace pitkad
