#include "drawing/draw_ops.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

namespace pitkad {

namespace {

constexpr std::uint8_t unselected(std::uint8_t v) {
    return std::uint8_t(v & ~draw_selected_bit);
}

// Writes a cell and notes a change of content; the selected bit alone
// does not count, since it is never saved.
void put(DrawData& draw, std::uint8_t& cell, std::uint8_t v) {
    if (unselected(cell) != unselected(v)) draw.modified = true;
    cell = v;
}

int records_in_use(const DrawData& draw, int frame_count) {
    return std::clamp(frame_count, 0, int(draw.draw_data.size()));
}

// Frame f clamped to the records of the recording.
int clamp_frame(const DrawData& draw, int f, int frame_count) {
    return std::clamp(f, 0, records_in_use(draw, frame_count) - 1);
}

// Round to nearest, ties to even (the default rounding mode).
int round_even(double x) {
    return int(std::nearbyint(x));
}

// Slot 0 for line marks, slots 2 … 75 for note cells; the spare slot is
// never part of a selection command.
template <typename Fn> void for_each_target(DrawData& draw, int frame_count, DrawMode mode, Fn fn) {
    const int n = records_in_use(draw, frame_count);
    if (mode == DrawMode::pen_select) {
        for (int f = 0; f < n; ++f)
            for (int b = first_band; b <= last_band; ++b)
                fn(draw[f].note_cell(b));
    } else if (mode == DrawMode::line_select) {
        for (int f = 0; f < n; ++f)
            fn(draw[f].line_mark());
    }
}

} // namespace

bool drawing_is_empty(const DrawData& draw, int frame_count) {
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    return std::all_of(draw.draw_data.begin(), draw.draw_data.begin() + frames,
                       [](const draw_frame& r) {
                           return std::all_of(r.slot.begin(), r.slot.end(),
                                              [](std::uint8_t v) { return v == 0; });
                       });
}

bool has_selected_notes(const DrawData& draw, int frame_count) {
    const int frames = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    for (int f = 0; f < frames; ++f)
        for (int b = first_band; b <= last_band; ++b)
            if (draw[f].note_cell(b) & draw_selected_bit) return true;
    return false;
}

void reset_draw_select(DrawData& draw, int frame_count) {
    const int n = records_in_use(draw, frame_count);
    for (int f = 0; f < n; ++f)
        for (auto& v : draw[f].slot)
            v = unselected(v);
}

void set_line_mark(DrawData& draw, int frame_count, int f, int colour) {
    if (records_in_use(draw, frame_count) <= 0) return;
    put(draw, draw[clamp_frame(draw, f, frame_count)].line_mark(), std::uint8_t(colour));
}

void clear_line_mark(DrawData& draw, int frame_count, int f) {
    if (records_in_use(draw, frame_count) <= 0) return;
    put(draw, draw[clamp_frame(draw, f, frame_count)].line_mark(), 0);
}

bool erase_nearest_line(DrawData& draw, int frame_count, int f) {
    const int n = records_in_use(draw, frame_count);
    for (int d = 0; d <= 4; ++d) {
        if (f - d < 0 || f + d >= n) return false;
        for (int g : {f + d, f - d}) {
            if (draw[g].line_mark() != 0) {
                put(draw, draw[g].line_mark(), 0);
                return true;
            }
        }
    }
    return false;
}

bool erase_run(DrawData& draw, int frame_count, int f, int band) {
    const int n = records_in_use(draw, frame_count);
    if (f < 0 || f >= n || band < first_band || band > last_band) return false;
    const std::uint8_t v = draw[f].note_cell(band);
    if (v == 0) return false;
    while (f > 0 && draw[f - 1].note_cell(band) == v)
        --f;
    for (; f < n && draw[f].note_cell(band) == v; ++f)
        put(draw, draw[f].note_cell(band), 0);
    return true;
}

int quantize_frame(const DrawData& draw, int frame_count, int f, int n) {
    const int count = records_in_use(draw, frame_count);
    if (n <= 0 || f < 0 || f >= count) return f;
    int left = f;
    while (left >= 0 && draw[left].line_mark() == 0)
        --left;
    if (left < 0) return f;
    int right = f;
    while (right < count && draw[right].line_mark() == 0)
        ++right;
    if (right >= count) return f;
    const float step = float(right - left) / float(n);
    const int k = right == left ? 0 : round_even(double(f - left) / double(step));
    return left + round_even(double(k) * double(step));
}

namespace {

// The division of its line interval that frame f lies in, as quantize_frame
// divides it: first frame and one past the last. None when no lines enclose f.
std::optional<std::pair<int, int>> division_around(const DrawData& draw, int frame_count, int f,
                                                   int n) {
    const int count = records_in_use(draw, frame_count);
    if (n <= 0 || f < 0 || f >= count) return std::nullopt;
    int left = f;
    while (left >= 0 && draw[left].line_mark() == 0)
        --left;
    int right = f + 1;
    while (right < count && draw[right].line_mark() == 0)
        ++right;
    if (left < 0 || right >= count) return std::nullopt;
    const float step = float(right - left) / float(n);
    const int k = std::min(int(double(f - left) / double(step)), n - 1);
    return std::pair(left + round_even(double(k) * double(step)),
                     left + round_even(double(k + 1) * double(step)));
}

} // namespace

void commit_pen_stroke(DrawData& draw, int frame_count, int start, int end, int band, int colour,
                       bool quantize, int division) {
    const int n = records_in_use(draw, frame_count);
    if (band < first_band || band > last_band) return;
    if (start > end) std::swap(start, end);
    start = std::max(start, 0);
    end = std::min(end, n - 1);
    if (start >= n) return;
    if (quantize) {
        const int first = quantize_frame(draw, frame_count, start, division);
        const int last = quantize_frame(draw, frame_count, end, division) - 1;
        if (last >= first) {
            start = first;
            end = last;
        } else if (const auto d = division_around(draw, frame_count, start, division)) {
            // Both ends snapped to one point: the stroke lies within one
            // division, and draws that division.
            start = d->first;
            end = d->second - 1;
        }
        // Where no lines enclose it, a stroke that snapped to nothing keeps
        // its own frames.
    }
    // A stroke that touches a note of its pitch and colour (without covering
    // any of it) is a note struck again: one empty frame stays before the
    // later of the two, so that they read back as two notes.
    const auto same = [&](int f) {
        return f >= 0 && f < n && unselected(draw[f].note_cell(band)) == colour;
    };
    std::uint8_t* earlier_end = nullptr; // the frame the note before gives up
    if (same(start - 1) && !same(start)) {
        if (same(start - 2))
            earlier_end = &draw[start - 1].note_cell(band);
        else if (start < end)
            ++start; // that note is one frame: the stroke starts a frame later
    }
    std::uint8_t* later_start = nullptr; // the frame the note after gives up
    if (same(end + 1) && !same(end)) {
        if (end > start)
            --end;
        else if (same(end + 2))
            later_start = &draw[end + 1].note_cell(band); // a one-frame stroke
    }
    if (earlier_end) put(draw, *earlier_end, 0);
    if (later_start) put(draw, *later_start, 0);
    for (int f = start; f <= end; ++f)
        put(draw, draw[f].note_cell(band), std::uint8_t(colour));
}

void select_pen_rect(DrawData& draw, int frame_count, int start, int end, int low, int high) {
    const int n = records_in_use(draw, frame_count);
    if (start > end) std::swap(start, end);
    start = std::max(start, 0);
    end = std::min(end, n - 1);
    if (start >= n) return;
    low = std::max(low, 2);
    high = std::min(high, last_band);
    for (int b = low; b <= high; ++b) {
        if (const std::uint8_t v = draw[start].note_cell(b); v != 0)
            for (int f = start - 1; f >= 0 && draw[f].note_cell(b) == v; --f)
                draw[f].note_cell(b) |= draw_selected_bit;
        if (const std::uint8_t v = draw[end].note_cell(b); v != 0)
            for (int f = end + 1; f < n && draw[f].note_cell(b) == v; ++f)
                draw[f].note_cell(b) |= draw_selected_bit;
        for (int f = start; f <= end; ++f)
            if (draw[f].note_cell(b) != 0) draw[f].note_cell(b) |= draw_selected_bit;
    }
}

void select_lines(DrawData& draw, int frame_count, int start, int end) {
    const int n = records_in_use(draw, frame_count);
    if (start > end) std::swap(start, end);
    start = std::max(start, 0);
    end = std::min(end, n - 1);
    for (int f = start; f <= end; ++f)
        if (draw[f].line_mark() != 0) draw[f].line_mark() |= draw_selected_bit;
}

void all_select(DrawData& draw, int frame_count, DrawMode mode) {
    for_each_target(draw, frame_count, mode, [](std::uint8_t& v) {
        if (v != 0) v |= draw_selected_bit;
    });
}

void select_del(DrawData& draw, int frame_count, DrawMode mode) {
    for_each_target(draw, frame_count, mode, [&](std::uint8_t& v) {
        if (v & draw_selected_bit) put(draw, v, 0);
    });
}

void recolour_selected(DrawData& draw, int frame_count, DrawMode mode, int colour) {
    // The cells stay selected, so that the next command acts on them too.
    for_each_target(draw, frame_count, mode, [&](std::uint8_t& v) {
        if (v & draw_selected_bit) put(draw, v, std::uint8_t(colour | draw_selected_bit));
    });
}

bool copy_line_interval(DrawData& draw, int frame_count, CopyDirection dir, int colour) {
    const int n = records_in_use(draw, frame_count);
    int found[2] = {-1, -1};
    int count = 0;
    for (int f = 0; f < n; ++f) {
        if (draw[f].line_mark() & draw_selected_bit) {
            if (count == 2) return false;
            found[count++] = f;
        }
    }
    if (count < 2) return false;
    const int a = found[0], b = found[1];
    const int fresh = dir == CopyDirection::left ? 2 * a - b : 2 * b - a;
    if (fresh < 0 || fresh >= n) return false;
    // The far mark of the old pair leaves the selection; the new pair is
    // again one interval apart.
    std::uint8_t& far = draw[dir == CopyDirection::left ? b : a].line_mark();
    far = unselected(far);
    put(draw, draw[fresh].line_mark(), std::uint8_t(colour | draw_selected_bit));
    return true;
}

} // namespace pitkad
