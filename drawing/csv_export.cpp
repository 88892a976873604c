#include "drawing/csv_export.h"

#include "analysis/band_tables.h"
#include "base/number_text.h"

#include <algorithm>
#include <array>

namespace pitkad {

namespace {

int frames_in(int capacity, int frame_count) {
    return std::clamp(frame_count, 0, capacity);
}

} // namespace

std::string seconds_text(int frame) {
    return format_number(frame * (frame_ms / 1000.0), std::chars_format::fixed, 2);
}

std::string analysis_csv(const SpectrogramStore& store) {
    const int frames =
        frames_in(int(store.spectrogram.size() / std::size_t(cells_per_frame)), store.frame_count);
    std::string out = "time";
    for (int b = first_band; b <= last_band; ++b)
        out += ',' + note_name_of(b);
    out += '\n';
    // About 7 characters a value: reserved once for a 30 MB text.
    out.reserve(out.size() + std::size_t(frames) * (6 + band_count * 8));
    for (int t = 0; t < frames; ++t) {
        out += seconds_text(t);
        for (int b = first_band; b <= last_band; ++b) {
            out += ',';
            out += format_number(store.at(t, b), std::chars_format::fixed, 2);
        }
        out += '\n';
    }
    return out;
}

std::vector<DrawnNote> drawn_notes(const DrawData& draw, int frame_count) {
    const int frames = frames_in(int(draw.draw_data.size()), frame_count);
    std::vector<DrawnNote> notes;
    // Frame by frame, in the order the frames lie in memory: a frame like the
    // one before it starts or ends no note.
    std::array<int, draw_record_size> start{}, colour{};
    for (int f = 0; f <= frames; ++f) {
        if (f > 0 && f < frames && draw[f].slot == draw[f - 1].slot) continue;
        for (int b = first_band; b <= last_band; ++b) {
            const int c = f < frames ? draw[f].note_cell(b) & draw_colour_mask : 0;
            const auto i = std::size_t(b);
            if (c == colour[i]) continue;
            if (colour[i] != 0) notes.push_back({start[i], f - 1, b, colour[i]});
            start[i] = f;
            colour[i] = c;
        }
    }
    std::sort(notes.begin(), notes.end(), [](const DrawnNote& a, const DrawnNote& b) {
        return a.first_frame != b.first_frame ? a.first_frame < b.first_frame : a.band < b.band;
    });
    return notes;
}

std::string notes_csv(const DrawData& draw, int frame_count) {
    std::string out = "start,end,note,name,colour\n";
    for (const DrawnNote& n : drawn_notes(draw, frame_count))
        out += seconds_text(n.first_frame) + ',' + seconds_text(n.last_frame + 1) + ',' +
               std::to_string(midi_note_of(n.band)) + ',' + note_name_of(n.band) + ',' +
               std::to_string(n.colour) + '\n';
    return out;
}

} // namespace pitkad
