#include "control/keyboard_controls.h"

#include "control/playback_units.h"
#include "control/transport.h"
#include "view/view_state.h"

#include <Qt>

#include <algorithm>
#include <cstdlib>

namespace pitkad {

bool handle_key(ControlsHost& host, int key, bool alt, bool ctrl, bool shift) {
    auto click_if_enabled = [&](TransportAction b) {
        if (!host.action_enabled(b)) return false;
        host.click(b);
        return true;
    };
    auto toggle_mode = [&](ToolMode b) {
        if (!host.tool_window_visible()) return false;
        host.toggle_tool_mode(b);
        host.reset_draw_select();
        host.write_graph();
        return true;
    };
    if (ctrl && (key == Qt::Key_O || key == Qt::Key_S || key == Qt::Key_X || key == Qt::Key_C ||
                 key == Qt::Key_V))
        return false;
    if (alt) {
        const auto move = [&](int dx, int dy) {
            host.move_selection(dx, dy, shift);
            return true;
        };
        switch (key) {
        case Qt::Key_Left:
            return move(-1, 0);
        case Qt::Key_Right:
            return move(1, 0);
        case Qt::Key_Up:
            return move(0, 1);
        case Qt::Key_Down:
            return move(0, -1);
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Delete:
        host.select_delete();
        return true;
    case Qt::Key_P:
        return click_if_enabled(TransportAction::play);
    case Qt::Key_S:
        return click_if_enabled(TransportAction::stop);
    case Qt::Key_Escape:
        if (!cursor_shown(host.play_state())) return false;
        return click_if_enabled(TransportAction::pause);
    case Qt::Key_PageDown:
        return click_if_enabled(TransportAction::skip_forward);
    case Qt::Key_PageUp:
        return click_if_enabled(TransportAction::skip_back);
    case Qt::Key_B:
        return click_if_enabled(TransportAction::skip_back_short);
    case Qt::Key_V:
        if (alt || !host.lines_shown() || !cursor_shown(host.play_state())) return false;
        host.replay_from_line();
        return true;
    case Qt::Key_F1:
        return toggle_mode(ToolMode::pen_draw);
    case Qt::Key_F2:
        return toggle_mode(ToolMode::line_draw);
    case Qt::Key_F3:
        return toggle_mode(ToolMode::pen_select);
    case Qt::Key_F4:
        return toggle_mode(ToolMode::line_select);
    default:
        return false;
    }
}

int mark_skip_item(int ms) {
    const int a = std::abs(ms);
    for (std::size_t i = 0; i + 1 < skip_items.size(); ++i)
        if (skip_items[i].ms == a) return int(i);
    return int(skip_items.size()) - 1;
}

QString skip_amount_text(int ms) {
    if (ms == 500) return QStringLiteral("0.5");
    return QString::number(ms / 1000);
}

void set_skip_amount(ControlsHost& host, int which, int ms) {
    const QString amount = skip_amount_text(ms) + QLatin1String(seconds_suffix);
    if (which == 0)
        host.show_skip_amount(0, ms, QLatin1Char('+') + amount);
    else if (which == 1 || which == 2)
        host.show_skip_amount(which, -ms, QLatin1Char('-') + amount);
}

QPoint skip_popup_point(const QRect& button, const QPoint& press_in_button) {
    return {button.left() + press_in_button.x() + 10, button.top()};
}

QString scroll_caption(int scroll_speed) {
    return QString::number(scroll_speed * frames_per_second) +
           QLatin1String(pixel_per_second_suffix);
}

void change_scroll_speed(ControlsHost& host, ViewState& view, PlayState play_state, int position_ms,
                         int frame_count) {
    const std::int64_t old = view.zoom_in_force();
    if (view.zoom > 0) {
        // From a continuous zoom: the next preset above it, else the first.
        view.scroll_speed = 1;
        for (int s : {4, 2, 1})
            if (zoom_per_frame * s > old) view.scroll_speed = s;
        view.zoom = 0;
    } else {
        view.scroll_speed = view.scroll_speed * 2;
        if (view.scroll_speed > max_scroll_speed) view.scroll_speed = 1;
    }
    host.set_scroll_caption(scroll_caption(view.scroll_speed));
    if (cursor_shown(play_state)) {
        const int f = position_ms / frame_ms;
        const int shift =
            round_ties_even(double(std::int64_t(f - view.first_frame) * old) /
                            double(view.zoom_in_force()));
        view.first_frame = std::clamp(f - shift, 0, std::max(frame_count, 0));
    }
    host.write_graph();
}

} // namespace pitkad
