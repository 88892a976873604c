#pragma once
// The main window as its controllers see it: one small adapter per host
// interface, each forwarding to TForm1's controls and subsystems. They hold
// no state of their own.

#include "app/pitka_p1.h"

namespace pitkad {

class TForm1::TransportSide final : public TransportHost {
  public:
    explicit TransportSide(TForm1& w) : w_(w) {}
    void write_graph() override;
    void write_line(int frame) override;
    void set_transport_enabled(bool enabled) override;
    void set_trackbar3_position(int position) override;
    int trackbar3_position() const override;
    void set_time_text(const QString& text) override;
    void set_caption(const QString& text) override;
    void focus_time_display() override;
    void show_error(const QString& text) override;
    bool left_button_down_or_pressed() override;
    bool pen_midi_down() const override;
    void drawing_midi_step(int g) override;
    void drawing_midi_sound_held(int g) override;

  private:
    TForm1& w_;
};

class TForm1::ControlsSide final : public ControlsHost {
  public:
    explicit ControlsSide(TForm1& w) : w_(w) {}
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
    TForm1& w_;
};

class TForm1::EditorSide final : public EditorHost {
  public:
    explicit EditorSide(TForm1& w) : w_(w) {}
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
    TForm1& w_;
};

class TForm1::ToolWindowSide final : public Form2Host {
  public:
    explicit ToolWindowSide(TForm1& w) : w_(w) {}
    void write_graph() override;
    void midi_off() override;
    void form_key_down(int key, Qt::KeyboardModifiers shift) override;
    PlayState play_state() const override;
    int frame_count() const override;
    QString draw_file_name() const override;
    void show_message(const QString& text) override;
    void save_drawing_as() override;
    void drawing_saved() override;
    bool confirm_drawing_saved() override;
    void undo() override;
    void redo() override;

  private:
    TForm1& w_;
};

} // namespace pitkad
