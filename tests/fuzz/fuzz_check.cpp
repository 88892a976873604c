// The transcription check over any drawing file and any levels: every drawn
// note gets one finding, flags point into the check, and what it lists and
// leaves stays inside the recording's frames and bands.
#include "control/transcription_check.h"
#include "tests/fuzz/fuzz_drawing_input.h"

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    // The recording kept short, so that a run stays quick; the drawing may
    // hold notes beyond it.
    static auto drawing = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    const int frames = fuzz::load_drawing(data, size, 400, *drawing, channels);
    if (frames < 0) return 0;

    // Levels the input shapes too.
    const SpectrogramStore store = fuzz::levels_from(data, size, frames);

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
