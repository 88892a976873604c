#include "app/navigation_widgets.h"

#include "view/chord_lane.h"
#include "view/time_ruler.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace pitkad {

RulerWidget::RulerWidget(const ViewState& view, QWidget* parent) : QWidget(parent), view_(&view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the pointer shows where a flag can be taken
}

std::span<const SectionMarker> RulerWidget::current_markers() const {
    return markers ? markers() : std::span<const SectionMarker>{};
}

int RulerWidget::marker_at(int x) const {
    const QFontMetrics names(ruler_font());
    const auto flags = ruler_flags(*view_, current_markers(), width(), [&](const std::string& s) {
        return names.horizontalAdvance(QString::fromStdString(s));
    });
    return ruler_flag_at(flags, x);
}

void RulerWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton) {
        // Another button gives the drag up.
        if (drag_marker_ >= 0) {
            drag_marker_ = -1;
            update();
        }
        return;
    }
    if (p.y() < 2 * ruler_band) return;
    drag_marker_ = marker_at(p.x());
    if (drag_marker_ < 0) return;
    const int frame = current_markers()[std::size_t(drag_marker_)].frame;
    drag_offset_ = view_->frame_to_x(frame) - p.x();
    drag_frame_ = frame;
    setCursor(Qt::ClosedHandCursor);
    update();
}

void RulerWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (drag_marker_ < 0) {
        const bool over = p.y() >= 2 * ruler_band && marker_at(p.x()) >= 0;
        setCursor(over ? Qt::OpenHandCursor : Qt::ArrowCursor);
        return;
    }
    const int frame = std::max(view_->x_to_frame(p.x() + drag_offset_), 0);
    if (frame == drag_frame_) return;
    drag_frame_ = frame;
    update();
}

void RulerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || drag_marker_ < 0) return;
    const int marker = drag_marker_;
    drag_marker_ = -1;
    setCursor(Qt::OpenHandCursor);
    update();
    const auto all = current_markers();
    if (marker < int(all.size()) && all[std::size_t(marker)].frame != drag_frame_ &&
        on_marker_moved)
        on_marker_moved(marker, drag_frame_);
}

void RulerWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || p.y() < 2 * ruler_band) return;
    drag_marker_ = -1;
    const int marker = marker_at(p.x());
    if (marker >= 0 && on_marker_double_clicked) on_marker_double_clicked(marker);
}

ChordLaneWidget::ChordLaneWidget(const ViewState& view, QWidget* parent)
    : QWidget(parent), view_(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChordLaneWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint_chord_lane(p, rect(), view_, chords ? chords() : std::span<const HarmonySpan>{});
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
    const auto all = current_markers();
    if (drag_marker_ < 0 || drag_marker_ >= int(all.size())) {
        paint_time_ruler(p, rect(), *view_, lines_, all);
        return;
    }
    // The dragged flag where it would go.
    std::vector<SectionMarker> shown(all.begin(), all.end());
    SectionMarker dragged = shown[std::size_t(drag_marker_)];
    shown.erase(shown.begin() + drag_marker_);
    dragged.frame = drag_frame_;
    const auto at = std::upper_bound(shown.begin(), shown.end(), drag_frame_,
                                     [](int f, const SectionMarker& m) { return f < m.frame; });
    const int index = int(at - shown.begin());
    shown.insert(at, std::move(dragged));
    paint_time_ruler(p, rect(), *view_, lines_, shown, index);
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
    const bool same =
        marks.frame_count == marks_.frame_count && marks.first_frame == marks_.first_frame &&
        marks.visible_frames == marks_.visible_frames && marks.loop_first == marks_.loop_first &&
        marks.loop_end == marks_.loop_end && x_of(marks.position) == x_of(marks_.position);
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
