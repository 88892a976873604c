#include "control/practice_drag.h"

#include "analysis/spectrogram_store.h"
#include "view/note_labels.h"

#include <algorithm>
#include <cstdlib>

namespace pitkad {

namespace {

bool on_labels(const PracticeDragZones& z, int x) {
    const auto within = [x](int left) { return x >= left && x < left + label_width; };
    return (z.left_labels && within(left_label_x)) ||
           (z.right_labels && within(z.graph_width - right_label_offset));
}

// First sample frame of column t: rounded up, so that it lies in column t
// also when a column is not a whole number of samples.
std::int64_t column_start(std::int64_t t, int rate) {
    return (t * frame_ms * rate + 999) / 1000;
}

} // namespace

PracticeDragKind practice_drag_kind(const PracticeDragZones& z, const ViewState& view, int x,
                                    int y) {
    if (!z.recording_open || x < 0 || x >= z.graph_width || y < 0) return PracticeDragKind::none;
    if (!view.on_rows(y)) {
        const bool strip_free = z.mode == DrawMode::none || z.mode == DrawMode::pen_draw;
        return strip_free && y < view.graph_height() ? PracticeDragKind::loop
                                                     : PracticeDragKind::none;
    }
    return z.mode == DrawMode::none && on_labels(z, x) ? PracticeDragKind::focus
                                                       : PracticeDragKind::none;
}

LoopRange loop_from_columns(int a, int b, int rate, int frame_count) {
    const int first = std::max(std::min(a, b), 0);
    const int last = std::min(std::max(a, b), frame_count - 1);
    if (rate <= 0 || first > last) return {};
    return {column_start(first, rate), column_start(std::int64_t(last) + 1, rate)};
}

bool PracticeDrag::press(const PracticeDragZones& z, const ViewState& view, int x, int y) {
    kind_ = practice_drag_kind(z, view, x, y);
    view_ = view;
    graph_width_ = z.graph_width;
    x0_ = x1_ = x;
    y0_ = y1_ = y;
    moved_ = false;
    return active();
}

bool PracticeDrag::move(int x, int y) {
    if (!active()) return false;
    const Span before = span();
    x1_ = x;
    y1_ = y;
    if (std::abs(x - x0_) >= practice_drag_threshold ||
        std::abs(y - y0_) >= practice_drag_threshold)
        moved_ = true;
    return !(span() == before);
}

PracticeDrag::Span PracticeDrag::span() const {
    if (!moved_) return {}; // a click so far, wherever the pointer is
    if (kind_ == PracticeDragKind::loop) {
        const auto column = [&](int x) {
            return view_.x_to_frame(std::clamp(x, 0, std::max(graph_width_ - 1, 0)));
        };
        return {moved_, column(x0_), column(x1_)};
    }
    const auto band = [&](int y) {
        return view_.y_to_band(std::clamp(y, 0, view_.rows_height() - 1));
    };
    return {moved_, band(y0_), band(y1_)};
}

std::optional<PracticeSettings> PracticeDrag::release(int x, int y, const PracticeSettings& current,
                                                      int rate, int frame_count) {
    if (!active()) return std::nullopt;
    move(x, y);
    const PracticeSettings s = preview(current, rate, frame_count);
    kind_ = PracticeDragKind::none;
    if (s == current) return std::nullopt;
    return s;
}

PracticeSettings PracticeDrag::preview(const PracticeSettings& current, int rate,
                                       int frame_count) const {
    PracticeSettings s = current;
    if (!active()) return s;
    const Span sp = span();
    if (kind_ == PracticeDragKind::loop) {
        s.loop = sp.moved ? loop_from_columns(sp.a, sp.b, rate, frame_count) : LoopRange{};
    } else if (sp.moved) {
        s.focus_low = std::min(sp.a, sp.b);
        s.focus_high = std::max(sp.a, sp.b);
        if (s.focus_low == first_band && s.focus_high == last_band) s.focus_low = s.focus_high = 0;
    }
    return s;
}

} // namespace pitkad
