#include "app/window_placement.h"

#include "control/settings_file.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pitkad {

void capture_window_placement(const QWidget& window, Settings& s) {
    const bool maximized = window.isMaximized();
    s.maximized = maximized;
    // Left and Top are where the frame goes (move() places the frame); the
    // normal geometry is the client area's, so shift it by the decoration.
    const QRect normal = maximized ? window.normalGeometry() : window.geometry();
    const QPoint decoration = window.geometry().topLeft() - window.frameGeometry().topLeft();
    store_window_placement(s, maximized, QRect(normal.topLeft() - decoration, normal.size()));
    s.width = normal.width() + frame_allowance;
}

QRect fit_to_screens(QRect frame, const QList<QRect>& screens) {
    if (screens.isEmpty()) return frame;
    auto overlap = [&frame](const QRect& screen) {
        const QRect common = screen.intersected(frame);
        return qint64(common.width()) * common.height();
    };
    const QRect* best = nullptr;
    for (const QRect& screen : screens)
        if (overlap(screen) > 0 && (!best || overlap(screen) > overlap(*best))) best = &screen;
    if (!best) {
        frame.moveTopLeft({0, 0});
        best = &screens.front();
        for (const QRect& screen : screens)
            if (screen.contains(0, 0)) best = &screen;
    }
    const QRect& area = *best;
    frame.setWidth(std::min(frame.width(), area.width()));
    const int left = std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width());
    const int top = frame.height() >= area.height()
                        ? area.top()
                        : std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height());
    frame.moveTopLeft({left, top});
    return frame;
}

QRect screen_area_of(const QRect& frame, const QList<QRect>& screens) {
    if (screens.isEmpty()) return frame;
    const QRect* best = &screens.front();
    qint64 most = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(frame);
        const qint64 overlap = qint64(common.width()) * common.height();
        if (overlap > most) {
            most = overlap;
            best = &screen;
        }
    }
    return *best;
}

QPoint place_beside(const QRect& main, const QSize& size, const QRect& screen) {
    // Kept on the screen along one axis; at its start when it is too large.
    auto on_screen = [](int at, int length, int lo, int hi_plus_one) {
        return std::max(std::min(at, hi_plus_one - length), lo);
    };
    const int top = on_screen(main.top(), size.height(), screen.top(), screen.bottom() + 1);
    const int left = on_screen(main.left(), size.width(), screen.left(), screen.right() + 1);
    const int room_right = screen.right() - main.right();
    const int room_left = main.left() - screen.left();
    const int room_below = screen.bottom() - main.bottom();
    const int room_above = main.top() - screen.top();
    if (room_right >= size.width()) return {main.right() + 1, top};
    if (room_left >= size.width()) return {main.left() - size.width(), top};
    if (room_below >= size.height()) return {left, main.bottom() + 1};
    if (room_above >= size.height()) return {left, main.top() - size.height()};
    const int x = room_right >= room_left ? screen.right() + 1 - size.width() : screen.left();
    return {std::max(x, screen.left()),
            on_screen(main.top() + 30, size.height(), screen.top(), screen.bottom() + 1)};
}

QList<QRect> available_screens() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

int fitted_width(const Settings& s) {
    // The client area must fit; the stored allowance for the frame is nominal.
    const int client = s.width - frame_allowance;
    return fit_to_screens(QRect(s.left, s.top, client, 1), available_screens()).width() +
           frame_allowance;
}

void restore_window_placement(QWidget& window, const Settings& s) {
    const QRect frame = window.frameGeometry();
    window.move(
        fit_to_screens(QRect(QPoint(s.left, s.top), frame.size()), available_screens()).topLeft());
    if (s.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

int screen_height_of(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 768;
}

} // namespace pitkad
