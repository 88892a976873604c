#include "app/colour_grid.h"

#include "drawing/draw_data.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

namespace pitkad {

ColorGrid::ColorGrid(QWidget* parent) : QWidget(parent) {}

void ColorGrid::setForegroundIndex(int index) {
    if (index < 0 || index > 15 || index == foreground_index_) return;
    foreground_index_ = index;
    update();
}

QColor ColorGrid::cell_colour(int index) {
    const Rgb c = grid_colours[std::size_t(std::clamp(index, 0, 15))];
    return QColor(c.r, c.g, c.b);
}

QRect ColorGrid::cell_rect(int index) const {
    const int col = index % 8, row = index / 8;
    const int x0 = col * width() / 8, x1 = (col + 1) * width() / 8;
    const int y0 = row * height() / 2, y1 = (row + 1) * height() / 2;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

int ColorGrid::cell_at(QPoint p) const {
    if (!rect().contains(p)) return -1;
    for (int i = 0; i < 16; ++i)
        if (cell_rect(i).contains(p)) return i;
    return -1;
}

void ColorGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < 16; ++i) {
        const QRect r = cell_rect(i).adjusted(1, 1, -1, -1);
        p.fillRect(r, cell_colour(i));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    // The foreground cell: a frame and "FG" in a colour that stands out on it.
    const QRect r = cell_rect(foreground_index_).adjusted(1, 1, -1, -1);
    const QColor c = cell_colour(foreground_index_);
    const QColor mark = c.lightness() > 110 ? Qt::black : Qt::white;
    p.setPen(QPen(mark, 2));
    p.drawRect(r.adjusted(1, 1, -1, -1));
    QFont f = font();
    f.setPixelSize(std::max(8, r.height() / 2));
    f.setBold(true);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("FG"));
}

void ColorGrid::mousePressEvent(QMouseEvent* event) {
    const int cell = cell_at(event->position().toPoint());
    if (cell < 0) return;
    if (event->button() == Qt::LeftButton) {
        setForegroundIndex(cell);
        emit clicked();
    } else if (event->button() == Qt::RightButton) {
        emit clicked();
    }
}

} // namespace pitkad
