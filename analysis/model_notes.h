#pragma once
// Notes read from the note model's posteriors (analysis/pitch_model.h): per
// model frame and piano key, how likely a note starts there (onset) and
// sounds there (note). A note starts where a key's onset rises through
// `onset_threshold`, lasts while its note posterior stays at or above
// `note_threshold` (gaps of up to `gap_frames` bridged) until the key's
// next onset, and is kept when at least `min_frames` long. The thresholds
// were chosen on the tuned evaluation set (docs/decisions/0018).

#include "analysis/note_suggestions.h"

#include <span>
#include <vector>

namespace pitkad {

struct ModelNoteRules {
    float onset_threshold = 0.6f;
    float note_threshold = 0.3f;
    int gap_frames = 2;
    int min_frames = 8; // 93 ms
};

// The model's posteriors, `keys` values per frame (MIDI 21 onwards), frame k
// centred at k × `frame_seconds` of the model's input.
struct KeyPosteriors {
    int frames = 0;
    int keys = 88;
    std::span<const float> onsets, notes;
    double frame_seconds = 256.0 / 22050.0;
};

// The notes in analysis frames of the recording (20 ms), in order of start,
// then band; keys outside the graph's rows are left out. `time_scale`
// takes the model's input time to the recording's (440 / reference when the
// input was tuned to 440 Hz); `frame_count` is the recording's.
std::vector<SuggestedNote> notes_from_posteriors(const KeyPosteriors& p, double time_scale,
                                                 int frame_count, ModelNoteRules rules = {});

} // namespace pitkad
