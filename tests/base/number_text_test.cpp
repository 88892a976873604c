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
    const struct {
        const char* text;
        bool ok;
    } rows[] = {
        {"1.5", true},      {"-3.25", true},     {"+2e1", true},       {".5", true},
        {"5.", true},       {"1.e2", true},      {"-0", true},         {"007", true},
        {"1E-3", true},     {"0.1", true},       {"1e400", true},      {"-1e400", true},
        {"1e-400", true},   {"-1e-400", true},   {"2.4e-324", true},   {"4.9e-324", true},
        {"1e-310", true},   {"0.0001e312", true}, {"1000e-327", true}, {"0e99999999999", true},
        {"1e99999999999999999999", true},        {"", false},          {"-", false},
        {"+.", false},      {"1e", false},       {"1e+", false},       {"1x", false},
        {" 1", false},      {"1 ", false},       {"1,5", false},       {"--1", false},
        {"inf", false},     {"nan", false},      {"0x10", false},      {"1e5.5", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        const std::optional<double> got = parse_number(r.text);
        ASSERT_EQ(got.has_value(), r.ok);
        if (r.ok) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(*got),
                      std::bit_cast<std::uint64_t>(std::strtod(r.text, nullptr)));
        }
    }
    for (const char* name : comma_locales) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        EXPECT_EQ(parse_number("-3.25"), -3.25) << name;
        EXPECT_FALSE(parse_number("3,25")) << name;
        std::setlocale(LC_NUMERIC, "C");
    }
}

} // namespace
} // namespace pitkad
