#pragma once
// The main window as its controllers see it: one small adapter per host
// interface, each forwarding to MainWindow's controls and subsystems. They hold
// no state of their own.

#include "app/main_window.h"

namespace pitkad {

class MainWindow::TransportSide final : public TransportHost {
  public:
    explicit TransportSide(MainWindow& w) : w_(w) {}
    void write_graph() override;
    void write_line(int frame) override;
    void set_transport_enabled(bool enabled) override;
    void set_position_slider(int position) override;
    int position_slider_value() const override;
    void set_time_text(const QString& text) override;
    void set_caption(const QString& text) override;
    void focus_time_display() override;
    void show_open_error(const PlaybackError& error) override;
    bool left_button_down_or_pressed() override;
    bool pen_midi_down() const override;
    void drawing_midi_step(int g) override;
    void drawing_midi_sound_held(int g) override;

  private:
    MainWindow& w_;
};

class MainWindow::ControlsSide final : public ControlsHost {
  public:
    explicit ControlsSide(MainWindow& w) : w_(w) {}
    bool button_enabled(TransportButton b) const override;
    void click(TransportButton b) override;
    void select_delete() override;
    bool tool_window_visible() const override;
    bool line_show_down() const override;
    void toggle_mode_button(ModeButton b) override;
    void reset_draw_select() override;
    void write_graph() override;
    PlayState play_state() const override;
    void replay_from_line() override;
    void set_skip_button(int which, int tag, const QString& caption) override;
    void set_scroll_caption(const QString& caption) override;

  private:
    QPushButton* button(TransportButton b) const;
    MainWindow& w_;
};

class MainWindow::EditorSide final : public EditorHost {
  public:
    explicit EditorSide(MainWindow& w) : w_(w) {}
    ToolState tool_state() const override;
    void write_graph() override;
    void draw_note_labels_and_show() override;
    void write_line(int frame) override;
    int player_position_ms() const override;
    PlayState play_state() const override;
    ViewState& view_state() override;
    int graph_width() const override;
    MidiPort& midi_port() override;
    void set_screen_pixel(int x, int y, Rgb colour) override;
    void restore_screen_rect(int x, int y, int w, int h) override;
    void update_screen_rect(int x, int y, int w, int h) override;
    void set_clipboard_text(const std::string& text) override;

  private:
    MainWindow& w_;
};

class MainWindow::ToolWindowSide final : public DrawingToolsHost {
  public:
    explicit ToolWindowSide(MainWindow& w) : w_(w) {}
    void write_graph() override;
    void midi_off() override;
    void form_key_down(int key, Qt::KeyboardModifiers shift) override;
    PlayState play_state() const override;
    int frame_count() const override;
    void save_drawing() override;
    void save_drawing_as() override;
    void load_drawing() override;
    void undo() override;
    void redo() override;

  private:
    MainWindow& w_;
};

// Questions about the open document in the window's own captions, and its
// notices as messages.
class MainWindow::SessionSide final : public SessionHost {
  public:
    explicit SessionSide(MainWindow& w) : w_(w) {}
    UnsavedAnswer ask_unsaved() override;
    RecoveryAnswer ask_restore() override;
    void tell(const SessionNotice& notice) override;
    void drawing_saved() override;

  private:
    MainWindow& w_;
};

// Drawings saved under another name, remembered in the settings file.
class MainWindow::DrawingFilesSide final : public DrawingFileMemory {
  public:
    explicit DrawingFilesSide(SettingsFile& file) : file_(file) {}
    std::string drawing_file_for(const std::string& recording) override;
    bool remember(const std::string& recording, const std::string& drawing_file) override;

  private:
    SettingsFile& file_;
};

class MainWindow::PracticeSide final : public PracticeHost {
  public:
    explicit PracticeSide(MainWindow& w) : w_(w) {}
    void practice_changed(bool marks_moved) override;
    void playing_from_here() override;

  private:
    MainWindow& w_;
};

class MainWindow::ExchangeSide final : public ExchangeHost {
  public:
    explicit ExchangeSide(MainWindow& w) : w_(w) {}
    ToolState tool_state() const override { return w_.tool_state(); }
    GraphParams graph_params() const override { return w_.graph_params(); }
    void write_graph() override { w_.write_graph(); }
    void show_error(const QString& text) override { w_.show_error(text); }

  private:
    MainWindow& w_;
};

} // namespace pitkad
