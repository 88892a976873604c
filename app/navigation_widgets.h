#pragma once
// The widgets around the graph that show where the view is: the time ruler
// above it and the overview of the whole recording below it.

#include "drawing/midi_file.h"
#include "view/view_state.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

namespace pitkad {

inline constexpr int overview_height = 36;

// Paints the time ruler for the view; the bars and beats of the line marks
// are counted again when the drawing may have changed (invalidate_lines).
class RulerWidget final : public QWidget {
  public:
    RulerWidget(const ViewState& view, QWidget* parent);
    // The counts of the drawing's line marks, fetched at the next paint.
    std::function<std::vector<LineCount>()> count_lines;
    void invalidate_lines();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const ViewState& view_;
    std::vector<LineCount> lines_;
    bool lines_valid_ = false;
};

// The whole recording in a strip: a compact picture of the analysis and the
// drawing, the loop, the play position and the part on screen. A press or
// drag asks for the frame under the pointer.
class OverviewWidget final : public QWidget {
  public:
    explicit OverviewWidget(QWidget* parent);

    struct Marks {
        int frame_count = 0;
        int first_frame = 0, visible_frames = 0; // the part on screen
        int loop_first = -1, loop_end = -1;      // frames; none when first < 0
        int position = -1;                       // the play position's frame; none when < 0
    };
    void set_picture(QImage picture);
    void set_marks(const Marks& marks);
    std::function<void(int frame)> on_seek;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    int x_of(int frame) const;
    void seek_to(int x);

    QImage picture_;
    Marks marks_;
};

} // namespace pitkad
