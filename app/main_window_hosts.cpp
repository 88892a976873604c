#include "app/main_window_hosts.h"

#include "app/app_texts.h"
#include "app/drawing_texts.h"
#include "app/graph_widget.h"
#include "app/session_messages.h"
#include "app/status_texts.h"
#include "control/drawing_midi_player.h"
#include "drawing/draw_ops.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <cstdio>

namespace pitkad {

// --- Transport ------------------------------------------------------------

void MainWindow::TransportSide::write_graph() {
    w_.write_graph();
}
void MainWindow::TransportSide::write_line(int frame) {
    w_.view_->write_line(frame);
}
void MainWindow::TransportSide::set_transport_enabled(bool enabled) {
    w_.set_transport_enabled(enabled);
}
void MainWindow::TransportSide::set_position_slider(int position) {
    w_.strip->position_slider->setValue(position);
}
int MainWindow::TransportSide::position_slider_value() const {
    return w_.strip->position_slider->value();
}
void MainWindow::TransportSide::set_time_text(const QString& text) {
    w_.strip->time_display->setText(text);
}
void MainWindow::TransportSide::set_caption(const QString& text) {
    w_.show_closed_title(text);
}
void MainWindow::TransportSide::focus_time_display() {
    w_.strip->time_display->setFocus();
}
void MainWindow::TransportSide::show_open_error(const PlaybackError& error) {
    w_.show_error(text_of(error));
}

bool MainWindow::TransportSide::left_button_down_or_pressed() {
    const bool pressed = w_.left_pressed_latch_;
    w_.left_pressed_latch_ = false;
    return pressed || (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

bool MainWindow::TransportSide::pen_midi_down() const {
    return w_.tools_ && w_.tools_->pen_midi_switch->isChecked();
}

void MainWindow::TransportSide::drawing_midi_step(int g) {
    pitkad::drawing_midi_step(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

void MainWindow::TransportSide::drawing_midi_sound_held(int g) {
    pitkad::drawing_midi_sound_held(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

// --- Keys and skip controls ---------------------------------------------------

QPushButton* MainWindow::ControlsSide::button(TransportButton b) const {
    switch (b) {
    case TransportButton::play_button:
        return w_.strip->play_button;
    case TransportButton::stop_button:
        return w_.strip->stop_button;
    case TransportButton::pause_button:
        return w_.strip->pause_button;
    case TransportButton::skip_forward_button:
        return w_.strip->skip_forward_button;
    case TransportButton::skip_back_button:
        return w_.strip->skip_back_button;
    case TransportButton::skip_back_short_button:
        return w_.strip->skip_back_short_button;
    }
    return nullptr;
}

bool MainWindow::ControlsSide::button_enabled(TransportButton b) const {
    const QPushButton* p = button(b);
    return p && p->isEnabled();
}

void MainWindow::ControlsSide::click(TransportButton b) {
    switch (b) {
    case TransportButton::play_button:
        w_.on_play();
        break;
    case TransportButton::stop_button:
        w_.on_stop();
        break;
    case TransportButton::pause_button:
        w_.on_pause();
        break;
    case TransportButton::skip_forward_button:
        w_.on_skip_forward();
        break;
    case TransportButton::skip_back_button:
        w_.on_skip_back();
        break;
    case TransportButton::skip_back_short_button:
        w_.on_skip_back_short();
        break;
    }
}

void MainWindow::ControlsSide::select_delete() {
    if (w_.tools_) w_.tools_->on_delete_selection();
}

bool MainWindow::ControlsSide::tool_window_visible() const {
    return w_.tools_ && w_.tools_->isVisible();
}
bool MainWindow::ControlsSide::line_show_down() const {
    return w_.tool_state().line_show;
}

void MainWindow::ControlsSide::toggle_mode_button(ModeButton b) {
    if (w_.tools_) w_.tools_->toggle_mode_key(int(b) + 1);
}

void MainWindow::ControlsSide::reset_draw_select() {
    pitkad::reset_draw_select(w_.doc.drawing, w_.doc.store.frame_count);
}

void MainWindow::ControlsSide::write_graph() {
    w_.write_graph();
}
PlayState MainWindow::ControlsSide::play_state() const {
    return w_.play_state();
}
void MainWindow::ControlsSide::replay_from_line() {
    w_.transport_->replay_from_line();
}

void MainWindow::ControlsSide::set_skip_button(int which, int tag, const QString& caption) {
    QPushButton* buttons[] = {w_.strip->skip_forward_button, w_.strip->skip_back_button,
                              w_.strip->skip_back_short_button};
    w_.skip_amounts[std::size_t(which)] = tag;
    buttons[which]->setText(caption);
}

void MainWindow::ControlsSide::set_scroll_caption(const QString& caption) {
    w_.strip->scroll_speed_button->setText(caption);
}

// --- Mouse editor -----------------------------------------------------------

ToolState MainWindow::EditorSide::tool_state() const {
    return w_.tool_state();
}
void MainWindow::EditorSide::write_graph() {
    w_.write_graph();
}

void MainWindow::EditorSide::draw_note_labels_and_show() {
    if (w_.menus->left_labels_action->isEnabled()) w_.view_->draw_note_labels();
    w_.view_->show_graph();
}

void MainWindow::EditorSide::write_line(int frame) {
    w_.view_->write_line(frame);
}
int MainWindow::EditorSide::player_position_ms() const {
    return w_.player_->position();
}
PlayState MainWindow::EditorSide::play_state() const {
    return w_.play_state();
}
ViewState& MainWindow::EditorSide::view_state() {
    return w_.doc.view;
}
int MainWindow::EditorSide::graph_width() const {
    return w_.view_->graph_bitmap.width();
}
MidiPort& MainWindow::EditorSide::midi_port() {
    return w_.doc.midi;
}

void MainWindow::EditorSide::set_screen_pixel(int x, int y, Rgb colour) {
    w_.view_->set_screen_pixel(x, y, colour);
}

void MainWindow::EditorSide::restore_screen_rect(int x, int y, int w, int h) {
    w_.view_->restore_screen_rect(QRect(x, y, w, h));
}

void MainWindow::EditorSide::update_screen_rect(int x, int y, int w, int h) {
    w_.graph->update(QRect(x, y, w, h));
}

void MainWindow::EditorSide::set_clipboard_text(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// --- Drawing-tool window ----------------------------------------------------------

void MainWindow::ToolWindowSide::write_graph() {
    w_.write_graph();
}
void MainWindow::ToolWindowSide::midi_off() {
    w_.doc.midi.midi_off();
}

void MainWindow::ToolWindowSide::form_key_down(int key, Qt::KeyboardModifiers shift) {
    w_.handle_key(key, shift & Qt::AltModifier);
}

PlayState MainWindow::ToolWindowSide::play_state() const {
    return w_.play_state();
}
int MainWindow::ToolWindowSide::frame_count() const {
    return w_.doc.store.frame_count;
}

void MainWindow::ToolWindowSide::save_drawing() {
    w_.session().save();
}
void MainWindow::ToolWindowSide::save_drawing_as() {
    w_.on_save_drawing_as();
}
void MainWindow::ToolWindowSide::load_drawing() {
    w_.session().reload();
    w_.show_title();
}

void MainWindow::ToolWindowSide::undo() {
    w_.on_undo();
}
void MainWindow::ToolWindowSide::redo() {
    w_.on_redo();
}

// --- The open document ----------------------------------------------------------

UnsavedAnswer MainWindow::SessionSide::ask_unsaved() {
    switch (w_.ask_three_way(drawing_texts::unsaved_prompt, drawing_texts::unsaved_save,
                             drawing_texts::unsaved_discard, drawing_texts::unsaved_cancel)) {
    case ThreeWay::yes:
        return UnsavedAnswer::save;
    case ThreeWay::no:
        return UnsavedAnswer::discard;
    case ThreeWay::later:
        break;
    }
    return UnsavedAnswer::cancel;
}

RecoveryAnswer MainWindow::SessionSide::ask_restore() {
    switch (w_.ask_three_way(drawing_texts::recovery_prompt, drawing_texts::recovery_restore,
                             drawing_texts::recovery_discard, drawing_texts::recovery_later)) {
    case ThreeWay::yes:
        return RecoveryAnswer::restore;
    case ThreeWay::no:
        return RecoveryAnswer::discard;
    case ThreeWay::later:
        break;
    }
    return RecoveryAnswer::later;
}

void MainWindow::SessionSide::tell(const SessionNotice& notice) {
    const QString message = session_message(notice);
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    w_.show_error(message);
}

void MainWindow::SessionSide::drawing_saved() {
    w_.show_title();
}

std::string MainWindow::DrawingFilesSide::drawing_file_for(const std::string& recording) {
    return QFile::encodeName(file_.drawing_file_for(QFile::decodeName(recording.c_str())))
        .toStdString();
}

bool MainWindow::DrawingFilesSide::remember(const std::string& recording,
                                            const std::string& drawing_file) {
    return file_.set_drawing_file_for(QFile::decodeName(recording.c_str()),
                                      QFile::decodeName(drawing_file.c_str()));
}

// --- Practice tools ----------------------------------------------------------------

void MainWindow::PracticeSide::practice_changed(bool marks_moved) {
    w_.practice_tools().show(w_.doc.practice, w_.doc.practice_loop);
    if (marks_moved) w_.write_graph();
}

void MainWindow::PracticeSide::playing_from_here() {
    w_.strip->pause_button->setFocus();
}

} // namespace pitkad
