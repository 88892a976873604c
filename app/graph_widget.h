#pragma once
// The graph area of the main window. It owns no picture: it paints the
// invalid part of the renderer's window content and hands mouse and hint
// events to the main window.

#include "control/mouse_editor.h"

#include <QImage>
#include <QPainter>
#include <QWheelEvent>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace pitkad {

class GraphWidget : public QWidget {
  public:
    explicit GraphWidget(QWidget* parent = nullptr);

    // The picture shown; owned by the renderer, outlives this widget's use.
    void set_content(const QImage* content) { content_ = content; }
    // Pixels of the picture to one pixel of the widget (2 at 200 %).
    int content_scale = 1;

    // A press, move or release of the mouse on the graph: the button that
    // changed (left for a move), the buttons and Ctrl held, and where.
    // Presses and releases of other buttons are not handed on.
    enum class MouseEventKind { press, move, release };
    std::function<void(MouseEventKind, MouseButton, MouseShift, QPoint)> on_mouse;
    // Hint text for a pointer position in widget coordinates; empty: no hint.
    std::function<QString(QPoint)> hint_text;
    // A turn of the wheel over the graph, at that column.
    std::function<void(const QWheelEvent&, int x)> on_wheel;
    // Paints over the picture what is drawn at the screen's resolution (the
    // note labels), within the rectangle being repainted.
    std::function<void(QPainter&, const QRect&)> paint_over;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void hand_on(QMouseEvent* event, MouseEventKind kind);
    void refresh_hint();

    const QImage* content_ = nullptr;
    QTimer hint_timer_; // rebuilds a shown hint every 600 ms for the pointer's position
};

} // namespace pitkad
