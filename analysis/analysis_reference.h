#pragma once
// The pitch the analysis bands are tuned to, as the frequency of A4. The
// bands sit at A4 = 440 Hz; a recording tuned elsewhere is analysed at its
// own reference by resampling its analysis samples by reference / 440
// before the band kernel sees them (a note at the reference's A4 then lands
// on the A4 band), while every frame stays 20 ms of the recording.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pitkad {

struct AnalysisReference {
    // Hundredths of a hertz: 44000 is the bands' own tuning.
    std::int32_t centihertz = 44000;

    static constexpr std::int32_t standard = 44000;
    static constexpr std::int32_t lowest = 41500;
    static constexpr std::int32_t highest = 46600;

    double hz() const { return centihertz / 100.0; }
    // The reference's ratio to 440 Hz.
    double ratio() const { return double(centihertz) / standard; }
    // The rate the analysis samples (44100 Hz) are resampled to, and how
    // much faster they then run: the ratio to within 1 in 44100 (0.04 cent).
    int analysis_rate() const { return int(std::lround(44100.0 * ratio())); }
    double stream_ratio() const { return analysis_rate() / 44100.0; }
    bool is_standard() const { return centihertz == standard; }
    // The nearest reference to `hz` within 415 … 466 Hz; none outside.
    static std::optional<AnalysisReference> from_hz(double hz);
    friend bool operator==(const AnalysisReference&, const AnalysisReference&) = default;
};

// "446.1" ↔ the reference (the command line's and the settings file's form:
// hertz with up to two decimals, in the C locale).
std::string reference_text(AnalysisReference reference);
std::optional<AnalysisReference> parse_reference(std::string_view text);

// The cents between the reference and 440 Hz (positive: sharp).
double reference_cents(AnalysisReference reference);

// A reference asked for: a fixed one, or the recording's own tuning,
// estimated from its sound ("auto" on the command line).
struct ReferenceRequest {
    bool estimate = false;
    AnalysisReference fixed;
};
// "auto", or hertz as parse_reference reads them.
std::optional<ReferenceRequest> parse_reference_request(std::string_view text);

} // namespace pitkad
