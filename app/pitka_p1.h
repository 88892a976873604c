#pragma once
// TForm1: the main window. It holds the controls and the Document, and
// delegates: the renderer draws, the transport plays, the mouse editor
// edits, the tool window and the MIDI dialog hold their own controls. The
// controllers see the window through small host adapters
// (app/main_window_hosts.h). Handlers carry the names of the window's events
// and stay thin.

#include "app/language.h"
#include "app/pitka_pdraw.h"
#include "audio/audio_engine.h"
#include "audio/media_player.h"
#include "control/document.h"
#include "control/keyboard_controls.h"
#include "control/mouse_editor.h"
#include "control/practice_controls.h"
#include "control/practice_drag.h"
#include "control/transport.h"
#include "drawing/recovery_copy.h"
#include "view/graph_view.h"
#include "view/view_state.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
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
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class QToolBar;
class QToolButton;
class QUrl;

namespace pitkad {

class AudioOutput;
class GraphWidget;
class TForm3;
struct Settings;
struct WindowArgs;

// What the program starts with; tests replace the devices and the screen.
struct StartOptions {
    // Audio output: null picks the sound card, or the silent clock without one.
    std::unique_ptr<AudioOutput> audio;
    // When the program started (times of the MIDI log).
    std::chrono::steady_clock::time_point program_start = std::chrono::steady_clock::now();
    // MIDI backend factory; empty picks the built-in synthesizer. Returning
    // null means no MIDI output.
    std::function<std::unique_ptr<MidiBackend>()> midi;
    // Screen height for the default line width; 0 asks the screen.
    int screen_height = 0;
    // Read the settings file at start-up.
    bool read_settings = true;
    // The language for this run (`--lang`); unset: the settings file's.
    std::optional<Language> language;
    // Analysis threads (0: every core).
    int threads = 0;
    // How often a recovery copy of a changed drawing is written, in ms; 0
    // takes PITKAD_RECOVERY_INTERVAL_MS from the environment, else 30 s.
    int recovery_interval_ms = 0;
    // Shows a page in the desktop's browser; false when none could be
    // started. Empty: QDesktopServices::openUrl.
    std::function<bool(const QUrl&)> open_url;
};

class TForm1 final : public QMainWindow {
  public:
    explicit TForm1(StartOptions options = {});
    ~TForm1() override;

    // The recording, its drawing, the view and the MIDI port, for the
    // program's life.
    Document doc;

    // --- Menus ---------------------------------------------------------
    QMenu *File1 = nullptr, *Show1 = nullptr, *LineW = nullptr, *Drawmenu = nullptr,
          *MIDIM1 = nullptr, *Help1 = nullptr;
    QAction *Open1 = nullptr, *Saveini = nullptr, *Exit1 = nullptr;
    // Exports and the MIDI import; enabled while a recording is open.
    QAction *ExportMidiItem = nullptr, *ImportMidiItem = nullptr, *ExportImageItem = nullptr,
            *ExportCsvItem = nullptr;
    // "名前を付けて保存": the drawing to a file of the user's choice.
    QAction* SaveDrawAs1 = nullptr;
    // "編集": undo and redo of the drawing, enabled while there is a step
    // to take back or to take again.
    QMenu* Edit1 = nullptr;
    QAction *UndoItem = nullptr, *RedoItem = nullptr;
    // "最近使ったファイル": one item per entry of recent_files, disabled
    // while the list is empty.
    QMenu* RecentMenu = nullptr;
    std::array<QAction*, 8> RecentItems{};
    QAction *Loudness = nullptr, *Groupingcolor = nullptr, *ShowLeft = nullptr,
            *ShowRight = nullptr, *ShowFrq = nullptr, *ShowNote = nullptr;
    std::array<QAction*, 13> LineWItems{}; // LineW4 … LineW12 at indices 4 … 12
    // "言語 / Language": 日本語 and English, one checked.
    QMenu* LanguageMenu = nullptr;
    std::array<QAction*, 2> LanguageItems{}; // in the order of Language
    QAction *Showtoolbar = nullptr, *MidiSetMenu = nullptr, *SupportPage = nullptr,
            *About1 = nullptr;
    // The practice tools' menu "再生".
    QMenu *PlayMenu = nullptr, *SpeedMenu = nullptr, *LoopPauseMenu = nullptr,
          *ChannelMenu = nullptr, *FocusMenu = nullptr, *EngineMenu = nullptr;
    QAction *PlayFromStartItem = nullptr, *StopItem = nullptr, *PauseItem = nullptr,
            *PlayHereItem = nullptr, *SlowerItem = nullptr, *FasterItem = nullptr,
            *NormalSpeedItem = nullptr, *TransposeDownItem = nullptr, *TransposeUpItem = nullptr,
            *ResetPitchItem = nullptr, *LoopStartItem = nullptr, *LoopEndItem = nullptr,
            *LoopLineItem = nullptr, *ClearLoopItem = nullptr, *ShowPracticeItem = nullptr;
    std::array<QAction*, speed_presets.size()> SpeedItems{};
    std::array<QAction*, loop_pause_presets.size()> LoopPauseItems{};
    std::array<QAction*, 5> ChannelItems{}; // in the order of ChannelMode
    std::array<QAction*, 3> FocusItems{};   // in the order of FocusPreset
    std::array<QAction*, 2> EngineItems{};  // in the order of StretchEngine

    // --- The practice panel (a tool bar above the graph) ----------------
    QToolBar* PracticeBar = nullptr;
    QSpinBox *SpeedEdit = nullptr, *TransposeEdit = nullptr, *CentsEdit = nullptr;
    QToolButton* SpeedPresetButton = nullptr;
    QComboBox *EngineBox = nullptr, *ChannelBox = nullptr, *LoopPauseBox = nullptr,
              *FocusBox = nullptr;
    QLabel* LoopText = nullptr;
    QPushButton *LoopStartButton = nullptr, *LoopEndButton = nullptr, *LoopLineButton = nullptr,
                *ClearLoopButton = nullptr;

    // --- Controls below the graph -------------------------------------
    QPushButton *PlayButton = nullptr, *Stopbutton = nullptr, *PauseButton = nullptr,
                *ForwardButton = nullptr, *BackButton1 = nullptr, *BackButton2 = nullptr,
                *ScrollButton = nullptr;
    QSlider *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar3 = nullptr;
    QLabel *StaticText1 = nullptr, *StaticText2 = nullptr, *StaticText3 = nullptr;
    QLabel* AudioStatus = nullptr; // says when no sound can be heard
    GraphWidget* graph = nullptr;
    // Skip amounts in signed ms: ForwardButton, BackButton1, BackButton2.
    std::array<int, 3> skip_tag{5000, -5000, -500};
    // Suppress-redraw flags of the two colour sliders (-1 during start-up).
    int TrackBar1Tag = -1, TrackBar2Tag = -1;

    QMenu* PopupMenu1 = nullptr;
    std::array<QAction*, 9> pop_items{}; // pop500 … pop50000
    int PopupMenu1Tag = 0;

    // --- Subsystems -----------------------------------------------------
    GraphView& graph_view() { return *view_; }
    Transport& transport() { return *transport_; }
    MediaPlayer& player() { return *player_; }
    MouseEditor& editor() { return *editor_; }
    TForm2* form2() { return form2_; }
    TForm3* form3() { return form3_; }

    // The file most recently chosen in the open dialog (for "DefaultDir").
    QString last_open_path;
    QString open_dialog_dir;
    // Files opened lately, the most recent first (the settings file's
    // [Recent] section).
    QStringList recent_files;

    // --- Handlers -------------------------------------------------------
    void FormCreate(const StartOptions& options);
    void Open1Click();
    // Asks for a file, saves the drawing there and remembers it for the
    // recording ([DrawingFiles]): it opens from there, and saves go there.
    void SaveDrawAs1Click();
    void RecentFileClick(int index);
    void UndoClick();
    void RedoClick();
    void SaveiniClick();
    // The exports and the import (app/pitka_p1_exchange.cpp): each asks its
    // options and a file, then hands the work to the drawing and view code.
    void ExportMidiClick();
    void ImportMidiClick();
    void ExportImageClick();
    void ExportCsvClick();
    void Exit1Click();
    void LoudnessClick();
    void GroupingcolorClick();
    void ShowLeftClick();
    void ShowRightClick();
    void LineWClick(int n); // LineW4Click … LineW12Click
    void ShowtoolbarClick();
    void MidiSetMenuClick();
    void SupportPageClick();
    // Shows every window in `language` at once; the menu's choice is also
    // kept in the settings file, a `--lang` one only for this run.
    void LanguageClick(Language language);
    void set_language(Language language);
    Language language() const { return language_.current(); }
    void About1Click();
    void PlayButtonClick();
    void StopbuttonClick();
    void PauseButtonClick();
    void ForwardButtonClick();
    void BackButton1Click();
    void BackButton2Click();
    void SkipButtonMouseDown(int which, QPoint press_in_button);
    void PopItemClick(int ms);
    void ScrollButtonClick();
    void TrackBar1Change();
    void TrackBar2Change();
    void FormResize();
    // True when the key ran an action of the key map.
    bool FormKeyDown(int key, bool alt);

    // The practice tools (menu, panel and keys).
    void PlayHereClick();
    void SpeedStepClick(int direction);
    void SpeedClick(int percent);
    void TransposeClick(int semitones); // to this transposition
    void CentsClick(int cents);
    void ResetPitchClick();
    void LoopStartClick();
    void LoopEndClick();
    void LoopLineClick();
    void ClearLoopClick();
    void LoopPauseClick(int ms);
    void ChannelClick(ChannelMode mode);
    void FocusClick(FocusPreset preset);
    void EngineClick(StretchEngine engine);
    void ShowPracticeClick();
    // True when the key is a practice key and ran its command; such a key
    // goes no further. Keys typed into the panel's number boxes are theirs.
    bool PracticeKeyDown(int key);
    // Every change of the practice settings goes through here: stored in
    // the document (the loop in milliseconds too), handed to the player,
    // shown in the menu and the panel.
    void set_practice(const PracticeSettings& settings, LoopMs loop);
    void set_practice(const PracticeSettings& settings) {
        set_practice(settings, doc.practice_loop);
    }
    // The command line's file and practice settings: the file opens, then
    // the settings are put in force for this run.
    void open_from_command_line(const WindowArgs& args);
    // Where the practice tools act: the player's position while the cursor
    // is shown, else the frame browsed to (in ms); -1 without a recording.
    int practice_position_ms() const;

    // Opens a file the user picked (open dialog, a drop, the recent list):
    // the dialog starts in its folder next time, whether or not it opens.
    bool open_chosen_file(const QString& path);
    // open_recording, then a file that opened goes to the top of the recent
    // list (also the file named on the command line).
    bool open_and_remember(const QString& path);
    // The open sequence for a chosen file: the file is read and analysed
    // first, then an unsaved drawing is asked about, then the recordings are
    // swapped. False when it was abandoned (a refusal's message has been
    // shown); the open recording is then as it was.
    bool open_recording(const QString& path);
    // Applies line_width and the window width to the graph and the window.
    void layout_view();
    void layout_view_for(int requested_client_width);
    // Asks to save a changed drawing; false when the user cancels.
    bool confirm_drawing_saved();
    // A question with a default answer, a second one and one that puts it
    // off (also Esc), in the window's own captions.
    enum class ThreeWay { yes, no, later };
    ThreeWay ask_three_way(std::string_view prompt, std::string_view yes, std::string_view no,
                           std::string_view later);

    // Crash recovery (drawing/recovery_copy.h). A timer calls recovery_tick:
    // while the drawing is changed it writes the copy at once after a save
    // or an open, and again every recovery interval. Saving, discarding and
    // a normal exit remove it.
    void recovery_tick();
    // The open recording's recovery copy; empty while none is open.
    std::filesystem::path recovery_file() const;
    RecoveryWriter& recovery_writer() { return recovery_writer_; }
    // The drawing was saved to its file: the recovery copy goes.
    void drawing_saved();
    // The caption: the recording's name with "*" while its drawing has
    // unsaved changes. The full path is the window's file path and the tool
    // tip of the time display (a title bar has no tool tip).
    void show_title();
    // The caption while no recording is open: no name, path or mark.
    void show_closed_title(const QString& caption);
    // The note beside the time display (no sound device), cut with "…" to
    // the room it has; the full text is its tool tip.
    void set_audio_status(const QString& text);
    // Where the manual in `language` is, as a URL (support page and About
    // box): found like the data files (app/manual_page.h).
    QUrl manual_url(Language language) const;

    // Collects the settings from the controls / applies read settings.
    Settings current_settings() const;
    void apply_settings(const Settings& s);

    // --- What the controllers and the tests read of the window ---------
    PlayState play_state() const;
    ToolState tool_state() const;
    void write_graph();
    // The six transport buttons and TrackBar3 together.
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
    void build_menus();
    // A save dialog starting at `default_name` beside the recording; empty
    // when cancelled.
    QString choose_save_file(const QString& default_name, const char* filter);
    // Writes a whole file; false after showing the message when it fails.
    bool write_export(const QString& path, std::span<const std::uint8_t> bytes);
    // Applies `change` to the recent list as the settings file holds it,
    // stores the result there and shows it.
    void update_recent_files(const std::function<QStringList(QStringList)>& change);
    void show_recent_files();
    // Undo (back) or redo of one step, then the programs if they changed and
    // the view.
    void step_history(bool back);
    // The edit menu's items and the tool window's buttons as the history allows.
    void show_history();
    void build_controls();
    void build_practice_menu();
    void build_practice_panel();
    // Menu checks and panel values from doc.practice.
    void show_practice();
    // The practice panel's height while it is shown.
    int practice_bar_height() const;
    void place_controls(int client_width);
    GraphParams graph_params() const;
    enum class MouseEventKind { press, move, release };
    void mouse_event(QMouseEvent* event, MouseEventKind kind);
    // The loop and focus drags on the graph, beside the editor's handling.
    void practice_mouse(MouseEventKind kind, MouseButton button, QPoint p);
    void FormClose();
    // At an open: a recovery copy newer than the drawing file is offered
    // (restore, discard, keep for later).
    void offer_recovery();
    void drop_recovery();

    // The host adapters (app/main_window_hosts.h); they outlive everything
    // that calls them.
    class TransportSide;
    class ControlsSide;
    class EditorSide;
    class ToolWindowSide;
    std::unique_ptr<TransportSide> transport_side_;
    std::unique_ptr<ControlsSide> controls_side_;
    std::unique_ptr<EditorSide> editor_side_;
    std::unique_ptr<ToolWindowSide> tool_window_side_;

    // The sound card (or the silent stand-in), unless a test gave an output.
    PlaybackAudio playback_audio_;
    std::unique_ptr<AudioOutput> test_audio_;
    AudioOutput* audio_ = nullptr;
    std::unique_ptr<MediaPlayer> player_;
    std::unique_ptr<GraphView> view_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<MouseEditor> editor_;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    QActionGroup* line_width_group_ = nullptr;
    bool left_pressed_latch_ = false;
    // The last left press on the graph while stopped (play from here).
    GraphClick graph_click_;
    bool showing_practice_ = false; // show_practice is setting the controls
    PracticeDrag practice_drag_;
    bool closing_ = false;
    int threads_ = 0;
    // The translators of the language in force; the settings file keeps the
    // menu's choice unless the window runs without it (tests).
    LanguageSwitch language_;
    bool uses_settings_file_ = true;
    // Sets again the texts that code composes (captions, statuses) after
    // the windows' fixed texts changed language.
    void show_composed_texts();
    std::function<bool(const QUrl&)> open_url_;

    // AudioStatus's whole text, before it is cut to fit.
    QString audio_status_text_;
    // The open recording's full path (the key of its drawing file and its
    // recovery copy).
    QString recording_path_;
    RecoveryWriter recovery_writer_;
    QTimer* recovery_timer_ = nullptr;
    int recovery_interval_ms_ = 30000;
    // A copy of this drawing's changes has been written since the last save.
    bool recovery_written_ = false;
    std::chrono::steady_clock::time_point recovery_written_at_{};
    // What was last written, so that an unchanged drawing is not rewritten.
    std::vector<std::uint8_t> recovery_bytes_;
    // The user kept an older copy for later: this session leaves it alone.
    bool recovery_kept_ = false;
};

} // namespace pitkad
