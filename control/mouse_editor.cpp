#include "control/mouse_editor.h"

#include "control/playback_units.h"
#include "drawing/clipboard_text.h"
#include "drawing/draw_ops.h"
#include "drawing/line_stepper.h"

#include <algorithm>

namespace pitkad {

namespace {

// Modes in which a click does not sound: they use the press for lines or
// rectangles of their own.
bool silent_mode(DrawMode m) {
    return m == DrawMode::line_draw || m == DrawMode::line_select || m == DrawMode::clipboard;
}

bool drag_mode(const ToolState& tool) {
    switch (tool.mode) {
    case DrawMode::clipboard:
        return true;
    case DrawMode::pen_draw:
    case DrawMode::pen_select:
        return tool.pen_show;
    case DrawMode::line_select:
        return tool.line_show;
    default:
        return false;
    }
}

} // namespace

// A press edits at most once (a line mark, a beat tap, the run eraser) and
// a release at most once (the stroke of a drag), so each of those edits is
// the whole step of its press or drag.
template <typename Fn> void MouseEditor::edit(Fn fn) {
    record_step(history_, draw_, host_.midi_port().channels(), fn);
}

void MouseEditor::press(MouseButton button, MouseShift shift, int x, int y) {
    const ToolState tool = host_.tool_state();
    ViewState& view = host_.view_state();

    // A right press cancels a drag without committing it.
    if (button == MouseButton::right && dragging) {
        erase_rubber_band();
        dragging = false;
    }
    if (y >= view.graph_height()) return;

    if (host_.midi_port().midi_ok() && !silent_mode(tool.mode)) sound_click(button, shift, y, view);

    if (tool.mode == DrawMode::line_draw && tool.line_show) draw_lines(button, x, y, tool, view);

    if (button == MouseButton::right && tool.mode == DrawMode::pen_draw && tool.pen_show &&
        view.on_rows(y)) {
        edit([&] { erase_run(draw_, frame_count(), view.x_to_frame(x), view.y_to_band(y)); });
        host_.write_graph();
    }

    if (button == MouseButton::left && drag_mode(tool)) {
        dragging = true;
        if (tool.mode == DrawMode::pen_select && view.on_rows(y) && start_edit_drag(x, y, view))
            return;
        drag_kind = tool.mode == DrawMode::pen_draw ? DragKind::stroke : DragKind::rectangle;
        reset_draw_select(draw_, frame_count());
        host_.write_graph();
        if (tool.mode == DrawMode::pen_draw) {
            const int lw = view.line_width;
            drag_x0 = drag_x1 = view.frame_to_x(view.x_to_frame(x)); // the frame's first column
            const int r = y / lw;
            drag_y0 = r * lw;
            drag_y1 = (r + 1) * lw - 1;
            if (!view.on_rows(y)) dragging = false; // no stroke starts in the strip
        } else {
            drag_x0 = drag_x1 = x;
            drag_y0 = drag_y1 = y;
        }
    }
}

void MouseEditor::move(MouseShift shift, int x, int y) {
    if (!dragging || !shift.left) return;
    const ToolState tool = host_.tool_state();
    if (tool.mode == DrawMode::none || tool.mode == DrawMode::line_draw) return;
    const ViewState& view = host_.view_state();
    erase_rubber_band();
    x = std::max(0, std::min(x, host_.graph_width() - 5));
    y = std::max(0, std::min(y, view.graph_height()));
    if (drag_kind == DragKind::move || drag_kind == DragKind::note_end) {
        follow_edit_drag(x, y, view);
    } else if (tool.mode == DrawMode::pen_draw) {
        drag_x0 = view.frame_to_x(view.x_to_frame(x));
    } else {
        drag_x1 = x;
        drag_y1 = y;
    }
    draw_rubber_band();
}

void MouseEditor::release(MouseButton button, MouseShift shift, int x, int y) {
    (void)x;
    const ToolState tool = host_.tool_state();
    const ViewState& view = host_.view_state();
    if (host_.midi_port().midi_ok() && button == MouseButton::left && !silent_mode(tool.mode))
        release_click(shift, y, view);
    if (dragging && button == MouseButton::left) end_drag(tool, view);
}

void MouseEditor::sound_click(MouseButton button, MouseShift shift, int y, const ViewState& view) {
    if (button == MouseButton::left) {
        if (view.on_rows(y)) {
            if (!shift.ctrl) sounding_notes.fill(0);
            sounding_notes[std::size_t(view.y_to_band(y))] = 1;
        }
        // A press in the strip sounds the flagged notes again.
        MidiPort& midi = host_.midi_port();
        auto& slots = midi.active_notes[click_channel];
        // Notes still held from a press whose release was not a click
        // release (the mode changed while the button was down) are let go
        // first, so their slots are never overwritten while sounding.
        for (int& b : slots) {
            if (b != 0) midi.note_off(click_channel, b);
            b = 0;
        }
        std::size_t used = 0;
        for (int b = first_band; b <= last_band && used < slots.size(); ++b) {
            if (!sounding_notes[std::size_t(b)]) continue;
            slots[used++] = b;
            midi.note_on(click_channel, b);
        }
    } else if (button == MouseButton::right) {
        if (view.on_rows(y))
            sounding_notes[std::size_t(view.y_to_band(y))] = 0;
        else
            sounding_notes.fill(0);
    }
    show_labels_and_cursor();
}

void MouseEditor::release_click(MouseShift shift, int y, const ViewState& view) {
    MidiPort& midi = host_.midi_port();
    for (int& b : midi.active_notes[click_channel]) {
        if (b == 0) continue;
        midi.note_off(click_channel, b);
        b = 0;
    }
    if (!shift.ctrl && view.on_rows(y)) sounding_notes.fill(0);
    show_labels_and_cursor();
}

void MouseEditor::show_labels_and_cursor() {
    host_.draw_note_labels_and_show();
    if (host_.play_state() == PlayState::paused)
        host_.write_line(host_.player_position_ms() / frame_ms);
}

void MouseEditor::draw_lines(MouseButton button, int x, int y, const ToolState& tool,
                             ViewState& view) {
    const int n = frame_count();
    if (view.on_rows(y)) {
        int f = std::min(view.x_to_frame(x), n - 1);
        // A line drawn near a suggested beat accepts that beat: within three
        // pixels, and at least two frames.
        if (button == MouseButton::left) {
            const std::span<const int> beats = host_.suggested_beats();
            const int reach = std::max(2, int(view.offset_to_frames(3)));
            const auto near = std::lower_bound(beats.begin(), beats.end(), f - reach);
            if (near != beats.end() && *near <= f + reach && *near < n) {
                const auto next = near + 1;
                f = next != beats.end() && *next <= f + reach && *next - f < f - *near ? *next
                                                                                     : *near;
            }
        }
        edit([&] {
            if (button == MouseButton::left)
                set_line_mark(draw_, n, f, tool.colour);
            else
                erase_nearest_line(draw_, n, f);
        });
    } else if (cursor_shown(host_.play_state())) {
        // Tapping beats in while listening: the mark goes at the play position.
        const int f = std::max(0, std::min(host_.player_position_ms() / frame_ms, n - 1));
        edit([&] {
            if (button == MouseButton::left)
                set_line_mark(draw_, n, f, tool.colour);
            else
                clear_line_mark(draw_, n, f);
        });
        // The cursor there must be redrawn over the new mark, not restored.
        if (f == view.cursor_frame) view.cursor_frame = -1;
    }
    host_.write_graph();
}

bool MouseEditor::start_edit_drag(int x, int y, const ViewState& view) {
    const int n = frame_count();
    const int f = view.x_to_frame(x), band = view.y_to_band(y);
    if (band < first_band || band > last_band) return false;
    if (const auto last = note_end_at(x, band, view)) {
        drag_kind = DragKind::note_end;
        end_band_ = band;
        end_first_ = *note_start(draw_, n, band, *last);
        end_last_ = end_now_ = *last;
        outline(end_first_, end_now_, band, band, view);
        return true;
    }
    if (f < 0 || f >= n || !(draw_[f].note_cell(band) & draw_selected_bit)) return false;
    drag_kind = DragKind::move;
    press_frame_ = f;
    press_band_ = band;
    moved_ = *selection_bounds(draw_, n, DrawMode::pen_select);
    move_frames_ = move_bands_ = 0;
    outline(moved_.first_frame, moved_.last_frame, moved_.low_band, moved_.high_band, view);
    return true;
}

std::optional<int> MouseEditor::note_end_at(int x, int band, const ViewState& view) const {
    // Zoomed out, a pixel covers several frames: a note ending in any of them
    // is taken, the last one first.
    const int n = frame_count();
    const int lo = view.x_to_frame(x);
    const int hi = std::min(std::max(lo, view.x_to_frame(x + 1) - 1), n - 1);
    for (int f = hi; f >= std::max(lo, 0); --f)
        if (note_start(draw_, n, band, f)) return f;
    return std::nullopt;
}

PointerHold MouseEditor::pointer_hold(int x, int y) const {
    if (dragging) {
        if (drag_kind == DragKind::note_end) return PointerHold::note_end;
        return drag_kind == DragKind::move ? PointerHold::selection : PointerHold::none;
    }
    const ToolState tool = host_.tool_state();
    const ViewState& view = host_.view_state();
    if (tool.mode != DrawMode::pen_select || !tool.pen_show || y < 0 || !view.on_rows(y))
        return PointerHold::none;
    const int band = view.y_to_band(y), f = view.x_to_frame(x);
    if (note_end_at(x, band, view)) return PointerHold::note_end;
    if (f >= 0 && f < frame_count() && (draw_[f].note_cell(band) & draw_selected_bit))
        return PointerHold::selection;
    return PointerHold::none;
}

void MouseEditor::outline(int first, int last, int low, int high, const ViewState& view) {
    const int lw = view.line_width;
    drag_x0 = view.frame_to_x(first);
    drag_x1 = std::max(drag_x0, view.frame_to_x(last + 1) - 1);
    drag_y0 = (last_band - high) * lw;
    drag_y1 = (last_band - low + 1) * lw - 1;
}

void MouseEditor::follow_edit_drag(int x, int y, const ViewState& view) {
    const int n = frame_count();
    if (drag_kind == DragKind::note_end) {
        end_now_ = note_end_limit(draw_, n, end_band_, end_last_, view.x_to_frame(x));
        outline(end_first_, end_now_, end_band_, end_band_, view);
        return;
    }
    const SelectionBounds& b = moved_;
    move_frames_ = std::clamp(view.x_to_frame(x) - press_frame_, -b.first_frame,
                              n - 1 - b.last_frame);
    move_bands_ = std::clamp(view.y_to_band(y) - press_band_, first_band - b.low_band,
                             last_band - b.high_band);
    outline(b.first_frame + move_frames_, b.last_frame + move_frames_, b.low_band + move_bands_,
            b.high_band + move_bands_, view);
}

void MouseEditor::end_drag(const ToolState& tool, const ViewState& view) {
    const int n = frame_count();
    if (drag_kind == DragKind::move || drag_kind == DragKind::note_end) {
        edit([&] {
            if (drag_kind == DragKind::move)
                move_selection(draw_, n, DrawMode::pen_select, move_frames_, move_bands_);
            else
                set_note_end(draw_, n, end_band_, end_last_, end_now_);
        });
        dragging = false;
        host_.write_graph();
        return;
    }
    const int f0 = view.x_to_frame(drag_x0), f1 = view.x_to_frame(drag_x1);
    const int start = std::max(0, std::min(f0, f1));
    const int end = std::min(std::max(f0, f1), n - 1);
    const int b0 = view.y_to_band(drag_y0), b1 = view.y_to_band(drag_y1);
    const int low = std::max(std::min(b0, b1), first_band);
    const int high = std::min(std::max(b0, b1), last_band);
    if (start < n) {
        switch (tool.mode) {
        case DrawMode::pen_draw:
            edit([&] {
                // A click on a suggested note (a stroke that stays in its
                // pixel column) takes that note whole: a note of one frame
                // is not what it means, as a line drawn near a suggested
                // beat goes on the beat.
                NoteSuggestions* suggested = host_.suggested_notes();
                const int column_end = std::max(f0 + 1, view.x_to_frame(drag_x1 + 1));
                if (drag_x0 == drag_x1 && suggested &&
                    accept_suggested_note_at(draw_, *suggested, n, f0, column_end, b0, tool.colour))
                    return;
                commit_pen_stroke(draw_, n, start, end, b0, tool.colour, tool.quantize,
                                  tool.quantize_division);
            });
            break;
        case DrawMode::pen_select:
            select_pen_rect(draw_, n, start, end, low, high);
            break;
        case DrawMode::line_select:
            select_lines(draw_, n, start, end);
            break;
        case DrawMode::clipboard:
            host_.set_clipboard_text(clipboard_text(store_, start, end, low, high));
            break;
        default:
            break;
        }
    }
    dragging = false;
    host_.write_graph();
}

void MouseEditor::draw_rubber_band() {
    const bool pen_stroke = drag_kind == DragKind::stroke || drag_kind == DragKind::note_end;
    const auto plot = [&](int px, int py) { rubber_band_pixel(px, py, pen_stroke); };
    step_line(drag_x0, drag_y0, drag_x1, drag_y0, plot);
    step_line(drag_x1, drag_y0, drag_x1, drag_y1, plot);
    step_line(drag_x1, drag_y1, drag_x0, drag_y1, plot);
    step_line(drag_x0, drag_y1, drag_x0, drag_y0, plot);
    for_outline_band([&](int x, int y, int w, int h) { host_.update_screen_rect(x, y, w, h); });
}

void MouseEditor::erase_rubber_band() {
    for_outline_band([&](int x, int y, int w, int h) { host_.restore_screen_rect(x, y, w, h); });
}

void MouseEditor::rubber_band_pixel(int px, int py, bool pen_stroke) {
    constexpr Rgb white{255, 255, 255}, black{0, 0, 0};
    constexpr int dash_bit = 4; // rectangles: white and black dashes of 4 pixels
    host_.set_screen_pixel(px, py, !pen_stroke && ((px + py) & dash_bit) ? black : white);
}

// The band the outline may cover: the drag rectangle grown by one pixel on
// every side, without its interior one pixel inside the edges. Calls
// fn(x, y, w, h) for up to four strips.
template <typename Fn> void MouseEditor::for_outline_band(Fn fn) const {
    const int l = std::min(drag_x0, drag_x1), r = std::max(drag_x0, drag_x1);
    const int t = std::min(drag_y0, drag_y1), b = std::max(drag_y0, drag_y1);
    const int left = l - 1, top = t - 1, right = r + 1, bottom = b + 1; // right, bottom exclusive
    const int in_left = l + 1, in_top = t + 1, in_right = r - 1, in_bottom = b - 1;
    if (in_left >= in_right || in_top >= in_bottom) {
        fn(left, top, right - left, bottom - top);
        return;
    }
    fn(left, top, right - left, in_top - top);
    fn(left, in_bottom, right - left, bottom - in_bottom);
    fn(left, in_top, in_left - left, in_bottom - in_top);
    fn(in_right, in_top, right - in_right, in_bottom - in_top);
}

} // namespace pitkad
