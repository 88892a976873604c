#include "app/navigation_widgets.h"

#include "view/time_ruler.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace pitkad {

RulerWidget::RulerWidget(const ViewState& view, QWidget* parent) : QWidget(parent), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RulerWidget::invalidate_lines() {
    lines_valid_ = false;
    update();
}

void RulerWidget::paintEvent(QPaintEvent*) {
    if (!lines_valid_) {
        lines_ = count_lines ? count_lines() : std::vector<LineCount>{};
        lines_valid_ = true;
    }
    QPainter p(this);
    paint_time_ruler(p, rect(), view_, lines_);
}

OverviewWidget::OverviewWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void OverviewWidget::set_picture(QImage picture) {
    picture_ = std::move(picture);
    update();
}

void OverviewWidget::set_marks(const Marks& marks) {
    const bool same = marks.frame_count == marks_.frame_count &&
                      marks.first_frame == marks_.first_frame &&
                      marks.visible_frames == marks_.visible_frames &&
                      marks.loop_first == marks_.loop_first && marks.loop_end == marks_.loop_end &&
                      x_of(marks.position) == x_of(marks_.position);
    marks_ = marks;
    if (!same) update();
}

int OverviewWidget::x_of(int frame) const {
    if (marks_.frame_count <= 0) return 0;
    return int((long long)frame * width() / marks_.frame_count);
}

void OverviewWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(12, 12, 12));
    if (marks_.frame_count <= 0) return;
    if (!picture_.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), picture_);
    }
    const int h = height();
    if (marks_.loop_first >= 0 && marks_.loop_end > marks_.loop_first) {
        const int a = x_of(marks_.loop_first), b = std::max(x_of(marks_.loop_end), a + 1);
        p.fillRect(QRect(a, 0, b - a, h), QColor(80, 160, 255, 70));
        p.fillRect(QRect(a, h - 3, b - a, 3), QColor(80, 160, 255));
    }
    // The part on screen: lighter, framed.
    const int a = x_of(marks_.first_frame);
    const int b = std::max(x_of(marks_.first_frame + marks_.visible_frames), a + 2);
    p.fillRect(QRect(a, 0, b - a, h), QColor(255, 255, 255, 40));
    p.setPen(QColor(230, 230, 230));
    p.drawRect(QRect(a, 0, b - a - 1, h - 1));
    if (marks_.position >= 0) {
        p.setPen(QColor(255, 255, 255));
        const int x = x_of(marks_.position);
        p.drawLine(x, 0, x, h);
    }
}

void OverviewWidget::seek_to(int x) {
    if (marks_.frame_count <= 0 || width() <= 0 || !on_seek) return;
    x = std::clamp(x, 0, width() - 1);
    on_seek(int((long long)x * marks_.frame_count / width()));
}

void OverviewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) seek_to(event->position().toPoint().x());
}

void OverviewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) seek_to(event->position().toPoint().x());
}

} // namespace pitkad
