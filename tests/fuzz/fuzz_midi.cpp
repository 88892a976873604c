// The MIDI file reader: every input is read or refused. A refused one leaves
// the drawing and the channel settings as they were; nothing is ever drawn
// past the recording; what was read exports to a file that reads again.
#include "drawing/midi_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    constexpr int frames = 600;
    static auto drawing = std::make_unique<DrawData>();
    for (int f = 0; f <= frames; ++f)
        for (int s = 0; s < draw_record_size; ++s)
            (*drawing)[f].slot[std::size_t(s)] = std::uint8_t(s % 9 == 2 ? (f / 10 + s) % 17 : 0);
    drawing->modified = false;
    const std::vector<draw_frame> before(drawing->draw_data.begin(),
                                         drawing->draw_data.begin() + frames + 1);
    MidiChannelSettings channels;
    MidiImportOptions options;
    options.replace = size % 2 == 0;
    options.lines = size % 3 == 0 ? MidiImportLines::bars : MidiImportLines::beats;
    const MidiImportResult r = import_midi_file(std::span<const std::uint8_t>(data, size), *drawing,
                                                frames, channels, options);
    PITKAD_FUZZ_CHECK(r.ok == (r.refusal == MidiRefusal::none));
    PITKAD_FUZZ_CHECK((*drawing)[frames].slot == before[frames].slot);
    if (!r.ok) {
        for (int f = 0; f < frames; ++f)
            PITKAD_FUZZ_CHECK((*drawing)[f].slot == before[std::size_t(f)].slot);
        PITKAD_FUZZ_CHECK(!drawing->modified);
        PITKAD_FUZZ_CHECK(channels.program == MidiChannelSettings{}.program &&
                          channels.volume == MidiChannelSettings{}.volume);
        return 0;
    }
    const std::vector<std::uint8_t> out = build_midi_file(*drawing, frames, channels, {});
    static auto again = std::make_unique<DrawData>();
    PITKAD_FUZZ_CHECK(import_midi_file(out, *again, frames, channels, {}).ok);
    return 0;
}
