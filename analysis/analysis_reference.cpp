#include "analysis/analysis_reference.h"

#include "base/number_text.h"

#include <cmath>

namespace pitkad {

std::optional<AnalysisReference> AnalysisReference::from_hz(double hz) {
    if (!std::isfinite(hz)) return std::nullopt;
    const double centihertz = std::round(hz * 100.0);
    if (centihertz < lowest || centihertz > highest) return std::nullopt;
    return AnalysisReference{std::int32_t(centihertz)};
}

std::string reference_text(AnalysisReference reference) {
    std::string text = format_number(reference.hz(), std::chars_format::fixed, 2);
    // "446.10" → "446.1", "440.00" → "440".
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::optional<AnalysisReference> parse_reference(std::string_view text) {
    const std::optional<double> hz = parse_number(text);
    return hz ? AnalysisReference::from_hz(*hz) : std::nullopt;
}

std::optional<ReferenceRequest> parse_reference_request(std::string_view text) {
    if (text == "auto") return ReferenceRequest{true, {}};
    const auto fixed = parse_reference(text);
    return fixed ? std::optional(ReferenceRequest{false, *fixed}) : std::nullopt;
}

double reference_cents(AnalysisReference reference) {
    return 1200.0 * std::log2(reference.ratio());
}

} // namespace pitkad
