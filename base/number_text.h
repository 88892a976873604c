#pragma once
// Numbers as text in files and on the clipboard: "." is the decimal point
// whatever the locale, as in the "C" locale of printf and strtod.

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace pitkad {

// The value as printf's "%.*f", "%.*e" or "%.*g" writes it in the "C" locale
// (fixed, scientific or general format, with `precision`).
std::string format_number(double value, std::chars_format format, int precision);

// A decimal number and nothing else: an optional sign, digits with an
// optional "." (at least one digit in all), an optional exponent. nullopt for
// anything else, "inf" and "nan" included. As strtod, a value beyond the
// range of a double gives infinity and one below it zero, with its sign.
std::optional<double> parse_number(std::string_view text);

} // namespace pitkad
