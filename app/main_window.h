#pragma once
// The main window. It holds the controls and the Document, and delegates:
// the renderer draws, the transport plays, the mouse editor edits, the
// drawing-tools window and the MIDI dialog hold their own controls. The
// controllers see the window through small host adapters
// (app/main_window_hosts.h). Handlers are named for what the user asked
// (on_…) and stay thin.

#include "app/check_commands.h"
#include "app/control_strip.h"
#include "app/drawing_tools_window.h"
#include "app/exchange_commands.h"
#include "app/graph_area.h"
#include "app/graph_widget.h"
#include "app/language.h"
#include "app/main_menus.h"
#include "app/navigation_widgets.h"
#include "app/open_commands.h"
#include "app/practice_tools.h"
#include "app/reference_commands.h"
#include "app/section_tools.h"
#include "app/start_options.h"
#include "app/store_workers.h"
#include "app/view_navigator.h"
#include "audio/audio_engine.h"
#include "audio/media_player.h"
#include "base/paths.h"
#include "control/document.h"
#include "control/document_session.h"
#include "control/edit_commands.h"
#include "control/keyboard_controls.h"
#include "control/mouse_editor.h"
#include "control/open_job.h"
#include "control/practice_controller.h"
#include "control/practice_drag.h"
#include "control/remembered_drawing_files.h"
#include "control/settings_file.h"
#include "control/transport.h"
#include "view/graph_view.h"
#include "view/view_state.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPainter;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTimer;
class QToolBar;
class QToolButton;
class QUrl;

namespace pitkad {

class AudioOutput;
class MidiSettingsDialog;
struct WindowArgs;

class MainWindow final : public QMainWindow {
  public:
    explicit MainWindow(StartOptions options = {});
    ~MainWindow() override;

    // The recording, its drawing, the view and the MIDI port, for the
    // program's life.
    Document doc;

    // --- The menu bar -----------------------------------------------------
    MainMenus* menus = nullptr;

    // --- Below the graph --------------------------------------------------
    ControlStrip* strip = nullptr;
    GraphWidget* graph = nullptr;
    // The status bar's line: what is in force (app/status_line.h).
    QLabel* status_label = nullptr;
    // Around the graph: the time ruler above, the scroll area that holds the
    // graph when its rows are taller than the screen has room for, and the
    // overview of the whole recording below.
    RulerWidget* ruler = nullptr;
    QScrollArea* graph_scroll = nullptr;
    OverviewWidget* overview = nullptr;
    // Skip amounts in signed ms: skip_forward_button, skip_back_button, skip_back_short_button.
    std::array<int, 3> skip_amounts{5000, -5000, -500};

    // --- Subsystems -----------------------------------------------------
    GraphView& graph_view() { return *view_; }
    Transport& transport() { return *transport_; }
    MediaPlayer& player() { return *player_; }
    MouseEditor& editor() { return *editor_; }
    // Cut, copy, paste and moves of the selection, and the clip.
    EditCommands& edits() { return *edits_; }
    // The practice tools' commands, and their menu and panel.
    PracticeController& practice() { return *practice_; }
    PracticeTools& practice_tools() { return *practice_tools_; }
    // The section markers' menu and keys, and the loops made of them.
    SectionTools& sections() { return *sections_; }
    DrawingToolsWindow* tools_window() { return tools_; }
    MidiSettingsDialog* midi_dialog() { return midi_dialog_; }

    // The wheel, zoom, Home and End, and the overview's seeks.
    ViewNavigator& navigator() { return *navigator_; }

    // The open dialog, drops, the recent list and the open under way.
    OpenCommands& opener() { return *opener_; }
    // The check menu's commands and the check of the drawing.
    CheckCommands& checks() { return *checks_; }
    // Called once the first screen of a recording being analysed is shown,
    // before its open ends (for measuring).
    std::function<void()> early_graph_shown;

    // --- Handlers -------------------------------------------------------
    void start_up(const StartOptions& options);
    void on_open();
    // Saves the drawing as the drawing-tool window's save button does.
    void on_save_drawing();
    // Asks for a file, saves the drawing there and remembers it for the
    // recording ([DrawingFiles]): it opens from there, and saves go there.
    void on_save_drawing_as();
    void on_undo() { step_history(true); }
    void on_redo() { step_history(false); }
    // The edit menu's cut, copy and paste of the drawing's selection. A
    // paste goes to the play position while playing or paused, else to the
    // play start when one is placed, else to the time display's frame.
    void on_cut();
    void on_copy();
    void on_paste();
    void on_save_settings();
    void on_loudness_toggled();
    void on_note_colours_toggled();
    void on_line_width_chosen(int n); // LineW4Click … LineW12Click
    void on_show_drawing_tools();
    void on_midi_settings();
    void on_support_page();
    // Shows every window in `language` at once; the menu's choice is also
    // kept in the settings file, a `--lang` one only for this run.
    void on_language_chosen(Language language);
    void set_language(Language language);
    Language language() const { return language_.current(); }
    void on_about();
    void on_play();
    void on_stop();
    void on_pause() { transport_->toggle_pause(); }
    void on_skip_forward() { transport_->seek_relative(skip_amounts[0]); }
    void on_skip_back() { transport_->seek_relative(skip_amounts[1]); }
    void on_skip_back_short() { transport_->seek_relative(skip_amounts[2]); }
    void show_skip_menu(int which, QPoint press_in_button);
    // Skip button `which` (0 … 2) gets the amount chosen in its popup.
    void on_skip_amount_chosen(int which, int ms);
    void change_scroll_speed();
    void on_resized();
    // The frame an edit at the play position acts on (paste, meter mark).
    int edit_frame() const;
    // True when the key ran an action of the key map.
    bool handle_key(int key, bool alt, bool ctrl = false, bool shift = false);

    // True when the key is a practice key and ran its command; such a key
    // goes no further. Keys typed into the panel's number boxes are theirs.
    bool handle_practice_key(int key);
    // The command line's file and practice settings: the file opens, then
    // the settings are put in force for this run.
    void open_from_command_line(const WindowArgs& args);

    // The open sequence for a file: it is read and analysed first, then an
    // unsaved drawing is asked about, then the recordings are swapped. False
    // when it was abandoned (a refusal's message has been shown); the open
    // recording is then as it was.
    bool open_recording(const QString& path);
    bool opening() const { return opener_->opening(); }
    // Applies line_width and the window width to the graph and the window.
    void layout_view() { layout_view_for(client_width_); }
    void layout_view_for(int requested_client_width);
    // Asks to save a changed drawing; false when the user cancels.
    bool confirm_drawing_saved() { return session_->settle_unsaved(); }

    // The open recording and its drawing file: open, save, recovery copy.
    DocumentSession& session() { return *session_; }
    // The recovery timer's tick (the session decides whether to write).
    void recovery_tick() { session_->recovery_tick(std::chrono::steady_clock::now()); }
    std::filesystem::path recovery_file() const { return session_->recovery_file(); }
    RecoveryWriter& recovery_writer() { return session_->recovery_writer(); }
    // The caption: the recording's name with "*" while its drawing has
    // unsaved changes. The full path is the window's file path and the tool
    // tip of the time display (a title bar has no tool tip).
    void show_title();
    // The caption while no recording is open: no name, path or mark.
    void show_closed_title(const QString& caption);
    // The note beside the time display (no sound device), cut with "…" to
    // the room it has; the full text is its tool tip.
    void set_audio_status(const QString& text);

    // Collects the settings from the controls / applies read settings.
    Settings current_settings() const;
    void apply_settings(const Settings& s);

    // --- What the controllers and the tests read of the window ---------
    PlayState play_state() const {
        return transport_ ? transport_->state() : PlayState::no_recording;
    }
    ToolState tool_state() const { return tools_ ? tools_->tool_state() : ToolState{}; }
    // Redraws the graph; the status line follows what the redraw shows.
    void write_graph();
    void show_status_line();
    // The six transport buttons and position_slider together.
    void set_transport_enabled(bool enabled);
    void show_error(const QString& text);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A local file dropped on the window opens as the open command's would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void connect_menus();
    // Takes a recording the opener staged, once an unsaved drawing has been
    // settled; false when the user kept the open one.
    bool adopt_recording(const std::filesystem::path& file, OpenJob::Outcome& staged);
    // The open recording analysed again: its levels replaced, the drawing,
    // undo history, playback and practice settings kept.
    bool take_reanalysis(const std::filesystem::path& file, OpenJob::Outcome& staged);
    // The graph, status, reference menu and check after the store changed.
    void show_new_levels();
    // The frames the graph shows from the start, and the first of them
    // drawn as they will be (levels as the graph shows them) over the view.
    int early_frames() const;
    void show_early_graph(std::vector<float>&& columns);
    // Undo (back) or redo of one step, then the programs if they changed and
    // the view.
    void step_history(bool back);
    // The edit menu's items and the tool window's buttons as the history allows.
    void show_history();
    void build_controls();
    GraphParams graph_params() const;
    // What the window's own picture is drawn with: the note labels are
    // painted over it as text (GraphArea), not into it.
    GraphParams screen_params() const;
    // The ruler, the overview's marks and the zoom caption after the view
    // may have moved.
    void show_view_place();
    // Height the graph may take on the screen, and the scroll bar's width
    // when its rows need more.
    int graph_room() const;
    int scroll_bar_width() const;
    void show_line_width_choice(int line_width);
    // A mouse event on the graph: the editor's, and the practice drags'.
    void graph_mouse(GraphWidget::MouseEventKind kind, MouseButton button, MouseShift shift,
                     QPoint p);
    void shut_down();
    // Puts the drawing-tool window where it was last, else beside this window.
    void place_tools_window();

    // The host adapter (app/main_window_hosts.h); it outlives everything
    // that calls it.
    class Hosts;
    std::unique_ptr<Hosts> hosts_;
    // The computations over the store off the UI thread; declared after
    // `doc`, so that they are waited for before it goes.
    std::unique_ptr<StoreWorkers> workers_;
    std::unique_ptr<ExchangeCommands> exchange_;
    OpenCommands* opener_ = nullptr;
    ReferenceCommands* references_ = nullptr;
    CheckCommands* checks_ = nullptr;
    // The settings file, read when the window is made; the session's
    // drawing files are remembered in it.
    SettingsFile settings_file_;
    RememberedDrawingFiles drawing_files_{settings_file_};
    // This window's recovery copies and the locks of its open recording.
    RecoverySession recovery_session_{user_cache_dir()};
    std::unique_ptr<DocumentSession> session_;

    // The sound card (or the silent stand-in), unless a test gave an output.
    PlaybackAudio playback_audio_;
    std::unique_ptr<AudioOutput> test_audio_;
    AudioOutput* audio_ = nullptr;
    std::unique_ptr<MediaPlayer> player_;
    std::unique_ptr<GraphView> view_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<MouseEditor> editor_;
    std::unique_ptr<EditCommands> edits_;
    std::unique_ptr<PracticeController> practice_;
    std::unique_ptr<ViewNavigator> navigator_;
    GraphArea* area_ = nullptr;
    int screen_height_ = 0;                   // the screen's height the window keeps within
    int client_width_ = initial_client_width; // the graph and its scroll bar, if any
    // The suggested key at the play position, as the status line shows it
    // ("G:maj"; empty for none).
    std::string key_at_play_position() const;
    std::string shown_key_;
    // The status line again when the play position has crossed a change
    // of the suggested key.
    void show_key_change();
    PracticeTools* practice_tools_ = nullptr;
    SectionTools* sections_ = nullptr;
    DrawingToolsWindow* tools_ = nullptr;
    MidiSettingsDialog* midi_dialog_ = nullptr;
    // The drawing-tool window's place from the settings, and whether it has
    // been shown in this run (then its own place counts).
    std::optional<QPoint> tools_place_;
    bool tools_shown_ = false;
    bool left_pressed_latch_ = false;
    bool closing_ = false;
    // The translators of the language in force; the settings file keeps the
    // menu's choice unless the window runs without it (tests).
    LanguageSwitch language_;
    bool uses_settings_file_ = true;
    // Sets again the texts that code composes (captions, statuses) after
    // the windows' fixed texts changed language.
    void show_composed_texts();
    std::function<bool(const QUrl&)> open_url_;

    QTimer* recovery_timer_ = nullptr;
    int recovery_interval_ms_ = 30000;
};

} // namespace pitkad
