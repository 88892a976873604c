#pragma once
// The file menu's exports (MIDI, image, CSV) and the MIDI import: each asks
// its options and a file, then leaves the work to the drawing and view code.
// Also the meter and key that the MIDI export writes, and the suggestions
// from the sound (worked out on StoreWorkers).

#include "analysis/analysis_channel.h"
#include "drawing/draw_annotations.h"
#include "drawing/tool_state.h"
#include "view/graph_view.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

class QWidget;

namespace pitkad {

struct Document;
struct NoteSuggestions;
struct HarmonySuggestion;
class StoreWorkers;

// What the exchange commands need of the window.
class ExchangeHost {
  public:
    virtual ~ExchangeHost() = default;
    virtual ToolState tool_state() const = 0;
    virtual GraphParams graph_params() const = 0;
    virtual void write_graph() = 0;
    virtual void show_error(const QString& text) = 0;
    // The frame an edit at "the play position" acts on.
    virtual int edit_frame() const = 0;
    // The open recording and the part of it analysed (the note model reads
    // its sound).
    virtual std::filesystem::path recording_file() const = 0;
    virtual AnalysisChannel analysis_channel() const = 0;
};

class ExchangeCommands {
  public:
    // The dialogs are `parent`'s; a recording is open whenever one is run.
    // The suggestions and the key heard are computed on `workers`.
    ExchangeCommands(QWidget& parent, Document& doc, GraphView& view, ExchangeHost& host,
                     StoreWorkers& workers);

    void export_midi();
    void import_midi();
    void export_image();
    void export_csv();
    // Meter mark on a line mark (see meter_target_line); key signature.
    void set_meter();
    // The dialog shows once the key heard in the recording is known.
    void set_key();
    // The suggestions are computed on a worker and shown when they come (a
    // request while the same one is being computed is ignored).
    // Beats suggested from the sound: shown as dotted lines; accepted as
    // line marks of the current colour (within the loop when there is
    // one, else all), one undo step; or cleared.
    void suggest_beats();
    void accept_suggested_beats();
    void clear_suggested_beats();
    // Chords over the suggested beats (found first when there are none)
    // and the keys, shown above the graph and in the status bar; or cleared.
    void suggest_harmony();
    void clear_suggested_harmony();
    // Notes suggested from the sound: outlined on the graph; accepted into
    // the current colour (see accept_suggested_notes), one undo step; or
    // cleared.
    // Notes come from the note model when it is installed, else from the
    // analysis.
    void suggest_notes();
    void accept_suggested_notes();
    void clear_suggested_notes();

  private:
    // A save dialog starting at `default_name` beside the recording; empty
    // when cancelled.
    QString choose_save_file(const QString& default_name, const char* filter);
    // The chords and keys found, shown.
    void show_harmony(HarmonySuggestion found);
    // Notes from the analysis alone, on a worker; the notes found, shown.
    void suggest_notes_from_analysis();
    void show_suggested_notes(NoteSuggestions found);
    // The key dialog, `heard` offered.
    void ask_key(std::optional<KeySignature> heard);
    // Writes a whole file; false after showing the message when it fails.
    bool write_export(const QString& path, std::span<const std::uint8_t> bytes);

    QWidget& parent_;
    Document& doc_;
    GraphView& view_;
    ExchangeHost& host_;
    StoreWorkers& workers_;
};

} // namespace pitkad
