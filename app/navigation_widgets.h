#pragma once
// The widgets around the graph that show where the view is: the time ruler
// above it, the lane of suggested chords under the ruler, and the overview
// of the whole recording below it.

#include "analysis/harmony.h"
#include "drawing/midi_file.h"
#include "view/view_state.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <span>
#include <vector>

namespace pitkad {

inline constexpr int overview_height = 36;

// Paints the time ruler for the view; the bars and beats of the line marks
// are counted again when the drawing may have changed (invalidate_lines).
// A marker's flag can be dragged along the ruler (the marker moves when it
// is let go) and double-clicked (to rename it).
class RulerWidget final : public QWidget {
  public:
    RulerWidget(const ViewState& view, QWidget* parent);
    // The counts of the drawing's line marks, fetched at the next paint.
    std::function<std::vector<LineCount>()> count_lines;
    void invalidate_lines();
    // The drawing's section markers, read at each paint and press.
    std::function<std::span<const SectionMarker>()> markers;
    // A flag was dragged to `frame` and let go; a flag was double-clicked.
    std::function<void(int marker, int frame)> on_marker_moved;
    std::function<void(int marker)> on_marker_double_clicked;
    // The marker whose flag is being dragged, or -1.
    int dragged_marker() const { return drag_marker_; }
    // Times for another view than the one given at first (it outlives its use).
    void show_view(const ViewState& view) {
        view_ = &view;
        invalidate_lines();
    }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::span<const SectionMarker> current_markers() const;
    // The marker under column x, or -1.
    int marker_at(int x) const;

    const ViewState* view_;
    std::vector<LineCount> lines_;
    bool lines_valid_ = false;
    int drag_marker_ = -1;
    int drag_offset_ = 0; // columns from the pointer to the flag's marker
    int drag_frame_ = 0;  // where the dragged marker would go
};

// The suggested chords over the view's columns, read at each paint.
class ChordLaneWidget final : public QWidget {
  public:
    ChordLaneWidget(const ViewState& view, QWidget* parent);
    std::function<std::span<const HarmonySpan>()> chords;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const ViewState& view_;
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
