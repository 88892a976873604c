#include "app/window_placement.h"

#include "control/settings_file.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

void restore_window_placement(QWidget& window, const Settings& s) {
    window.move(s.left, s.top);
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(window.frameGeometry());
    if (!visible) window.move(0, 0);
    if (s.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

int screen_height_of(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 768;
}

} // namespace pitkad
