#include "drawing/clipboard_text.h"

#include "base/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace pitkad {

std::string clipboard_time_text(int frame) {
    return format_number(frame * 0.02, std::chars_format::general, 15);
}

std::string clipboard_value_text(double value) {
    // A level that is not a number (a damaged cache or loudness table) has
    // no digits to round; the spreadsheet gets a plain marker instead.
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    // First rounding: 5 significant digits, as the exact decimal digits of
    // d.dddde±x.
    const std::string sci = format_number(value, std::chars_format::scientific, 4);
    const bool negative = sci[0] == '-';
    const char* p = sci.c_str() + (negative ? 1 : 0);
    std::string digits{p[0], p[2], p[3], p[4], p[5]};
    const int exponent = std::atoi(p + 7);

    // Place them on a fixed grid of hundredths: value = digits × 10^(exponent - 4),
    // so in hundredths the digit string is shifted by exponent - 2.
    const int shift = exponent - 2;
    std::string hundredths;
    if (shift >= 0) {
        hundredths = digits + std::string(std::size_t(shift), '0');
    } else if (-shift < 5) {
        // Second rounding: drop the digits below a hundredth, halves away from zero.
        const std::size_t keep = std::size_t(5 + shift);
        const bool up = digits[keep] >= '5';
        hundredths = digits.substr(0, keep);
        if (up) {
            int i = int(hundredths.size()) - 1;
            for (; i >= 0 && hundredths[std::size_t(i)] == '9'; --i)
                hundredths[std::size_t(i)] = '0';
            if (i >= 0)
                ++hundredths[std::size_t(i)];
            else
                hundredths.insert(hundredths.begin(), '1');
        }
    } else if (-shift == 5) {
        hundredths.assign(1, digits[0] >= '5' ? '1' : '0');
    } else {
        hundredths.assign(1, '0');
    }
    while (hundredths.size() > 1 && hundredths[0] == '0')
        hundredths.erase(0, 1);
    while (hundredths.size() < 3)
        hundredths.insert(hundredths.begin(), '0');
    std::string out = negative && hundredths != "000" ? "-" : "";
    out += hundredths.substr(0, hundredths.size() - 2);
    out += '.';
    out += hundredths.substr(hundredths.size() - 2);
    return out;
}

std::string clipboard_text(const SpectrogramStore& store, int start, int end, int low, int high) {
    std::string text = "Time\t" + clipboard_time_text(start) + "\t" + clipboard_time_text(end) +
                       "\r\n" + "Note\t" + std::to_string(low + 33) + "\t" +
                       std::to_string(high + 33) + "\r\n";
    for (int f = start; f <= end; ++f) {
        for (int b = low; b <= high; ++b) {
            text += clipboard_value_text(store.at(f, b));
            text += '\t';
        }
        text += "\r\n";
        if (text.size() > clipboard_cap) {
            text += clipboard_over;
            break;
        }
    }
    return text;
}

} // namespace pitkad
