// The suggestions over any levels (as a cache file may hold them): beats in
// order and inside the recording, downbeats among them, chords and keys as
// ordered spans with labels, notes inside the frames and bands, and JSON.
#include "analysis/note_suggestions.h"
#include "control/suggestions.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    if (size < 2) return 0;
    // The first two bytes give the length (up to 30 s), the rest the levels.
    const int frames = (data[0] | data[1] << 8) % 1500;
    const SpectrogramStore store = fuzz::levels_from(data + 2, size - 2, frames);

    Suggestions s;
    s.beats = suggest_beats(store);
    const BeatSuggestion& b = s.beats;
    PITKAD_FUZZ_CHECK(std::is_sorted(b.beats.begin(), b.beats.end()));
    PITKAD_FUZZ_CHECK(std::adjacent_find(b.beats.begin(), b.beats.end()) == b.beats.end());
    PITKAD_FUZZ_CHECK(b.beats.empty() || (b.beats.front() >= 0 && b.beats.back() < frames));
    for (int d : b.downbeats)
        PITKAD_FUZZ_CHECK(std::binary_search(b.beats.begin(), b.beats.end(), d));
    HarmonySuggestion h = suggest_harmony(store, b);
    for (const auto* spans : {&h.chords, &h.keys}) {
        int last = 0;
        for (const HarmonySpan& span : *spans) {
            PITKAD_FUZZ_CHECK(span.first >= last && span.first < span.end && span.end <= frames);
            PITKAD_FUZZ_CHECK(!span.label.empty());
            last = span.end;
        }
    }
    spell_harmony(h.chords, h.keys);
    s.chords = std::move(h.chords);
    s.keys = std::move(h.keys);
    s.notes = suggest_notes(store);
    for (const SuggestedNote& note : s.notes)
        PITKAD_FUZZ_CHECK(note.first >= 0 && note.first < note.end && note.end <= frames &&
                          note.band >= first_band && note.band <= last_band);
    PITKAD_FUZZ_CHECK(!suggestions_json(s).empty());
    return 0;
}
