#pragma once
// The main window's menu bar: the file, edit, view, line width, drawing
// tools, MIDI and help menus. It holds the menus and their items; the
// window connects the items to its commands.

#include "analysis/analysis_channel.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;

namespace pitkad {

struct Settings;

class MainMenus final : public QObject {
  public:
    // The menus go into `window`'s menu bar, in order.
    explicit MainMenus(QMainWindow& window);

    // One item per file, the most recent first; the menu is disabled while
    // the list is empty. An item's tool tip is the file's full path.
    void show_recent_files(const QStringList& files);
    // The items that need an open recording.
    void set_recording_open(bool open);
    // The view menu's switches to and from the settings.
    void store_view_options(Settings& s) const;
    void apply_view_options(const Settings& s);
    // Checks the analysis channel's item of `channel`.
    void show_analysis_channel(AnalysisChannel channel);

    QMenu *file_menu = nullptr, *edit_menu = nullptr, *view_menu = nullptr,
          *line_width_menu = nullptr, *drawing_tools_menu = nullptr, *midi_menu = nullptr,
          *help_menu = nullptr, *recent_menu = nullptr, *language_menu = nullptr;
    // Open (Ctrl+O) and save the drawing (Ctrl+S, as the drawing-tool
    // window's save button does); saving waits for a recording.
    QAction *open_action = nullptr, *save_drawing_action = nullptr,
            *save_drawing_as_action = nullptr, *save_settings_action = nullptr,
            *exit_action = nullptr;
    // Exports and the MIDI import; enabled while a recording is open.
    QAction *export_midi_action = nullptr, *import_midi_action = nullptr,
            *export_image_action = nullptr, *export_csv_action = nullptr;
    // Enabled while there is a step to take back or to take again.
    QAction *undo_action = nullptr, *redo_action = nullptr;
    // Cut, copy and paste of the drawing's selection; enabled while a
    // recording is open.
    QAction *cut_action = nullptr, *copy_action = nullptr, *paste_action = nullptr;
    QAction *meter_action = nullptr, *key_action = nullptr;
    QAction *suggest_beats_action = nullptr, *accept_beats_action = nullptr,
            *clear_beats_action = nullptr;
    QAction *suggest_harmony_action = nullptr, *clear_harmony_action = nullptr;
    QAction *suggest_notes_action = nullptr, *accept_notes_action = nullptr,
            *clear_notes_action = nullptr;
    std::array<QAction*, 8> recent_actions{};
    QAction *loudness_action = nullptr, *note_colours_action = nullptr,
            *left_labels_action = nullptr, *right_labels_action = nullptr,
            *hint_frequency_action = nullptr, *hint_note_number_action = nullptr;
    // The time display in seconds alone instead of "position / length".
    QAction* time_in_seconds_action = nullptr;
    // The part of the recording analysed, in the order of AnalysisChannel;
    // enabled while a recording is open.
    QMenu* analysis_channel_menu = nullptr;
    std::array<QAction*, 3> analysis_channel_actions{};
    // Filled by the window's ReferenceCommands.
    QMenu* reference_menu = nullptr;
    std::array<QAction*, 13> line_width_actions{}; // widths 4 … 12 at their own indices
    std::array<QAction*, 2> language_actions{};    // in the order of Language
    // Zoom: time in and out, the whole recording, row heights, start and end.
    QMenu* zoom_menu = nullptr;
    // Filled by the window's CheckCommands.
    QMenu* check_menu = nullptr;
    QAction *zoom_in_action = nullptr, *zoom_out_action = nullptr, *fit_action = nullptr,
            *taller_rows_action = nullptr, *lower_rows_action = nullptr, *home_action = nullptr,
            *end_action = nullptr;
    QAction *show_drawing_tools_action = nullptr, *midi_settings_action = nullptr,
            *support_page_action = nullptr, *about_action = nullptr;

  private:
    void build_file_menu(QMenuBar* bar);
    void build_edit_menu(QMenuBar* bar);
    void build_view_menu(QMenuBar* bar);
    void build_zoom_menu(QMenuBar* bar);
    // Line width, drawing tools, MIDI and help.
    void build_other_menus(QMenuBar* bar);
};

} // namespace pitkad
