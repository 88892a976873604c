#include "view/note_labels.h"

#include <cmath>
#include <cstdio>

#include "view/view_state.h"

namespace pitkad {

Rgb label_colour(int pitch_class, bool sounding, std::uint8_t white_key_grey) {
    if (sounding) return sounding_key_colour;
    if (is_sharp(pitch_class)) return sharp_key_colour;
    return Rgb{white_key_grey, white_key_grey, white_key_grey};
}

std::optional<std::string> show_note_hint(int y, int line_width, bool show_frq, bool show_note) {
    if (line_width <= 0 || y < 0 || y >= graph_rows * line_width) return std::nullopt;
    const int k = ViewState::row_to_band(y / line_width);
    std::string text(note_names[std::size_t((k + 9) % 12)]);
    text += std::to_string((k + 21) / 12);
    if (show_frq) {
        // nearbyint rounds ties to even in the default rounding mode.
        const double f = std::nearbyint(55.0 * std::exp2(k / 12.0));
        text += "\r\n" + std::to_string(static_cast<long long>(f)) + "Hz";
    }
    if (show_note) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%02X", k + 33);
        text += "\r\n" + std::to_string(k + 33) + " (" + hex + "h)";
    }
    return text;
}

} // namespace pitkad
