#pragma once
// Edits of the selection as a whole: moving it, copying it into a clip and
// pasting the clip, and changing where a note ends. Like draw_ops, each
// takes the frame count of the open recording, never touches records at or
// beyond it, and sets DrawData::modified when content changes.

#include "drawing/draw_data.h"
#include "drawing/tool_state.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pitkad {

// The step of a line-interval move when no two line marks enclose the
// selection's first frame: half a second.
inline constexpr int default_line_interval = 25;
inline constexpr int octave_bands = 12;

// The frames and bands the selection of `mode` covers: the selected note
// cells in pen selection mode, the selected line marks in line selection
// mode (their bands are slot 0). None when nothing is selected.
struct SelectionBounds {
    int first_frame, last_frame, low_band, high_band;
};
std::optional<SelectionBounds> selection_bounds(const DrawData& draw, int frame_count,
                                                DrawMode mode);

// Moves the selection of `mode` by dframes frames and dbands bands (line
// marks move in time only). The moved cells stay selected and overwrite
// what they land on; the places they left are emptied. Refused (false,
// nothing changes) when nothing is selected, the move is zero, or a cell
// would leave the recording or bands 2 … 75.
bool move_selection(DrawData& draw, int frame_count, DrawMode mode, int dframes, int dbands);

// The distance between the two line marks around the first frame of the
// selection of `mode` (a mark on that frame counts as the left one);
// default_line_interval when there are not two such marks.
int selection_line_interval(const DrawData& draw, int frame_count, DrawMode mode);

// Selected cells, their frames counted from the first frame that holds
// one. Slot 0 is a line mark, slots 2 … 75 note cells. Ordered by slot,
// then frame, so that a band's notes come as runs.
struct ClipCell {
    int frame;
    int slot;
    std::uint8_t colour; // without the selected bit
    friend bool operator==(const ClipCell&, const ClipCell&) = default;
};
struct DrawClip {
    std::vector<ClipCell> cells;
    bool empty() const { return cells.empty(); }
};

// The selected note cells, and in line selection mode the selected line
// marks too.
DrawClip copy_selection(const DrawData& draw, int frame_count, DrawMode mode);
// Empties what copy_selection takes in that mode.
void delete_copied(DrawData& draw, int frame_count, DrawMode mode);
// Puts the clip with its first frame at `frame`, cut at the recording's
// end; the pasted cells become the selection. Each note goes in as a pen
// stroke would (commit_pen_stroke): one that touches a note of its band and
// colour stays a separate note. Returns whether anything was pasted.
bool paste_clip(DrawData& draw, int frame_count, const DrawClip& clip, int frame);

// The note of `band` whose last frame is `last`, or none when no note ends
// there: its first frame.
std::optional<int> note_start(const DrawData& draw, int frame_count, int band, int last);
// The last frame that note gets when its end is dragged to `wanted`: not
// before its first frame, within the recording, and short of the next cell
// of the band that is not empty (one frame shorter still when that cell is
// of the note's colour, so that the two stay separate notes). -1 when no
// note ends at `last`.
int note_end_limit(const DrawData& draw, int frame_count, int band, int last, int wanted);
// Makes that note end at note_end_limit(…); returns whether it changed.
bool set_note_end(DrawData& draw, int frame_count, int band, int last, int wanted);

} // namespace pitkad
