// The transcription check over any drawing file and any levels: every drawn
// note gets one finding, flags point into the check, and what it lists and
// leaves stays inside the recording's frames and bands.
#include "control/transcription_check.h"
#include "drawing/draw_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    if (size < 4) return 0;
    const auto file = (fuzz::scratch() / "song.pkc").string();
    fuzz::write_file(file, data, size);
    // The recording's length from the header's claim, kept short so that a
    // run stays quick; the drawing may hold notes beyond it.
    std::int32_t claimed = 0;
    std::memcpy(&claimed, data, 4);
    const int frames = std::clamp(claimed, 0, 400);
    const DrawFileRead read = read_draw_file(file, frames);
    if (!read.ok()) return 0;
    static auto drawing = std::make_unique<DrawData>();
    drawing->clear();
    MidiChannelSettings channels;
    apply_draw_file(read.image, *drawing, channels);

    // Levels the input shapes too: its bytes, round and round, as dB.
    std::vector<float> cells(std::size_t(std::max(frames, 1)) * cells_per_frame, empty_level);
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (i % cells_per_frame >= std::size_t(first_band))
            cells[i] = -100.0f + float(data[i % size] % 101);
    SpectrogramStore store(std::move(cells));
    store.frame_count = frames;

    CheckSession session(store);
    session.update(*drawing, frames, true);
    const TranscriptionCheck& check = session.check();
    for (const CheckedNote& n : check.notes) {
        PITKAD_FUZZ_CHECK(n.finding.confidence >= 0 && n.finding.confidence <= 1);
        PITKAD_FUZZ_CHECK(n.finding.sounding_band >= first_band &&
                          n.finding.sounding_band <= last_band);
    }
    for (const MissingNote& m : check.missing) {
        PITKAD_FUZZ_CHECK(m.first >= 0 && m.first < m.end && m.end <= frames);
        PITKAD_FUZZ_CHECK(m.band >= first_band && m.band <= last_band);
        PITKAD_FUZZ_CHECK(m.confidence >= 0 && m.confidence <= 1);
    }
    for (const CheckFlag& f : session.flags())
        PITKAD_FUZZ_CHECK(f.index < (f.missing ? check.missing.size() : check.notes.size()));
    const std::vector<float>& residual = session.residual();
    PITKAD_FUZZ_CHECK(residual.size() == std::size_t(store.held_frames()) * cells_per_frame);
    for (float v : residual)
        PITKAD_FUZZ_CHECK(std::isfinite(v) && v >= empty_level);
    return 0;
}
