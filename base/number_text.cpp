#include "base/number_text.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace pitkad {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string format_number(double value, std::chars_format format, int precision) {
    // Room for the 309 integer digits of the largest double in fixed format.
    std::string text(330 + std::size_t(std::max(precision, 0)), '\0');
    const auto r = std::to_chars(text.data(), text.data() + text.size(), value, format, precision);
    text.resize(r.ec == std::errc() ? std::size_t(r.ptr - text.data()) : 0);
    return text;
}

std::optional<double> parse_number(std::string_view s) {
    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t unsigned_start = i;
    // The decimal exponent of the first non-zero digit, plus one: only its
    // sign is needed, to tell an overflow from an underflow.
    long magnitude = 0;
    bool nonzero = false;
    std::size_t digits = 0;
    for (; i < s.size() && is_digit(s[i]); ++i, ++digits) {
        if (s[i] != '0') nonzero = true;
        if (nonzero) ++magnitude;
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && is_digit(s[i]); ++i, ++digits) {
            if (s[i] != '0') nonzero = true;
            if (!nonzero) --magnitude;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        const bool negative_exponent = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        long exponent = 0;
        std::size_t exponent_digits = 0;
        for (; i < s.size() && is_digit(s[i]); ++i, ++exponent_digits)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 1000000L);
        if (exponent_digits == 0) return std::nullopt;
        magnitude += negative_exponent ? -exponent : exponent;
    }
    if (i != s.size()) return std::nullopt;

    double value = 0;
    const auto r = std::from_chars(s.data() + unsigned_start, s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        value = magnitude > 0 ? HUGE_VAL : 0.0;
    else if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace pitkad
