#include "app/main_window_hosts.h"

#include "app/app_texts.h"
#include "app/graph_widget.h"
#include "drawing/draw_ops.h"
#include "drawing/drawing_midi_player.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

namespace pitkad {

// --- Transport ------------------------------------------------------------

void TForm1::TransportSide::write_graph() { w_.write_graph(); }
void TForm1::TransportSide::write_line(int frame) { w_.view_->write_line(frame); }
void TForm1::TransportSide::set_transport_enabled(bool enabled) { w_.set_transport_enabled(enabled); }
void TForm1::TransportSide::set_trackbar3_position(int position) { w_.TrackBar3->setValue(position); }
int TForm1::TransportSide::trackbar3_position() const { return w_.TrackBar3->value(); }
void TForm1::TransportSide::set_time_text(const QString& text) { w_.StaticText1->setText(text); }
void TForm1::TransportSide::set_caption(const QString& text) {
    w_.show_closed_title(text);
}
void TForm1::TransportSide::focus_time_display() { w_.StaticText1->setFocus(); }
void TForm1::TransportSide::show_error(const QString& text) { w_.show_error(text); }

bool TForm1::TransportSide::left_button_down_or_pressed() {
    const bool pressed = w_.left_pressed_latch_;
    w_.left_pressed_latch_ = false;
    return pressed || (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

bool TForm1::TransportSide::pen_midi_down() const {
    return w_.form2_ && w_.form2_->PenMidiSwitch->isChecked();
}

void TForm1::TransportSide::drawing_midi_step(int g) {
    pitkad::drawing_midi_step(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

void TForm1::TransportSide::drawing_midi_sound_held(int g) {
    pitkad::drawing_midi_sound_held(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

// --- Keys and skip controls ---------------------------------------------------

QPushButton* TForm1::ControlsSide::button(TransportButton b) const {
    switch (b) {
    case TransportButton::PlayButton: return w_.PlayButton;
    case TransportButton::Stopbutton: return w_.Stopbutton;
    case TransportButton::PauseButton: return w_.PauseButton;
    case TransportButton::ForwardButton: return w_.ForwardButton;
    case TransportButton::BackButton1: return w_.BackButton1;
    case TransportButton::BackButton2: return w_.BackButton2;
    }
    return nullptr;
}

bool TForm1::ControlsSide::button_enabled(TransportButton b) const {
    const QPushButton* p = button(b);
    return p && p->isEnabled();
}

void TForm1::ControlsSide::click(TransportButton b) {
    switch (b) {
    case TransportButton::PlayButton: w_.PlayButtonClick(); break;
    case TransportButton::Stopbutton: w_.StopbuttonClick(); break;
    case TransportButton::PauseButton: w_.PauseButtonClick(); break;
    case TransportButton::ForwardButton: w_.ForwardButtonClick(); break;
    case TransportButton::BackButton1: w_.BackButton1Click(); break;
    case TransportButton::BackButton2: w_.BackButton2Click(); break;
    }
}

void TForm1::ControlsSide::select_delete() {
    if (w_.form2_) w_.form2_->SelectDelButtonClick();
}

bool TForm1::ControlsSide::tool_window_visible() const { return w_.form2_ && w_.form2_->isVisible(); }
bool TForm1::ControlsSide::line_show_down() const { return w_.tool_state().line_show; }

void TForm1::ControlsSide::toggle_mode_button(ModeButton b) {
    if (w_.form2_) w_.form2_->toggle_mode_key(int(b) + 1);
}

void TForm1::ControlsSide::reset_draw_select() {
    pitkad::reset_draw_select(w_.doc.drawing, w_.doc.store.frame_count);
}

void TForm1::ControlsSide::write_graph() { w_.write_graph(); }
PlayState TForm1::ControlsSide::play_state() const { return w_.play_state(); }
void TForm1::ControlsSide::replay_from_line() { w_.transport_->replay_from_line(); }

void TForm1::ControlsSide::set_skip_button(int which, int tag, const QString& caption) {
    QPushButton* buttons[] = {w_.ForwardButton, w_.BackButton1, w_.BackButton2};
    w_.skip_tag[std::size_t(which)] = tag;
    buttons[which]->setText(caption);
}

void TForm1::ControlsSide::set_scroll_caption(const QString& caption) {
    w_.ScrollButton->setText(caption);
}

// --- Mouse editor -----------------------------------------------------------

ToolState TForm1::EditorSide::tool_state() const { return w_.tool_state(); }
void TForm1::EditorSide::write_graph() { w_.write_graph(); }

void TForm1::EditorSide::draw_note_labels_and_show() {
    if (w_.ShowLeft->isEnabled()) w_.view_->draw_note_labels();
    w_.view_->show_graph();
}

void TForm1::EditorSide::write_line(int frame) { w_.view_->write_line(frame); }
int TForm1::EditorSide::player_position_ms() const { return w_.player_->position(); }
PlayState TForm1::EditorSide::play_state() const { return w_.play_state(); }
ViewState& TForm1::EditorSide::view_state() { return w_.doc.view; }
int TForm1::EditorSide::graph_width() const { return w_.view_->graph_bitmap.width(); }
MidiPort& TForm1::EditorSide::midi_port() { return w_.doc.midi; }

void TForm1::EditorSide::set_screen_pixel(int x, int y, Rgb colour) {
    w_.view_->set_screen_pixel(x, y, colour);
}

void TForm1::EditorSide::restore_screen_rect(int x, int y, int w, int h) {
    w_.view_->restore_screen_rect(QRect(x, y, w, h));
}

void TForm1::EditorSide::update_screen_rect(int x, int y, int w, int h) {
    w_.graph->update(QRect(x, y, w, h));
}

void TForm1::EditorSide::set_clipboard_text(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// --- Drawing-tool window ----------------------------------------------------------

void TForm1::ToolWindowSide::write_graph() { w_.write_graph(); }
void TForm1::ToolWindowSide::midi_off() { w_.doc.midi.midi_off(); }

void TForm1::ToolWindowSide::form_key_down(int key, Qt::KeyboardModifiers shift) {
    w_.FormKeyDown(key, shift & Qt::AltModifier);
}

PlayState TForm1::ToolWindowSide::play_state() const { return w_.play_state(); }
int TForm1::ToolWindowSide::frame_count() const { return w_.doc.store.frame_count; }

QString TForm1::ToolWindowSide::draw_file_name() const {
    return QString::fromStdString(w_.doc.draw_file);
}

void TForm1::ToolWindowSide::save_drawing_as() { w_.SaveDrawAs1Click(); }
void TForm1::ToolWindowSide::drawing_saved() { w_.drawing_saved(); }

void TForm1::ToolWindowSide::show_message(const QString& text) {
    QMessageBox::warning(w_.isVisible() ? static_cast<QWidget*>(&w_) : nullptr, texts::app_title,
                         tr_message(text));
}

bool TForm1::ToolWindowSide::confirm_drawing_saved() { return w_.confirm_drawing_saved(); }
void TForm1::ToolWindowSide::undo() { w_.UndoClick(); }
void TForm1::ToolWindowSide::redo() { w_.RedoClick(); }

} // namespace pitkad
