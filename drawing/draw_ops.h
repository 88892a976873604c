#pragma once
// Editing operations on the drawing. Each takes the frame count of the open
// recording and never touches records at or beyond it. Changes of content
// (not of the transient selection) set DrawData::modified.

#include "drawing/draw_data.h"
#include "drawing/tool_state.h"

namespace pitkad {

// No note cell and no line mark is set in records 0 … frame_count - 1.
bool drawing_is_empty(const DrawData& draw, int frame_count);
// Some note cell in records 0 … frame_count - 1 is selected.
bool has_selected_notes(const DrawData& draw, int frame_count);

// Clears the selected bit in every slot of records 0 … frame_count - 1.
void reset_draw_select(DrawData& draw, int frame_count);

// Line mark at frame f (clamped to the recording) := colour.
void set_line_mark(DrawData& draw, int frame_count, int f, int colour);
// Line mark at frame f (clamped) := 0.
void clear_line_mark(DrawData& draw, int frame_count, int f);
// Clears the nearest line mark within 4 frames of f, the later one when two
// are equally near. The search ends at the first distance that would reach
// outside the recording. Returns whether a mark was cleared.
bool erase_nearest_line(DrawData& draw, int frame_count, int f);

// Clears the whole run of equal bytes in band b that covers frame f.
// Returns whether anything was erased.
bool erase_run(DrawData& draw, int frame_count, int f, int band);

// Snaps f to the nearest of n equal divisions of the line interval around
// it; f itself when no mark lies on one side. Steps are single precision,
// rounding is to nearest with ties to even.
int quantize_frame(const DrawData& draw, int frame_count, int f, int n);

// Fills frames start … end of band b with colour. With quantise, the stroke
// covers [Q(start), Q(end)) instead. start and end may come in any order;
// end is cut at the last frame of the recording.
void commit_pen_stroke(DrawData& draw, int frame_count, int start, int end, int band, int colour,
                       bool quantize, int division);

// Selects every mark of bands low … high in frames start … end; runs that
// cross the left or right edge are selected whole.
void select_pen_rect(DrawData& draw, int frame_count, int start, int end, int low, int high);
// Selects every line mark in frames start … end.
void select_lines(DrawData& draw, int frame_count, int start, int end);

// The selection commands of the tool window. They act on note cells in pen
// selection mode, on line marks in line selection mode, and on nothing in
// any other mode.
void all_select(DrawData& draw, int frame_count, DrawMode mode);
void select_del(DrawData& draw, int frame_count, DrawMode mode);
void recolour_selected(DrawData& draw, int frame_count, DrawMode mode, int colour);

// Repeats the interval between the only two selected line marks one
// interval to the left or right, moving the selection with it. Does
// nothing unless exactly two marks are selected and the new frame lies in
// the recording. Returns whether a mark was laid.
enum class CopyDirection { left, right };
bool copy_line_interval(DrawData& draw, int frame_count, CopyDirection dir, int colour);

} // namespace pitkad
