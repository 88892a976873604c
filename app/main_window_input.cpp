// The main window's transport buttons, keys and mouse: each hands the event to
// the controls that decide what it does.
#include "app/main_window.h"

#include "app/main_window_hosts.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QWindow>

namespace pitkad {

void MainWindow::on_play() {
    transport_->start_playback();
    practice_->apply_again(); // the loop, now that the player knows the rate
    strip->pause_button->setFocus();
}
void MainWindow::on_stop() {
    transport_->stop_playback();
    checks_->playback_stopped(); // the flags played, if they were, give the loop back
}
void MainWindow::show_skip_menu(int which, QPoint press_in_button) {
    // The application's filter sees presses on disabled buttons too.
    if (strip->skip_button(which)->isEnabled())
        strip->show_skip_menu(which, skip_amounts[std::size_t(which)], press_in_button);
}

void MainWindow::on_skip_amount_chosen(int which, int ms) {
    set_skip_amount(*hosts_, which, ms);
}

void MainWindow::change_scroll_speed() {
    const PlayState s = play_state();
    pitkad::change_scroll_speed(*hosts_, doc.view, s, cursor_shown(s) ? player_->position() : 0,
                                doc.store.frame_count);
}

// --- Keys and mouse -------------------------------------------------------------

bool MainWindow::handle_key(int key, bool alt, bool ctrl, bool shift) {
    // Behind a recording's first look lies the one still open: no key acts
    // on what cannot be seen (Esc abandons the open, below).
    if (area_->showing_early()) return false;
    return pitkad::handle_key(*hosts_, key, alt, ctrl, shift);
}

bool MainWindow::handle_practice_key(int key) {
    // Esc abandons an open under way, and does nothing else then.
    if (key == Qt::Key_Escape && opening()) {
        opener_->cancel();
        return true;
    }
    // Digits and signs typed into a number box of the panel are the box's.
    if (qobject_cast<QAbstractSpinBox*>(focusWidget()) || area_->showing_early()) return false;
    return practice_->run_key(key);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        // Key preview: the window sees each key once, at its window, before
        // the focused control, which gets it too. A key that ran an action
        // is kept from the position slider: its own paging would be a
        // second seek.
        if (watched == static_cast<QObject*>(windowHandle()) && isActiveWindow()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (handle_key(key->key(), key->modifiers() & Qt::AltModifier,
                           key->modifiers() & Qt::ControlModifier,
                           key->modifiers() & Qt::ShiftModifier) &&
                focusWidget() == strip->position_slider)
                return true;
            // A section or practice key that ran goes no further: Space
            // would also press a focused button, a sign or digit move a
            // slider. Keys typed into a number box of the panel are its own.
            if (!qobject_cast<QAbstractSpinBox*>(focusWidget()) && !area_->showing_early() &&
                sections_->run_key(key->key(), key->modifiers() & Qt::AltModifier,
                                   key->modifiers() & Qt::ControlModifier,
                                   key->modifiers() & Qt::ShiftModifier))
                return true;
            if (handle_practice_key(key->key())) return true;
        }
        break;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) left_pressed_latch_ = true;
        // The column pressed while stopped is where "play from here" starts.
        if (watched == graph && me->button() == Qt::LeftButton &&
            play_state() == PlayState::stopped)
            practice_->graph_click = {doc.view.x_to_frame(me->position().toPoint().x()),
                                      doc.view.first_frame};
        if (const int which = strip->skip_button_index(watched);
            which >= 0 && me->button() == Qt::RightButton)
            show_skip_menu(which, me->position().toPoint());
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::graph_mouse(GraphWidget::MouseEventKind kind, MouseButton button, MouseShift shift,
                             QPoint p) {
    bool redraw = false;
    switch (kind) {
    case GraphWidget::MouseEventKind::press: {
        editor_->press(button, shift, p.x(), p.y());
        PracticeDragZones z;
        z.recording_open = play_state() != PlayState::no_recording;
        z.mode = tool_state().mode;
        z.graph_width = view_->logical_width();
        const bool labels = menus->left_labels_action->isEnabled();
        z.left_labels = labels && menus->left_labels_action->isChecked();
        z.right_labels = labels && menus->right_labels_action->isChecked();
        redraw = practice_->drag_press(button, z, p.x(), p.y());
        // A left click on the rows with no drawing tool, while stopped,
        // places the play start (and redraws).
        if (button == MouseButton::left && z.mode == DrawMode::none && !practice_->dragging() &&
            doc.view.on_rows(p.y()) && transport_->place_start_mark(doc.view.x_to_frame(p.x())))
            redraw = false;
        break;
    }
    case GraphWidget::MouseEventKind::move:
        editor_->move(shift, p.x(), p.y());
        redraw = practice_->drag_move(p.x(), p.y()); // shows where it would go
        break;
    case GraphWidget::MouseEventKind::release:
        editor_->release(button, shift, p.x(), p.y());
        redraw = practice_->drag_release(button, p.x(), p.y());
        break;
    }
    if (redraw) write_graph();
    // In pen selection the pointer shows what a press takes hold of.
    switch (editor_->pointer_hold(p.x(), p.y())) {
    case PointerHold::note_end:
        graph->setCursor(Qt::SizeHorCursor);
        break;
    case PointerHold::selection:
        graph->setCursor(Qt::SizeAllCursor);
        break;
    case PointerHold::none:
        graph->unsetCursor();
        break;
    }
}

} // namespace pitkad
