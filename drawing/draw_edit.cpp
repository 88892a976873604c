#include "drawing/draw_edit.h"

#include "analysis/spectrogram_store.h"
#include "drawing/draw_ops.h"

#include <algorithm>

namespace pitkad {

namespace {

constexpr std::uint8_t unselected(std::uint8_t v) {
    return std::uint8_t(v & ~draw_selected_bit);
}

constexpr bool selected(std::uint8_t v) {
    return (v & draw_selected_bit) != 0;
}

// Writes a cell and notes a change of content (the selected bit alone is
// none).
void put(DrawData& draw, std::uint8_t& cell, std::uint8_t v) {
    if (unselected(cell) != unselected(v)) draw.modified = true;
    cell = v;
}

int records_in_use(const DrawData& draw, int frame_count) {
    return std::clamp(frame_count, 0, int(draw.draw_data.size()));
}

// The slots a selection command of `mode` acts on: the note cells in pen
// selection mode, the line mark in line selection mode; none otherwise.
struct SlotRange {
    int low = 1, high = 0;
};
SlotRange target_slots(DrawMode mode) {
    if (mode == DrawMode::pen_select) return {first_band, last_band};
    if (mode == DrawMode::line_select) return {0, 0};
    return {};
}

// Calls fn(frame, slot) for the slots of the range in the order a move by
// (dframes, dbands) needs to read each cell before anything lands on it:
// from the side it moves towards.
template <typename Fn> void for_each_cell_ahead_first(int n, SlotRange r, int dframes, int dbands,
                                                      Fn fn) {
    for (int i = 0; i < n; ++i) {
        const int f = dframes > 0 ? n - 1 - i : i;
        for (int j = r.low; j <= r.high; ++j)
            fn(f, dbands > 0 ? r.high + r.low - j : j);
    }
}

} // namespace

std::optional<SelectionBounds> selection_bounds(const DrawData& draw, int frame_count,
                                                DrawMode mode) {
    const int n = records_in_use(draw, frame_count);
    const SlotRange r = target_slots(mode);
    std::optional<SelectionBounds> b;
    for (int f = 0; f < n; ++f)
        for (int s = r.low; s <= r.high; ++s) {
            if (!selected(draw[f].slot[std::size_t(s)])) continue;
            if (!b) b = SelectionBounds{f, f, s, s};
            b->last_frame = f;
            b->low_band = std::min(b->low_band, s);
            b->high_band = std::max(b->high_band, s);
        }
    return b;
}

bool move_selection(DrawData& draw, int frame_count, DrawMode mode, int dframes, int dbands) {
    const int n = records_in_use(draw, frame_count);
    const SlotRange r = target_slots(mode);
    if (mode == DrawMode::line_select) dbands = 0;
    if (dframes == 0 && dbands == 0) return false;
    const auto b = selection_bounds(draw, n, mode);
    if (!b || b->first_frame + dframes < 0 || b->last_frame + dframes >= n ||
        b->low_band + dbands < r.low || b->high_band + dbands > r.high)
        return false;
    // Each selected cell is read before anything lands on it, so the move
    // needs no copy of the selection.
    for_each_cell_ahead_first(n, r, dframes, dbands, [&](int f, int s) {
        std::uint8_t& from = draw[f].slot[std::size_t(s)];
        if (!selected(from)) return;
        const std::uint8_t v = from;
        put(draw, from, 0);
        put(draw, draw[f + dframes].slot[std::size_t(s + dbands)], v);
    });
    return true;
}

int selection_line_interval(const DrawData& draw, int frame_count, DrawMode mode) {
    const int n = records_in_use(draw, frame_count);
    const auto b = selection_bounds(draw, n, mode);
    if (!b) return default_line_interval;
    int left = b->first_frame;
    while (left >= 0 && draw[left].line_mark() == 0)
        --left;
    int right = b->first_frame + 1;
    while (right < n && draw[right].line_mark() == 0)
        ++right;
    return left >= 0 && right < n ? right - left : default_line_interval;
}

namespace {

// What copy_selection takes: note cells always, line marks in line
// selection mode.
bool copied(int slot, std::uint8_t v, DrawMode mode) {
    if (!selected(v)) return false;
    return slot >= first_band || (slot == 0 && mode == DrawMode::line_select);
}

} // namespace

DrawClip copy_selection(const DrawData& draw, int frame_count, DrawMode mode) {
    const int n = records_in_use(draw, frame_count);
    int first = -1;
    for (int f = 0; f < n && first < 0; ++f)
        for (int s = 0; s <= last_band; ++s)
            if (copied(s, draw[f].slot[std::size_t(s)], mode)) {
                first = f;
                break;
            }
    DrawClip clip;
    if (first < 0) return clip;
    for (int s = 0; s <= last_band; ++s)
        for (int f = first; f < n; ++f)
            if (const std::uint8_t v = draw[f].slot[std::size_t(s)]; copied(s, v, mode))
                clip.cells.push_back({f - first, s, unselected(v)});
    return clip;
}

void delete_copied(DrawData& draw, int frame_count, DrawMode mode) {
    const int n = records_in_use(draw, frame_count);
    for (int f = 0; f < n; ++f)
        for (int s = 0; s <= last_band; ++s)
            if (std::uint8_t& v = draw[f].slot[std::size_t(s)]; copied(s, v, mode)) put(draw, v, 0);
}

bool paste_clip(DrawData& draw, int frame_count, const DrawClip& clip, int frame) {
    const int n = records_in_use(draw, frame_count);
    if (frame < 0 || frame >= n) return false;
    reset_draw_select(draw, n);
    bool pasted = false;
    const auto& cells = clip.cells;
    for (std::size_t i = 0; i < cells.size();) {
        const ClipCell& c = cells[i];
        const int start = frame + c.frame;
        if (c.slot == 0) {
            if (start < n) {
                put(draw, draw[start].line_mark(), std::uint8_t(c.colour | draw_selected_bit));
                pasted = true;
            }
            ++i;
            continue;
        }
        // One note: the run of this band's cells of one colour on
        // consecutive frames.
        std::size_t j = i + 1;
        while (j < cells.size() && cells[j].slot == c.slot && cells[j].colour == c.colour &&
               cells[j].frame == cells[j - 1].frame + 1)
            ++j;
        const int end = frame + cells[j - 1].frame;
        i = j;
        if (start >= n) continue;
        commit_pen_stroke(draw, n, start, end, c.slot, c.colour, false, 0);
        // The stroke may have given up a frame at either end; what it drew
        // is the frames of its colour.
        for (int f = start; f <= std::min(end, n - 1); ++f) {
            std::uint8_t& v = draw[f].note_cell(c.slot);
            if (v == c.colour) {
                v |= draw_selected_bit;
                pasted = true;
            }
        }
    }
    return pasted;
}

std::optional<int> note_start(const DrawData& draw, int frame_count, int band, int last) {
    const int n = records_in_use(draw, frame_count);
    if (band < first_band || band > last_band || last < 0 || last >= n) return std::nullopt;
    const std::uint8_t v = draw[last].note_cell(band);
    if (v == 0 || (last + 1 < n && draw[last + 1].note_cell(band) == v)) return std::nullopt;
    int first = last;
    while (first > 0 && draw[first - 1].note_cell(band) == v)
        --first;
    return first;
}

int note_end_limit(const DrawData& draw, int frame_count, int band, int last, int wanted) {
    const int n = records_in_use(draw, frame_count);
    const auto first = note_start(draw, n, band, last);
    if (!first) return -1;
    int end = std::clamp(wanted, *first, n - 1);
    const std::uint8_t colour = unselected(draw[last].note_cell(band));
    for (int f = last + 1; f <= end; ++f) {
        const std::uint8_t v = draw[f].note_cell(band);
        if (v == 0) continue;
        end = std::max(last, unselected(v) == colour ? f - 2 : f - 1);
        break;
    }
    return end;
}

bool set_note_end(DrawData& draw, int frame_count, int band, int last, int wanted) {
    const int end = note_end_limit(draw, frame_count, band, last, wanted);
    if (end < 0 || end == last) return false;
    const std::uint8_t v = draw[last].note_cell(band);
    for (int f = std::min(end, last) + 1; f <= std::max(end, last); ++f)
        put(draw, draw[f].note_cell(band), end > last ? v : 0);
    return true;
}

} // namespace pitkad
