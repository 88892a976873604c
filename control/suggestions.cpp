#include "control/suggestions.h"

#include "analysis/band_tables.h"
#include "audio/recording_decoder.h"
#include "base/vector_state.h"
#include "control/model_note_suggestions.h"
#include "control/recording_loader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace pitkad {

namespace {

// The stretches chords and keys are judged over: from the start, beat by
// beat, to the end.
std::vector<int> beat_bounds(const SpectrogramStore& store, const std::vector<int>& beats) {
    std::vector<int> bounds{0};
    for (int b : beats)
        if (b > bounds.back()) bounds.push_back(b);
    if (store.frame_count > bounds.back()) bounds.push_back(store.frame_count);
    return bounds;
}

} // namespace

SuggestResult estimate_tuning(const std::filesystem::path& file, AnalysisChannel channel,
                              const TaskControl& control) {
    clear_upper_vector_state();
    SuggestResult result;
    OpenFailure refused;
    std::unique_ptr<RecordingDecoder> decoder = RecordingDecoder::open(file, refused, control.stop);
    if (control.stopping()) {
        result.cancelled = true;
        return result;
    }
    if (!decoder) {
        result.status = refused.status;
        result.detail = std::move(refused.detail);
        return result;
    }
    decoder->set_analysis_channel(channel);
    // The reading stops when the tuning has enough, or when asked to.
    std::stop_source enough;
    const std::stop_callback forward(control.stop, [&enough] { enough.request_stop(); });
    SampleStream samples(std::int64_t(recording_frame_limit + 1) * frame_step,
                         SampleStream::default_ahead, enough.get_token());
    DecodeOutcome decoded;
    auto decode = [&] {
        clear_upper_vector_state();
        decoded = decoder->run(&samples, false, false, enough.get_token());
    };
    std::thread reader;
    try {
        reader = std::thread(decode);
    } catch (const std::system_error&) {
        decode();
    }
    // The samples as they arrive, a piece at a time, until the estimate has
    // enough; the rest is only counted.
    TuningEstimator tuning;
    std::vector<float> piece(static_cast<std::size_t>(SampleStream::chunk_samples));
    for (std::int64_t at = 0; tuning.wants_more();) {
        const std::int64_t end = at + std::int64_t(piece.size());
        if (!samples.wait_for(end)) break;
        const std::int64_t n = std::min(end, samples.size()) - at;
        if (n <= 0) break;
        samples.copy(at, int(n), piece.data());
        tuning.add({piece.data(), std::size_t(n)});
        at += n;
        samples.release_before(at);
    }
    const bool had_enough = !tuning.wants_more();
    enough.request_stop();
    samples.close_reading();
    if (reader.joinable()) reader.join();
    if (control.stopping()) {
        result.cancelled = true;
        return result;
    }
    if (!decoded.ok && !had_enough) {
        result.status = decoded.status;
        result.detail = std::move(decoded.detail);
        return result;
    }
    result.ok = true;
    result.suggestions.tuning = tuning.result();
    return result;
}

AnalysisReference reference_of(const TuningEstimate& tuning) {
    if (!tuning.ok) return {};
    return AnalysisReference::from_hz(tuning.a4_hz).value_or(AnalysisReference{});
}

SuggestResult suggest(const std::filesystem::path& file, AnalysisChannel channel,
                      ReferenceRequest reference, const TaskControl& control) {
    // At a fixed reference the analysis, as the window has it, does not wait
    // for the tuning's estimate: the two read the file side by side, and the
    // kernel's tables are built once the decoding has begun (not at all for
    // a cached analysis). At the estimated one only the tables are built
    // meanwhile. The store's room is made by the open.
    std::optional<BandTables> tables;
    const TablesSource tables_source = tables_on_demand(tables);
    auto store = std::make_unique<SpectrogramStore>(std::vector<float>{});
    LoadResult loaded;
    bool analysed = false;
    const auto analyse = [&](AnalysisReference at) {
        loaded =
            load_or_analyse(file, *store, tables_source, {}, 0, true, false, control, channel, at);
        analysed = true;
    };
    const auto prepare = [&] {
        if (reference.estimate)
            tables_source();
        else
            analyse(reference.fixed);
    };
    std::thread beside;
    try {
        beside = std::thread(prepare);
    } catch (const std::system_error&) {
        prepare();
    }
    SuggestResult result = estimate_tuning(file, channel, control);
    if (beside.joinable()) beside.join();
    if (!result.ok) return result;
    result.ok = false;
    Suggestions& s = result.suggestions;
    if (!analysed) analyse(reference_of(s.tuning));
    if (loaded.cancelled) {
        result.cancelled = true;
        return result;
    }
    // An analysis that could not be cached is still an analysis.
    if (!loaded.ok && !loaded.cache_write_failed) {
        result.status = loaded.status;
        result.detail = loaded.detail;
        return result;
    }
    s.beats = suggest_beats(*store);
    const std::vector<int> bounds = beat_bounds(*store, s.beats.beats);
    s.chords = suggest_chords(*store, bounds);
    s.keys = suggest_keys(*store, bounds);
    spell_harmony(s.chords, s.keys);
    // The note model when it is installed and reads the recording; the
    // analysis's notes otherwise.
    ModelNotesResult by_model =
        suggest_notes_by_model(file, store->frame_count, channel, store->reference, control);
    if (by_model.outcome == ModelNotesResult::Outcome::cancelled) {
        result.cancelled = true;
        return result;
    }
    s.notes = by_model.outcome == ModelNotesResult::Outcome::notes ? std::move(by_model.notes)
                                                                   : suggest_notes(*store);
    result.ok = true;
    return result;
}

int accept_suggested_beats(DrawData& draw, const BeatSuggestion& suggested, int frame_count,
                           int first, int end, int colour) {
    const int last = std::min(frame_count, int(draw.draw_data.size()));
    int placed = 0;
    for (int f : suggested.beats) {
        if (f < first || f >= end || f < 0 || f >= last || draw[f].line_mark() != 0) continue;
        draw[f].line_mark() = std::uint8_t(std::clamp(colour, 1, 16));
        draw.modified = true;
        ++placed;
    }
    return placed;
}

std::optional<KeySignature> key_signature_of(const std::string& label) {
    const auto colon = label.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string root = label.substr(0, colon), quality = label.substr(colon + 1);
    if (quality != "maj" && quality != "min") return std::nullopt;
    const int tonic = pitch_class_of(root);
    if (tonic < 0) return std::nullopt;
    const bool minor = quality == "min";
    // The major key of the signature, then its place on the circle of
    // fifths: 0 … 6 sharps, or 1 … 5 flats.
    const int major = (tonic + (minor ? 3 : 0)) % 12;
    int fifths = major * 7 % 12;
    if (fifths > 6) fifths -= 12;
    return KeySignature{fifths, minor};
}

std::optional<KeySignature> predominant_key(const SpectrogramStore& store,
                                            const BeatSuggestion& beats) {
    const BeatSuggestion found = beats.beats.empty() ? suggest_beats(store) : BeatSuggestion{};
    const std::vector<int>& at = beats.beats.empty() ? found.beats : beats.beats;
    const std::vector<HarmonySpan> keys = suggest_keys(store, beat_bounds(store, at));
    std::map<std::string, int> heard;
    for (const HarmonySpan& k : keys)
        heard[k.label] += k.end - k.first;
    const auto longest =
        std::max_element(heard.begin(), heard.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return longest == heard.end() ? std::nullopt : key_signature_of(longest->first);
}

HarmonySuggestion suggest_harmony(const SpectrogramStore& store, const BeatSuggestion& beats) {
    clear_upper_vector_state();
    const BeatSuggestion found = beats.beats.empty() ? suggest_beats(store) : BeatSuggestion{};
    const std::vector<int> bounds =
        beat_bounds(store, beats.beats.empty() ? found.beats : beats.beats);
    HarmonySuggestion h{suggest_chords(store, bounds), suggest_keys(store, bounds)};
    spell_harmony(h.chords, h.keys);
    return h;
}

const HarmonySpan* span_at(std::span<const HarmonySpan> spans, int frame) {
    const auto after = std::upper_bound(spans.begin(), spans.end(), frame,
                                        [](int f, const HarmonySpan& s) { return f < s.first; });
    if (after == spans.begin()) return nullptr;
    const HarmonySpan& s = *(after - 1);
    return frame < s.end ? &s : nullptr;
}

std::string suggestions_json(const Suggestions& s) {
    QJsonObject root;
    if (s.tuning.ok) {
        // A tenth of a hertz and of a cent: finer than the estimate is.
        auto tenth = [](double v) { return std::round(v * 10.0) / 10.0; };
        root["tuning"] =
            QJsonObject{{"a4_hz", tenth(s.tuning.a4_hz)}, {"cents", tenth(s.tuning.cents)}};
    } else {
        root["tuning"] = QJsonValue::Null;
    }
    auto seconds = [](int frame) { return frame * (frame_ms / 1000.0); };
    auto times = [&](const std::vector<int>& frames) {
        QJsonArray a;
        for (int f : frames)
            a.append(seconds(f));
        return a;
    };
    root["beats"] = times(s.beats.beats);
    root["downbeats"] = times(s.beats.downbeats);
    QJsonArray chords, keys;
    for (const HarmonySpan& c : s.chords)
        chords.append(QJsonObject{{"start", seconds(c.first)},
                                  {"end", seconds(c.end)},
                                  {"label", QString::fromStdString(c.label)}});
    for (const HarmonySpan& k : s.keys)
        keys.append(
            QJsonObject{{"start", seconds(k.first)}, {"label", QString::fromStdString(k.label)}});
    root["chords"] = chords;
    root["key"] = keys;
    QJsonArray notes;
    for (const SuggestedNote& n : s.notes)
        notes.append(QJsonObject{{"start", seconds(n.first)},
                                 {"end", seconds(n.end)},
                                 {"pitch", n.band + band_note_offset}});
    root["notes"] = notes;
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace pitkad
