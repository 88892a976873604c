#include "app/view_navigator.h"

#include "app/main_menus.h"
#include "audio/media_player.h"
#include "control/playback_units.h"
#include "control/view_navigation.h"

#include <QAction>
#include <QWheelEvent>

#include <algorithm>

namespace pitkad {

ViewNavigator::ViewNavigator(Document& doc, Transport& transport, MediaPlayer& player, Hooks hooks)
    : doc_(doc), transport_(transport), player_(player), hooks_(std::move(hooks)) {}

void ViewNavigator::connect_menu(const MainMenus& menus, QObject& context) {
    const std::pair<QAction*, std::function<void()>> items[] = {
        {menus.zoom_in_action, [this] { zoom_in(); }},
        {menus.zoom_out_action, [this] { zoom_out(); }},
        {menus.fit_action, [this] { fit_whole(); }},
        {menus.taller_rows_action, [this] { rows_by(1); }},
        {menus.lower_rows_action, [this] { rows_by(-1); }},
        {menus.home_action, [this] { go_home(); }},
        {menus.end_action, [this] { go_end(); }},
    };
    for (const auto& [action, run] : items) QObject::connect(action, &QAction::triggered, &context, run);
}

void ViewNavigator::wheel(const QWheelEvent& e, int x) {
    if (transport_.state() == PlayState::no_recording) return;
    // Shift turns some wheels sideways: whichever way it turned counts.
    const QPoint angle = e.angleDelta();
    wheel_rest_ += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = wheel_rest_ / 120;
    if (notches == 0) return;
    wheel_rest_ -= notches * 120;
    const bool ctrl = e.modifiers() & Qt::ControlModifier;
    const bool shift = e.modifiers() & Qt::ShiftModifier;
    if (ctrl && shift) {
        rows_by(notches);
    } else if (ctrl) {
        zoom_by(std::pow(1.25, notches), x);
    } else if (shift) {
        if (hooks_.scroll_pitch) hooks_.scroll_pitch(-notches * 3 * doc_.view.line_width);
    } else {
        // Turning towards you goes on in time, an eighth of the view a notch:
        // stopped, the view and its play start; otherwise the play position.
        transport_.seek_relative(wheel_scroll_ms(doc_.view, hooks_.graph_width(), -notches));
        changed();
    }
}

int ViewNavigator::anchor_column() const {
    if (!cursor_shown(transport_.state())) return 0;
    const int x = doc_.view.frame_to_x(player_.position() / frame_ms);
    return std::clamp(x, 0, std::max(hooks_.graph_width() - 1, 0));
}

void ViewNavigator::zoom_by(double factor, int anchor_x) {
    if (transport_.state() == PlayState::no_recording) return;
    zoom_time(doc_.view, factor, anchor_x, doc_.store.frame_count, hooks_.graph_width());
    show_zoom();
}

void ViewNavigator::fit_whole() {
    if (transport_.state() == PlayState::no_recording) return;
    fit_whole_recording(doc_.view, doc_.store.frame_count, hooks_.graph_width());
    show_zoom();
}

void ViewNavigator::show_zoom() {
    if (transport_.state() == PlayState::stopped)
        transport_.seek_relative(0); // the play start follows the view
    else
        hooks_.redraw();
    changed();
}

void ViewNavigator::rows_by(int steps) {
    const int h = stepped_row_height(doc_.view.line_width, steps);
    if (h == doc_.view.line_width) return;
    doc_.view.line_width = h;
    hooks_.relayout();
    changed();
}

void ViewNavigator::move_to(int first) {
    const PlayState s = transport_.state();
    if (s == PlayState::stopped)
        transport_.seek_relative((first - doc_.view.first_frame) * frame_ms);
    else if (cursor_shown(s))
        transport_.seek_relative(first * frame_ms - player_.position());
}

void ViewNavigator::go_to(int frame) {
    if (transport_.state() == PlayState::no_recording) return;
    move_to(frame);
    // A play start placed earlier goes with it.
    if (transport_.start_mark() >= 0) transport_.place_start_mark(frame);
    changed();
}

void ViewNavigator::go_end() {
    if (transport_.state() == PlayState::no_recording) return;
    const int last = last_page_frame(doc_.view, doc_.store.frame_count, hooks_.graph_width());
    move_to(last);
    if (transport_.start_mark() >= 0) transport_.place_start_mark(last);
    changed();
}

void ViewNavigator::show_frame(int frame) {
    if (transport_.state() == PlayState::no_recording) return;
    frame = std::clamp(frame, 0, std::max(doc_.store.frame_count - 1, 0));
    move_to(frame);
    // Stopped, the play start goes there too, marked.
    if (transport_.state() == PlayState::stopped) transport_.place_start_mark(frame);
    changed();
}

void ViewNavigator::changed() {
    if (hooks_.view_moved) hooks_.view_moved();
}

} // namespace pitkad
