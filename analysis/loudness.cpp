#include "analysis/loudness.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "analysis/analysis_cache.h"

namespace pitkad {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Sign, digits, an optional "." with digits, an optional exponent; at least
// one digit in the mantissa.
bool valid_number(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i]))
            ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == s.size();
}

// A blank or a control character ends a number.
bool ends_token(unsigned char c) {
    return c <= ' ' || c == 0x7f;
}

} // namespace

LoudnessLoad parse_loudness_table(std::string_view text) {
    LoudnessLoad result;
    result.ok = true;
    std::size_t pos = 0;
    for (int b = first_band; b <= last_band; ++b) {
        while (pos < text.size() &&
               (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
            ++pos;
        if (pos >= text.size()) break; // the rest read as 0
        const std::size_t start = pos;
        while (pos < text.size() && !ends_token(static_cast<unsigned char>(text[pos])))
            ++pos;
        const std::string token(text.substr(start, pos - start));
        if (!valid_number(token)) {
            result.ok = false;
            return result;
        }
        const float value = float(std::strtod(token.c_str(), nullptr));
        // A number too large for a float would poison every level.
        if (!std::isfinite(value)) {
            result.ok = false;
            return result;
        }
        result.table[std::size_t(b)] = value;
        while (pos < text.size() && text[pos] != '\n')
            ++pos;
    }
    return result;
}

LoudnessLoad load_loudness_table(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return {};
    return parse_loudness_table(text.str());
}

void normalise_to_peak(SpectrogramStore& store) {
    const int frames = std::min(store.frame_count, std::int32_t(store_frames));
    if (frames <= 0) return;
    float peak = store.at(0, first_band);
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            peak = std::max(peak, store.at(t, b));
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            store.at(t, b) -= peak;
}

void add_loudness(SpectrogramStore& store, const LoudnessTable& table) {
    const int frames = std::min(store.frame_count, std::int32_t(store_frames));
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            store.at(t, b) += table[std::size_t(b)];
}

void refresh_spectrogram(SpectrogramStore& store, bool recording_open, bool correction_on,
                         const LoudnessTable& table) {
    if (!recording_open) return;
    reload_analysis_cache(store);
    if (correction_on) add_loudness(store, table);
    normalise_to_peak(store);
}

} // namespace pitkad
