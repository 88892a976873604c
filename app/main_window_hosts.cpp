#include "app/main_window_hosts.h"

#include "app/file_choice.h"
#include "app/graph_widget.h"
#include "app/session_messages.h"
#include "app/status_texts.h"
#include "control/drawing_midi_player.h"
#include "drawing/draw_ops.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <cstdio>

namespace pitkad {

// --- Transport ------------------------------------------------------------

void MainWindow::Hosts::show_position(int position) {
    w_.strip->position_slider->setValue(position);
}
int MainWindow::Hosts::shown_position() const {
    return w_.strip->position_slider->value();
}
void MainWindow::Hosts::set_time_text(const QString& text) {
    w_.strip->set_time_text(text);
    w_.show_key_change(); // the time display is the play position while stopped
}
void MainWindow::Hosts::focus_time_display() {
    w_.strip->time_display->setFocus();
}
void MainWindow::Hosts::show_open_error(const PlaybackError& error) {
    w_.show_error(text_of(error));
}

bool MainWindow::Hosts::left_button_down_or_pressed() {
    const bool pressed = w_.left_pressed_latch_;
    w_.left_pressed_latch_ = false;
    return pressed || (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

bool MainWindow::Hosts::pen_midi_down() const {
    return w_.tools_ && w_.tools_->pen_midi_switch->isChecked();
}

void MainWindow::Hosts::drawing_midi_step(int g) {
    pitkad::drawing_midi_step(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

void MainWindow::Hosts::drawing_midi_sound_held(int g) {
    pitkad::drawing_midi_sound_held(g, w_.doc.drawing, w_.doc.store.frame_count, w_.doc.midi);
}

// --- Keys and skip controls ---------------------------------------------------

bool MainWindow::Hosts::action_enabled(TransportAction b) const {
    return w_.strip->button(b)->isEnabled();
}

void MainWindow::Hosts::click(TransportAction b) {
    void (MainWindow::*const handlers[])() = {
        &MainWindow::on_play,         &MainWindow::on_stop,      &MainWindow::on_pause,
        &MainWindow::on_skip_forward, &MainWindow::on_skip_back, &MainWindow::on_skip_back_short,
    };
    (w_.*handlers[int(b)])();
}

void MainWindow::Hosts::show_skip_amount(int which, int amount_ms, const QString& caption) {
    w_.skip_amounts[std::size_t(which)] = amount_ms;
    w_.strip->skip_button(which)->setText(caption);
}

void MainWindow::Hosts::set_scroll_caption(const QString& caption) {
    w_.strip->scroll_speed_button->setText(caption);
    w_.show_status_line();
}

// --- Mouse editor -----------------------------------------------------------

void MainWindow::Hosts::draw_note_labels_and_show() {
    if (w_.menus->left_labels_action->isEnabled()) w_.view_->draw_note_labels();
    w_.view_->show_graph();
}

void MainWindow::Hosts::set_clipboard_text(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// --- Drawing-tool window ----------------------------------------------------------

void MainWindow::Hosts::load_drawing() {
    w_.session().reload();
    w_.show_title();
}

// --- The open document ----------------------------------------------------------

void MainWindow::Hosts::tell(const SessionNotice& notice) {
    const QString message = session_message(notice);
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    w_.show_error(message);
}

// The Save As dialog, after the reason and the user's consent (given
// already when the user chose another name for a file changed on disk).
std::string MainWindow::Hosts::choose_other_drawing_file(const SessionNotice& why) {
    std::fprintf(stderr, "%s\n", session_message(why).toLocal8Bit().constData());
    if (why.issue != SessionIssue::drawing_changed_on_disk && !ask_save_elsewhere(&w_, why))
        return {};
    const QString chosen = choose_drawing_file(&w_, QFile::decodeName(why.path.c_str()));
    return QFile::encodeName(chosen).toStdString();
}

// --- Practice tools ----------------------------------------------------------------

void MainWindow::Hosts::practice_changed(bool marks_moved) {
    w_.practice_tools().show(w_.doc.practice, w_.doc.practice_loop);
    w_.show_status_line();
    if (marks_moved) w_.write_graph();
}

void MainWindow::Hosts::playing_from_here() {
    w_.strip->pause_button->setFocus();
}

} // namespace pitkad
