#include "analysis/loudness.h"

#include <cmath>
#include <optional>

#include "analysis/analysis_cache.h"
#include "base/file_bytes.h"
#include "base/number_text.h"

namespace pitkad {

namespace {

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
        const std::optional<double> number = parse_number(text.substr(start, pos - start));
        const float value = number ? float(*number) : 0.0f;
        // A number too large for a float would poison every level.
        if (!number || !std::isfinite(value)) {
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
    // 74 numbers take a few hundred bytes; a megabyte leaves room for
    // comments after them and still refuses a file given by mistake.
    const FileRead read = read_regular_file(file, 1 << 20);
    if (!read.ok()) return {};
    return parse_loudness_table(
        std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
}

void normalise_to_peak(SpectrogramStore& store) {
    const int frames = store.held_frames();
    if (frames <= 0) return;
    float peak = store.at(0, first_band);
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            peak = std::max(peak, store.at(t, b));
    // Without sound there is no peak: the levels go down to the empty level
    // (the quietest colour) rather than up to 0, the loudest.
    const float shift = peak > no_sound_level ? peak : peak - empty_level;
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            store.at(t, b) -= shift;
}

void add_loudness(SpectrogramStore& store, const LoudnessTable& table) {
    const int frames = store.held_frames();
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            store.at(t, b) += table[std::size_t(b)];
}

bool refresh_spectrogram(SpectrogramStore& store, bool recording_open, bool correction_on,
                         const LoudnessTable& table, bool as_analysed) {
    if (!recording_open) return false;
    // Columns that could not be restored are left as they are: a correction
    // added to them would pile up.
    if (!as_analysed && !reload_analysis_cache(store)) return false;
    if (correction_on) add_loudness(store, table);
    normalise_to_peak(store);
    return true;
}

} // namespace pitkad
