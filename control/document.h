#pragma once
// The open recording and everything made from it: the analysis store, the
// drawing with its MIDI channel settings, what the graph shows, the MIDI
// port, and the band and loudness tables. One Document lives as long as the
// main window; the command lines and tests make their own without a window.
// UI thread only.

#include "analysis/analyse_wav.h"
#include "analysis/band_tables.h"
#include "analysis/beats.h"
#include "analysis/harmony.h"
#include "analysis/loudness.h"
#include "analysis/spectrogram_store.h"
#include "audio/practice.h"
#include "control/practice_controls.h"
#include "control/recording_loader.h"
#include "control/suggested_notes.h"
#include "drawing/draw_data.h"
#include "drawing/draw_file.h"
#include "drawing/draw_history.h"
#include "midi/channel_settings.h"
#include "midi/midi_port.h"
#include "view/view_state.h"

#include <filesystem>
#include <optional>
#include <string>

namespace pitkad {

struct Document {
    SpectrogramStore store;
    DrawData drawing;
    // Undo and redo of the drawing and its channel settings; opening a
    // recording or a drawing file clears it.
    DrawHistory history;
    // Beats and bars suggested from the sound, shown until accepted or
    // cleared; opening a recording clears them.
    BeatSuggestion suggested_beats;
    // Chords and keys suggested from the sound (frames), shown above the
    // graph and in the status bar until cleared; opening a recording clears
    // them.
    std::vector<HarmonySpan> suggested_chords, suggested_keys;
    // Notes suggested from the sound, likewise.
    NoteSuggestions suggested_notes;
    ViewState view;
    // The programs, velocities and read-ahead the drawing plays with; the
    // port below reads them, so they are declared (and live) before it.
    MidiChannelSettings channel_settings;
    // The device: open or not, the notes sounding, the transposition.
    MidiPort midi{channel_settings};
    BandTables band_tables;
    LoudnessTable loudness_table{};
    // loudness.dat was read: the correction may be switched on.
    bool loudness_available = false;
    // The store holds the loudness correction (the display's weighting).
    bool corrected = false;
    // The store holds its analysed columns as they are kept (just opened, or
    // refreshed without the correction): a refresh need not read them back,
    // which for a long recording means reading its cache file again.
    bool as_analysed = false;
    // The open recording's drawing file; empty while none is open.
    std::string draw_file;
    // The practice tools' settings: what the player is told. The loop and
    // the focus belong to the open recording and are cleared at an open.
    PracticeSettings practice;
    // The loop as set, in the recording's milliseconds; practice.loop is
    // made from it at the recording's sample rate once that is known.
    LoopMs practice_loop;

    // Builds the band tables and reads loudness.dat from the data folders.
    void load_tables();
    // The program's start: the tables, then the MIDI port on `backend`. An
    // opened port starts from program 0 and full volume on every channel
    // and no read-ahead (the settings then set channel 0). False when no
    // MIDI output could be opened.
    bool start(std::unique_ptr<MidiBackend> backend);

    // The analysis steps of the open sequence: a valid cache, or analysis
    // and caching. On success the drawing file name is set; on failure it is
    // empty and the store reset. `channel` is the part of the recording
    // analysed, `reference` the pitch of its A4.
    LoadResult load_recording(const std::filesystem::path& wav, const ProgressFn& progress,
                              int threads, bool use_cache = true,
                              AnalysisChannel channel = AnalysisChannel::first,
                              AnalysisReference reference = {});

    // Tunes the MIDI sounds to the recording as it is heard: its reference
    // pitch, shifted by the practice cents.
    void tune_midi() { midi.set_fine_tune(reference_cents(store.reference) + practice.cents); }

    // Makes a recording staged by an OpenJob the open one; the caller has
    // reset the old one.
    void adopt_recording(const std::filesystem::path& wav, SpectrogramStore&& staged);
    // The open recording analysed again (another channel or reference
    // pitch): its levels, and what was suggested from them, are replaced;
    // the drawing, its file and its undo history stay. False, and nothing
    // taken, when the new analysis is shorter than what is drawn.
    bool take_reanalysis(SpectrogramStore&& staged);

    // Reads the drawing file of the open recording into the drawing and the
    // channel settings, cut or padded to the recording, silences the port
    // and sends the programs; nothing changes unless the result is ok.
    // Absent when no recording is open.
    DrawFileRead load_drawing();

    // The displayed spectrogram from the store, with the loudness correction
    // when `correction_on` and the table was read.
    void refresh(bool recording_open, bool correction_on);
    // Columns of a recording not yet adopted (a first look at it) as the
    // display would show them: corrected likewise, normalised to their peak.
    void show_as_displayed(SpectrogramStore& columns, bool correction_on) const;

    // The levels as analysed, without the display's loudness correction:
    // what the suggestions and the check judge the sound by, as the command
    // line does (their thresholds are set on these levels). The store
    // itself while it holds no correction; else `copy`, made here.
    const SpectrogramStore& analysed_levels(std::optional<SpectrogramStore>& copy) const;

  private:
    // The store from `staged`, the drawing fitted to it, what was suggested
    // from the store before cleared.
    void take_levels(SpectrogramStore&& staged);
};

} // namespace pitkad
