#pragma once
// The main window as its controllers see it: one adapter that answers every
// host interface by forwarding to MainWindow's controls and subsystems. It
// holds no state of its own; a call that several interfaces share (redraw,
// the play state) has one answer.

#include "app/main_window.h"
#include "app/session_messages.h"
#include "drawing/draw_ops.h"

namespace pitkad {

class MainWindow::Hosts final : public TransportHost,
                                public ControlsHost,
                                public EditorHost,
                                public DrawingToolsHost,
                                public SessionHost,
                                public PracticeHost,
                                public ExchangeHost {
  public:
    explicit Hosts(MainWindow& w) : w_(w) {}

    // Shared by several controllers.
    void write_graph() override { w_.write_graph(); }
    void write_line(int frame) override { w_.view_->write_line(frame); }
    PlayState play_state() const override { return w_.play_state(); }
    ToolState tool_state() const override { return w_.tool_state(); }
    void show_error(const QString& text) override { w_.show_error(text); }
    int edit_frame() const override { return w_.edit_frame(); }
    std::filesystem::path recording_file() const override {
        return std::filesystem::path(w_.session_->recording());
    }
    AnalysisChannel analysis_channel() const override { return w_.opener_->analysis_channel(); }

    // Transport.
    void set_transport_enabled(bool enabled) override { w_.set_transport_enabled(enabled); }
    void show_position(int position) override;
    int shown_position() const override;
    void set_time_text(const QString& text) override;
    void set_caption(const QString& text) override { w_.show_closed_title(text); }
    void focus_time_display() override;
    void show_open_error(const PlaybackError& error) override;
    bool left_button_down_or_pressed() override;
    bool pen_midi_down() const override;
    void drawing_midi_step(int g) override;
    void drawing_midi_sound_held(int g) override;

    // Keys and the skip controls.
    bool action_enabled(TransportAction b) const override;
    void click(TransportAction b) override;
    void select_delete() override {
        if (w_.tools_) w_.tools_->on_delete_selection();
    }
    bool tool_window_visible() const override { return w_.tools_ && w_.tools_->isVisible(); }
    bool lines_shown() const override { return w_.tool_state().line_show; }
    void toggle_tool_mode(ToolMode b) override {
        if (w_.tools_) w_.tools_->toggle_mode_key(int(b) + 1);
    }
    void reset_draw_select() override {
        pitkad::reset_draw_select(w_.doc.drawing, w_.doc.store.frame_count);
    }
    void replay_from_line() override { w_.transport_->replay_from_line(); }
    void move_selection(int dx, int dy, bool large) override {
        if (w_.edits_->nudge(w_.tool_state().mode, dx, dy, large)) w_.write_graph();
    }
    void show_skip_amount(int which, int amount_ms, const QString& caption) override;
    void set_scroll_caption(const QString& caption) override;

    // The mouse editor.
    void draw_note_labels_and_show() override;
    int player_position_ms() const override { return w_.player_->position(); }
    ViewState& view_state() override { return w_.doc.view; }
    int graph_width() const override { return w_.view_->logical_width(); }
    MidiPort& midi_port() override { return w_.doc.midi; }
    void set_screen_pixel(int x, int y, Rgb colour) override {
        w_.view_->set_screen_pixel(x, y, colour);
    }
    void restore_screen_rect(int x, int y, int w, int h) override {
        w_.view_->restore_screen_rect(QRect(x, y, w, h));
    }
    void update_screen_rect(int x, int y, int w, int h) override {
        w_.graph->update(QRect(x, y, w, h));
    }
    void set_clipboard_text(const std::string& text) override;
    std::span<const int> suggested_beats() const override {
        return w_.doc.suggested_beats.beats;
    }
    NoteSuggestions* suggested_notes() override { return &w_.doc.suggested_notes; }

    // The drawing-tool window.
    void midi_off() override { w_.doc.midi.midi_off(); }
    void key_down(int key, Qt::KeyboardModifiers shift) override {
        w_.handle_key(key, shift & Qt::AltModifier, shift & Qt::ControlModifier,
                      shift & Qt::ShiftModifier);
    }
    int frame_count() const override { return w_.doc.store.frame_count; }
    void save_drawing() override { w_.session().save(); }
    void save_drawing_as() override { w_.on_save_drawing_as(); }
    void load_drawing() override;
    void undo() override { w_.on_undo(); }
    void redo() override { w_.on_redo(); }

    // The open document: questions in the window's captions, notices as
    // messages.
    UnsavedAnswer ask_unsaved() override { return ask_unsaved_drawing(&w_); }
    RecoveryAnswer ask_restore() override { return ask_restore_drawing(&w_); }
    ChangedAnswer ask_changed_on_disk(const std::string& file) override {
        return ask_changed_drawing(&w_, file);
    }
    void tell(const SessionNotice& notice) override;
    std::string choose_other_drawing_file(const SessionNotice& why) override;
    void drawing_saved() override { w_.show_title(); }

    // The practice tools.
    void practice_changed(bool marks_moved) override;
    void playing_from_here() override;

    // Exports.
    GraphParams graph_params() const override { return w_.graph_params(); }

  private:
    MainWindow& w_;
};

} // namespace pitkad
