#include "app/graph_widget.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

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
    if (!content_->rect().contains(r)) p.fillRect(r, Qt::black);
    p.drawImage(r.topLeft(), *content_, r);
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    if (on_mouse_press) on_mouse_press(event);
}

void GraphWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is a second press, as far as the editor is concerned.
    if (on_mouse_press) on_mouse_press(event);
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (on_mouse_move) on_mouse_move(event);
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (on_mouse_release) on_mouse_release(event);
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
