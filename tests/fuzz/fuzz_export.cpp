// The MIDI export of any drawing file, with every export option: the file
// written reads back, and the lines are counted in bars and beats from 1,
// in order.
#include "drawing/midi_file.h"
#include "tests/fuzz/fuzz_drawing_input.h"

#include <algorithm>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    static auto drawing = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    const int frames = fuzz::load_drawing(data, size, 3000, *drawing, channels);
    if (frames < 0) return 0;

    // The options from the last byte.
    const std::uint8_t o = data[size - 1];
    MidiExportOptions options;
    options.lines_are_bars = o & 1;
    options.beats_per_bar = 2 + (o >> 1) % 6;
    options.quantize_division = (o >> 4) % 4 == 0 ? 0 : 1 << ((o >> 4) % 4 + 1);
    options.tempo = o & 0x40 ? MidiTempoMarks::per_bar : MidiTempoMarks::per_line;
    if (o & 0x80) options.include_note = selected_notes_only;

    const std::vector<std::uint8_t> out = build_midi_file(*drawing, frames, channels, options);
    static auto again = std::make_unique<DrawData>();
    MidiChannelSettings read_channels;
    PITKAD_FUZZ_CHECK(import_midi_file(out, *again, std::max(frames, 1), read_channels, {}).ok);
    const std::vector<LineCount> counts = count_lines(*drawing, frames, options);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        PITKAD_FUZZ_CHECK(counts[i].bar >= 1 && counts[i].beat >= 1);
        if (i > 0) PITKAD_FUZZ_CHECK(counts[i].frame > counts[i - 1].frame);
    }
    return 0;
}
