#include "app/graph_widget.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace pitkad {

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    hint_timer_.setInterval(600);
    connect(&hint_timer_, &QTimer::timeout, this, [this] { refresh_hint(); });
}

void GraphWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    if (!content_ || content_->isNull()) {
        p.fillRect(r, Qt::black);
        return;
    }
    // Outside the picture (a moment during a resize) stays black.
    const int k = std::max(content_scale, 1);
    const QRect picture(0, 0, content_->width() / k, content_->height() / k);
    if (!picture.contains(r)) p.fillRect(r, Qt::black);
    // The picture's pixels are the screen's own: k of them to a window pixel.
    const QRect shown = r.intersected(picture);
    p.drawImage(QRectF(shown),
                *content_,
                QRectF(shown.x() * k, shown.y() * k, shown.width() * k, shown.height() * k));
    if (paint_over) paint_over(p, r);
}

void GraphWidget::wheelEvent(QWheelEvent* event) {
    if (on_wheel) on_wheel(*event, event->position().toPoint().x());
    event->accept();
}

void GraphWidget::hand_on(QMouseEvent* e, MouseEventKind kind) {
    const Qt::MouseButtons held = e->buttons();
    MouseShift shift;
    shift.ctrl = e->modifiers() & Qt::ControlModifier;
    shift.left = held & Qt::LeftButton;
    shift.right = held & Qt::RightButton;
    shift.middle = held & Qt::MiddleButton;
    MouseButton button = MouseButton::left;
    if (e->button() == Qt::RightButton)
        button = MouseButton::right;
    else if (e->button() == Qt::MiddleButton)
        button = MouseButton::middle;
    else if (kind != MouseEventKind::move && e->button() != Qt::LeftButton)
        return;
    if (on_mouse) on_mouse(kind, button, shift, e->position().toPoint());
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    hand_on(event, MouseEventKind::press);
}

void GraphWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is a second press, as far as the editor is concerned.
    hand_on(event, MouseEventKind::press);
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    hand_on(event, MouseEventKind::move);
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    hand_on(event, MouseEventKind::release);
}

bool GraphWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = hint_text ? hint_text(help->pos()) : QString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            hint_timer_.stop();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
            hint_timer_.start();
        }
        return true;
    }
    if (event->type() == QEvent::Leave) {
        hint_timer_.stop();
    }
    return QWidget::event(event);
}

void GraphWidget::refresh_hint() {
    if (!QToolTip::isVisible() || !underMouse()) {
        hint_timer_.stop();
        return;
    }
    const QPoint pos = mapFromGlobal(QCursor::pos());
    const QString text = hint_text ? hint_text(pos) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        hint_timer_.stop();
    } else {
        QToolTip::showText(QCursor::pos(), text, this);
    }
}

} // namespace pitkad
