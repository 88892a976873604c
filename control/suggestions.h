#pragma once
// Suggestions from the sound of a recording, for the user to accept or
// ignore: its tuning, beats and bars, chords and keys. Reading the
// recording (any format the decoder takes, the analysis from its cache when
// there is one) and gathering the suggestions, without a window, and their
// JSON.

#include "analysis/analysis_channel.h"
#include "analysis/analysis_reference.h"
#include "analysis/open_status.h"
#include "analysis/beats.h"
#include "analysis/harmony.h"
#include "analysis/note_suggestions.h"
#include "analysis/tuning.h"
#include "base/progress.h"
#include "drawing/draw_data.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace pitkad {

struct Suggestions {
    TuningEstimate tuning;
    BeatSuggestion beats;             // frames
    std::vector<HarmonySpan> chords;  // over the beats
    std::vector<HarmonySpan> keys;
    std::vector<SuggestedNote> notes;
};

struct SuggestResult {
    bool ok = false;
    bool cancelled = false;             // the stop came first
    OpenStatus status = OpenStatus::ok; // why not, when !ok and not cancelled
    std::string detail;                 // the technical reason, or empty
    Suggestions suggestions;
};

// Reads `file` (its `channel`, as the analysis does) and estimates what it
// can, from its analysis at `reference` (the tuning estimated: at the
// recording's own).
SuggestResult suggest(const std::filesystem::path& file,
                      AnalysisChannel channel = AnalysisChannel::first,
                      ReferenceRequest reference = {}, const TaskControl& control = {});

// The tuning alone (suggestions.tuning), from the first ten minutes of the
// recording's `channel`.
SuggestResult estimate_tuning(const std::filesystem::path& file,
                              AnalysisChannel channel = AnalysisChannel::first,
                              const TaskControl& control = {});
// The reference of the estimated tuning; 440 Hz when there is none.
AnalysisReference reference_of(const TuningEstimate& tuning);

// Accepts the suggested beats in frames [first, end) that have no line mark
// yet as line marks of `colour` (1 … 16); returns how many were placed.
// Suggested frames past the drawing or the recording are left.
int accept_suggested_beats(DrawData& draw, const BeatSuggestion& suggested, int frame_count,
                           int first, int end, int colour);

// The key signature of a key label ("G:maj" → one sharp, "E:min" → one
// sharp, flats for D♭, A♭, E♭, B♭ and F major and their relative minors);
// none for any other label.
std::optional<KeySignature> key_signature_of(const std::string& label);
// The key heard longest in the recording, from `beats` (the suggested
// beats, found here when empty); none when the analysis tells none.
std::optional<KeySignature> predominant_key(const SpectrogramStore& store,
                                            const BeatSuggestion& beats);

// Chords over the beats, and keys over the same stretches.
struct HarmonySuggestion {
    std::vector<HarmonySpan> chords, keys;
};
// The harmony of the recording in `store`, beat by beat; the beats are
// found here when `beats` has none.
HarmonySuggestion suggest_harmony(const SpectrogramStore& store, const BeatSuggestion& beats);
// The span of `spans` (ascending, as suggested) that holds `frame`; null
// when none does.
const HarmonySpan* span_at(std::span<const HarmonySpan> spans, int frame);

// {"tuning": {"a4_hz": …, "cents": …}, "key": [{"start": s, "label": …}],
// "beats": [s, …], "downbeats": [s, …], "chords": [{"start": s, "end": s,
// "label": …}], "notes": [{"start": s, "end": s, "pitch": midi}]}, times in
// seconds of the recording. Without an estimate the tuning is null.
std::string suggestions_json(const Suggestions& s);

} // namespace pitkad
