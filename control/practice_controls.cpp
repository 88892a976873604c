#include "control/practice_controls.h"

#include "analysis/spectrogram_store.h"
#include "drawing/draw_data.h"

#include <Qt>

#include <algorithm>
#include <cmath>

namespace pitkad {

int speed_percent(const PracticeSettings& s) {
    return int(std::lround(s.speed * 100));
}

PracticeSettings with_speed_percent(PracticeSettings s, int percent) {
    s.speed = std::clamp(percent, min_speed_percent, max_speed_percent) / 100.0;
    return s;
}

PracticeSettings step_speed(PracticeSettings s, int direction) {
    const int p = speed_percent(s);
    // A speed off the 5 % grid goes to the grid point on the chosen side.
    const int below = p - (p % speed_step_percent);
    const int next =
        direction < 0 ? (below == p ? p - speed_step_percent : below) : below + speed_step_percent;
    return with_speed_percent(s, next);
}

PracticeSettings with_semitones(PracticeSettings s, int semitones) {
    s.semitones =
        std::clamp(semitones, -PracticeSettings::max_semitones, PracticeSettings::max_semitones);
    return s;
}

PracticeSettings with_cents(PracticeSettings s, int cents) {
    s.cents = std::clamp(cents, -PracticeSettings::max_cents, PracticeSettings::max_cents);
    return s;
}

PracticeSettings reset_pitch(PracticeSettings s) {
    s.semitones = 0;
    s.cents = 0;
    return s;
}

PracticeSettings with_loop_pause_ms(PracticeSettings s, int ms) {
    s.loop_pause = std::clamp(ms / 1000.0, 0.0, PracticeSettings::max_loop_pause);
    return s;
}

PracticeSettings with_focus(PracticeSettings s, FocusPreset preset) {
    switch (preset) {
    case FocusPreset::off:
        s.focus_low = s.focus_high = 0;
        break;
    case FocusPreset::bass:
        s.focus_low = first_band;
        s.focus_high = c3_band - 1;
        break;
    case FocusPreset::above_bass:
        s.focus_low = c3_band;
        s.focus_high = last_band;
        break;
    }
    return s;
}

std::optional<FocusPreset> focus_preset(const PracticeSettings& s) {
    for (FocusPreset p : {FocusPreset::off, FocusPreset::bass, FocusPreset::above_bass}) {
        const PracticeSettings f = with_focus(s, p);
        if (f.focus_low == s.focus_low && f.focus_high == s.focus_high) return p;
    }
    return std::nullopt;
}

LoopMs set_loop_start(LoopMs loop, int ms) {
    loop.start = std::max(ms, 0);
    if (loop.end <= loop.start) loop.end = 0;
    return loop;
}

LoopMs set_loop_end(LoopMs loop, int ms) {
    ms = std::max(ms, 0);
    if (ms > loop.start) {
        loop.end = ms;
    } else if (ms < loop.start) {
        loop.end = loop.start;
        loop.start = ms;
    }
    return loop;
}

std::optional<LoopMs> line_interval_loop(const DrawData& draw, int frame, int frame_count) {
    const int last = std::min(frame_count, int(draw.draw_data.size())) - 1;
    if (last < 0) return std::nullopt;
    frame = std::clamp(frame, 0, last);
    int before = frame;
    while (before >= 0 && draw[before].line_mark() == 0)
        --before;
    int after = frame + 1;
    while (after <= last && draw[after].line_mark() == 0)
        ++after;
    if (before < 0 && after > last) return std::nullopt;
    return LoopMs{std::max(before, 0) * frame_ms, std::min(after, frame_count) * frame_ms};
}

LoopMs loop_ms(const LoopRange& loop, int rate) {
    if (!loop.active() || rate <= 0) return {};
    auto ms = [rate](std::int64_t frames) {
        return int(std::llround(double(frames) * 1000 / rate));
    };
    return {ms(loop.start), ms(loop.end)};
}

PracticeSettings with_loop(PracticeSettings s, LoopMs loop, int rate) {
    s.loop = {};
    if (loop.active() && rate > 0) {
        auto frames = [rate](int ms) { return std::int64_t(ms) * rate / 1000; };
        s.loop = {frames(loop.start), frames(loop.end)};
    }
    return s;
}

PracticeSettings for_new_recording(PracticeSettings s) {
    s.loop = {};
    return with_focus(s, FocusPreset::off);
}

int browse_start_frame(const ViewState& view, const GraphClick& click, int frame_count) {
    const int f =
        click.frame >= 0 && click.first_frame == view.first_frame ? click.frame : view.first_frame;
    return std::clamp(f, 0, std::max(frame_count - 1, 0));
}

std::optional<PracticeCommand> practice_key_command(int key) {
    switch (key) {
    case Qt::Key_Space:
        return PracticeCommand::play_here_or_pause;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return PracticeCommand::slower;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return PracticeCommand::faster;
    case Qt::Key_0:
        return PracticeCommand::normal_speed;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return PracticeCommand::loop_start;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return PracticeCommand::loop_end;
    case Qt::Key_L:
        return PracticeCommand::loop_line_interval;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
    case Qt::Key_yen:
        return PracticeCommand::clear_loop;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return PracticeCommand::transpose_down;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return PracticeCommand::transpose_up;
    default:
        return std::nullopt;
    }
}

} // namespace pitkad
