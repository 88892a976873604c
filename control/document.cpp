#include "control/document.h"

#include <algorithm>
#include <utility>

#include "base/paths.h"
#include "drawing/draw_file.h"

namespace pitkad {

bool Document::start(std::unique_ptr<MidiBackend> backend) {
    load_tables();
    if (!midi.open(std::move(backend))) return false;
    channel_settings = MidiChannelSettings{};
    return true;
}

void Document::load_tables() {
    band_tables = build_band_tables();
    loudness_available = false;
    loudness_table = {};
    if (auto file = find_data_file("loudness.dat"); !file.empty()) {
        const LoudnessLoad load = load_loudness_table(file);
        if (load.ok) {
            loudness_table = load.table;
            loudness_available = true;
        }
    }
}

LoadResult Document::load_recording(const std::filesystem::path& wav, const ProgressFn& progress,
                                    int threads, bool use_cache, AnalysisChannel channel,
                                    AnalysisReference reference) {
    draw_file.clear();
    LoadResult r = load_or_analyse(wav, store, band_tables, progress, threads, use_cache, false, {},
                                   channel, reference);
    if (!r.ok) {
        store.reset(); // no part of a refused recording stays
        return r;
    }
    drawing.fit(store.frame_count);
    draw_file = draw_file_name(wav.string());
    as_analysed = true;
    return r;
}

void Document::adopt_recording(const std::filesystem::path& wav, SpectrogramStore&& staged) {
    take_levels(std::move(staged));
    draw_file = draw_file_name(wav.string());
    history.clear();
}

bool Document::take_reanalysis(SpectrogramStore&& staged) {
    // The drawing keeps records for frames 0 … frame_count: those past the
    // new length would be dropped.
    const auto kept = std::size_t(std::max(staged.frame_count + 1, draw_frames));
    const auto& d = drawing.draw_data;
    if (kept < d.size() &&
        std::any_of(d.begin() + std::ptrdiff_t(kept), d.end(),
                    [](const draw_frame& f) { return f != draw_frame{}; }))
        return false;
    take_levels(std::move(staged));
    return true;
}

void Document::take_levels(SpectrogramStore&& staged) {
    store = std::move(staged);
    as_analysed = true;
    tune_midi();
    // What was suggested came from the levels given up.
    suggested_beats = {};
    suggested_chords.clear();
    suggested_keys.clear();
    suggested_notes = {};
    drawing.fit(store.frame_count);
}

DrawFileRead Document::load_drawing() {
    if (draw_file.empty()) return {};
    DrawFileRead r = load_draw_data(draw_file, drawing, store.frame_count, channel_settings);
    if (!r.ok()) return r;
    midi.midi_off();
    midi.set_midi_program();
    history.clear();
    return r;
}

void Document::refresh(bool recording_open, bool correction_on) {
    corrected = recording_open && correction_on && loudness_available;
    const bool kept = std::exchange(as_analysed, false);
    if (!refresh_spectrogram(store, recording_open, corrected, loudness_table, kept)) return;
    as_analysed = !corrected;
}

void Document::show_as_displayed(SpectrogramStore& columns, bool correction_on) const {
    refresh_spectrogram(columns, true, correction_on && loudness_available, loudness_table, true);
}

const SpectrogramStore& Document::analysed_levels(std::optional<SpectrogramStore>& copy) const {
    if (!corrected) return store;
    refresh_spectrogram(copy.emplace(store), true, false, loudness_table);
    return *copy;
}

} // namespace pitkad
