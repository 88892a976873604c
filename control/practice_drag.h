#pragma once
// The practice drags on the graph: across the time strip under the rows to
// set the loop from the drag's first column to its last (either way), over
// the note labels to set the focus to the bands of the rows covered. A
// drag is told from a click by moving a few pixels away from the press; a
// click on the strip clears the loop, a click on a label does nothing more
// than sound the note. A focus over every band is no focus. The drags start
// only where a press does not draw: the strip with no tool or the pen, the
// labels with no tool. UI thread only.

#include "audio/practice.h"
#include "drawing/tool_state.h"
#include "view/view_state.h"

#include <optional>

namespace pitkad {

// Where on the graph a drag may start, as the window shows it now.
struct PracticeDragZones {
    bool recording_open = false;
    DrawMode mode = DrawMode::none;
    int graph_width = 0;
    bool left_labels = false;  // the labels at x = 101 … 116 are shown
    bool right_labels = false; // the labels at x = W − 119 … W − 104 are shown
};

enum class PracticeDragKind { none, loop, focus };

// The drag a left press at (x, y) starts.
PracticeDragKind practice_drag_kind(const PracticeDragZones& z, const ViewState& view, int x,
                                    int y);

// The loop over columns a … b (either order, both included) of a recording
// of `frame_count` columns at `rate` Hz, in its sample frames: from the
// first sample of the first column to the end of the last. No loop when the
// rate is unknown (0) or no column lies in the recording.
LoopRange loop_from_columns(int a, int b, int rate, int frame_count);

// The pointer moves this many pixels (in x or y) from the press before a
// press becomes a drag.
inline constexpr int practice_drag_threshold = 4;

class PracticeDrag {
  public:
    // A left press: starts a drag where one starts; true then.
    bool press(const PracticeDragZones& z, const ViewState& view, int x, int y);
    // The pointer moved with the button held; true when what the drag would
    // set changed (the window shows it).
    bool move(int x, int y);
    // The button came up: the settings the drag sets, if it changes them.
    std::optional<PracticeSettings> release(int x, int y, const PracticeSettings& current, int rate,
                                            int frame_count);
    void cancel() { kind_ = PracticeDragKind::none; }

    bool active() const { return kind_ != PracticeDragKind::none; }
    PracticeDragKind kind() const { return kind_; }
    // The settings as the drag would leave them if it ended here.
    PracticeSettings preview(const PracticeSettings& current, int rate, int frame_count) const;

  private:
    // Whether the pointer has left the press, and the columns (loop) or
    // bands (focus) at the press and the pointer.
    struct Span {
        bool moved = false;
        int a = 0, b = 0;
        bool operator==(const Span&) const = default;
    };
    Span span() const;

    PracticeDragKind kind_ = PracticeDragKind::none;
    ViewState view_; // the view at the press; the drag is read in its columns and rows
    int graph_width_ = 0;
    int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
    bool moved_ = false;
};

} // namespace pitkad
