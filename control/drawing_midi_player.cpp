#include "control/drawing_midi_player.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>

namespace pitkad {

namespace {

constexpr int look_back = 3;

// The cell of band b in frame f, 0 beyond the recording or the drawing.
std::uint8_t cell(const DrawData& drawing, int readable, int f, int b) {
    if (f < 0 || f >= readable || b < first_band || b > last_band) return 0;
    return drawing[f].note_cell(b);
}

// Starts band b on channel ch unless it sounds there already or all eight
// slots of ch are busy (the note is then dropped).
void start_note(MidiPort& port, int ch, int b) {
    auto& slots = port.active_notes[std::size_t(ch)];
    if (std::find(slots.begin(), slots.end(), b) != slots.end()) return;
    auto free_slot = std::find(slots.begin(), slots.end(), 0);
    if (free_slot == slots.end()) return;
    *free_slot = b;
    port.note_on(ch, b);
}

} // namespace

void drawing_midi_step(int g, const DrawData& drawing, int frame_count, MidiPort& port) {
    if (!port.midi_ok()) return;
    const int readable = std::clamp(frame_count, 0, int(drawing.draw_data.size()));

    for (int n = 1; n < midi_channels; ++n) {
        for (int& b : port.active_notes[std::size_t(n)]) {
            if (b != 0 && drawing_channel(cell(drawing, readable, g, b)) != n) {
                port.note_off(n, b);
                b = 0;
            }
        }
    }

    for (int b = first_band; b <= last_band; ++b) {
        const std::uint8_t v = cell(drawing, readable, g, b);
        const int ch = drawing_channel(v);
        if (ch == 0) continue;

        bool changed = false;
        for (int k = 1; k <= look_back && !changed; ++k)
            changed = g - k < 0 || cell(drawing, readable, g - k, b) != v;
        if (changed) start_note(port, ch, b);
    }
}

void drawing_midi_sound_held(int g, const DrawData& drawing, int frame_count, MidiPort& port) {
    if (!port.midi_ok()) return;
    const int readable = std::clamp(frame_count, 0, int(drawing.draw_data.size()));

    for (int n = 1; n < midi_channels; ++n) {
        for (int& b : port.active_notes[std::size_t(n)]) {
            if (b != 0) {
                port.note_off(n, b);
                b = 0;
            }
        }
    }
    for (int b = first_band; b <= last_band; ++b) {
        const int ch = drawing_channel(cell(drawing, readable, g, b));
        if (ch != 0) start_note(port, ch, b);
    }
}

} // namespace pitkad
