#pragma once
// A grid of 8 × 2 cells showing the 16 standard colours. A left click makes
// the cell under the pointer the foreground (marked "FG"); a right click
// keeps the foreground. Both emit clicked().

#include <QColor>
#include <QWidget>

namespace pitkad {

class ColorGrid : public QWidget {
    Q_OBJECT
  public:
    explicit ColorGrid(QWidget* parent = nullptr);

    int foregroundIndex() const { return foreground_index_; }
    void setForegroundIndex(int index);
    QColor foregroundColor() const { return cell_colour(foreground_index_); }
    static QColor cell_colour(int index);
    // The cell under a point of the widget, or -1.
    int cell_at(QPoint p) const;

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QRect cell_rect(int index) const;
    int foreground_index_ = 0;
};

} // namespace pitkad
