#include "control/score_marks.h"

#include <algorithm>

namespace pitkad {

int meter_target_line(const DrawData& draw, int frame_count, int frame) {
    const int n = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    int selected = -1, selected_count = 0, before = -1, first = -1;
    for (int f = 0; f < n; ++f) {
        const std::uint8_t v = draw[f].line_mark();
        if (v == 0) continue;
        if (first < 0) first = f;
        if (f <= frame) before = f;
        if (v & draw_selected_bit) {
            selected = f;
            ++selected_count;
        }
    }
    if (selected_count == 1) return selected;
    return before >= 0 ? before : first;
}

MeterMark meter_at(const DrawAnnotations& a, int frame, int beats_per_bar) {
    MeterMark m{0, beats_per_bar, 4};
    for (const MeterMark& mark : a.meters)
        if (mark.frame <= frame) m = mark;
    return m;
}

std::string key_tonic(const KeySignature& key) {
    // Major keys from seven flats to seven sharps; the minor key of the same
    // signature lies three fifths further on.
    static constexpr std::array<const char*, 22> names{
        "C♭", "G♭", "D♭", "A♭", "E♭", "B♭", "F", "C", "G", "D", "A",
        "E",  "B",  "F♯", "C♯", "G♯", "D♯", "A♯", "E♯", "B♯", "F♯♯", "C♯♯"};
    const int i = std::clamp(key.fifths, -7, 7) + 7 + (key.minor ? 3 : 0);
    return names[std::size_t(i)];
}

} // namespace pitkad
