#include "control/section_markers.h"

#include "control/playback_units.h"
#include "drawing/midi_file.h"

#include <Qt>

#include <algorithm>
#include <unordered_set>

namespace pitkad {

std::string new_marker_name(const DrawAnnotations& a, std::string_view pattern) {
    const std::size_t at = pattern.find("%1");
    const auto name = [&](int n) {
        if (at == std::string_view::npos) return std::string(pattern) + " " + std::to_string(n);
        return std::string(pattern.substr(0, at)) + std::to_string(n) +
               std::string(pattern.substr(at + 2));
    };
    std::unordered_set<std::string> used;
    for (const SectionMarker& m : a.markers)
        used.insert(m.name);
    int n = 1;
    while (used.count(name(n)))
        ++n;
    return name(n);
}

int marker_at_or_before(const DrawAnnotations& a, int frame) {
    return marker_before(a, frame + 1);
}

std::optional<int> next_marker_frame(const DrawAnnotations& a, int frame) {
    const int i = marker_after(a, frame);
    if (i < 0) return std::nullopt;
    return a.markers[std::size_t(i)].frame;
}

std::optional<int> previous_marker_frame(const DrawAnnotations& a, int frame, int grace) {
    const int i = marker_before(a, frame - std::max(grace, 0));
    if (i < 0) return std::nullopt;
    return a.markers[std::size_t(i)].frame;
}

int SectionMarkers::add(int frame, std::string name, int frame_count) {
    if (frame_count <= 0 || draw_.annotations.markers.size() >= std::size_t(annotation_count_max))
        return -1;
    int index = -1;
    edit([&] {
        index =
            add_marker(draw_.annotations, std::clamp(frame, 0, frame_count - 1), std::move(name));
        draw_.modified = true;
    });
    return index;
}

bool SectionMarkers::rename(int index, std::string name) {
    auto& markers = draw_.annotations.markers;
    if (index < 0 || index >= int(markers.size())) return false;
    const int frame = markers[std::size_t(index)].frame;
    // Added again, so that the name is cut as every name is.
    DrawAnnotations probe;
    add_marker(probe, frame, std::move(name));
    if (probe.markers[0].name == markers[std::size_t(index)].name) return false;
    edit([&] {
        markers[std::size_t(index)].name = std::move(probe.markers[0].name);
        draw_.modified = true;
    });
    return true;
}

int SectionMarkers::move(int index, int frame, int frame_count) {
    auto& markers = draw_.annotations.markers;
    if (index < 0 || index >= int(markers.size()) || frame_count <= 0) return -1;
    frame = std::clamp(frame, 0, frame_count - 1);
    if (markers[std::size_t(index)].frame == frame) return -1;
    int moved = -1;
    edit([&] {
        SectionMarker m = std::move(markers[std::size_t(index)]);
        markers.erase(markers.begin() + index);
        moved = add_marker(draw_.annotations, frame, std::move(m.name));
        draw_.modified = true;
    });
    return moved;
}

bool SectionMarkers::remove(int index) {
    auto& markers = draw_.annotations.markers;
    if (index < 0 || index >= int(markers.size())) return false;
    edit([&] {
        markers.erase(markers.begin() + index);
        draw_.modified = true;
    });
    return true;
}

namespace {

LoopMs frames_loop(int first, int end) {
    return {first * frame_ms, end * frame_ms};
}

int last_frame(const DrawData& draw, int frame_count) {
    return std::min(frame_count, int(draw.draw_data.size())) - 1;
}

} // namespace

std::optional<LoopMs> section_loop(const DrawAnnotations& a, int frame, int frame_count) {
    if (a.markers.empty() || frame_count <= 0) return std::nullopt;
    const int i = marker_at_or_before(a, frame);
    // Before the first marker the section starts with the recording.
    const int first = i < 0 ? 0 : a.markers[std::size_t(i)].frame;
    // Markers on one frame make no section of their own.
    const std::optional<int> next = next_marker_frame(a, first);
    return frames_loop(first, std::min(next.value_or(frame_count), frame_count));
}

std::optional<LoopMs> bar_loop(std::span<const LineCount> lines, int frame, int frame_count) {
    if (lines.empty() || frame_count <= 0) return std::nullopt;
    int first = 0;
    for (const LineCount& c : lines)
        if (c.beat == 1 && c.frame <= frame) first = c.frame;
    for (const LineCount& c : lines)
        if (c.beat == 1 && c.frame > first) return frames_loop(first, c.frame);
    // The last bar runs to the recording's end.
    if (frame_count <= first) return std::nullopt;
    return frames_loop(first, frame_count);
}

std::optional<LoopMs> beats_loop(const DrawData& draw, int frame, int frame_count, int beats) {
    const int last = last_frame(draw, frame_count);
    if (beats < 1 || last < 0) return std::nullopt;
    frame = std::clamp(frame, 0, last);
    int first = frame;
    while (first >= 0 && draw[first].line_mark() == 0)
        --first;
    int end = std::max(first, 0);
    bool any = first >= 0;
    for (int n = 0; n < beats && end < frame_count; ++n) {
        ++end;
        while (end <= last && draw[end].line_mark() == 0)
            ++end;
        any = any || end <= last;
    }
    if (!any) return std::nullopt;
    return frames_loop(std::max(first, 0), std::min(end, frame_count));
}

namespace {

// The line mark nearest to `ms` on the side `direction`, strictly, as ms.
std::optional<int> neighbouring_line(const DrawData& draw, int ms, int direction, int frame_count) {
    const int last = last_frame(draw, frame_count);
    if (direction < 0) {
        for (int f = std::min((ms - 1) / frame_ms, last); f >= 0 && ms > 0; --f)
            if (draw[f].line_mark() != 0) return f * frame_ms;
    } else {
        for (int f = std::max(ms / frame_ms + 1, 0); f <= last; ++f)
            if (draw[f].line_mark() != 0) return f * frame_ms;
    }
    return std::nullopt;
}

} // namespace

std::optional<LoopMs> nudge_loop(LoopMs loop, LoopNudge nudge, const DrawData& draw,
                                 int frame_count) {
    if (frame_count <= 0 || !loop.active()) return std::nullopt;
    const int from = nudge.end ? loop.end : loop.start;
    int to = from + nudge.direction * frame_ms;
    if (nudge.by_line) {
        const std::optional<int> line = neighbouring_line(draw, from, nudge.direction, frame_count);
        if (!line) return std::nullopt;
        to = *line;
    }
    to = std::clamp(to, 0, frame_count * frame_ms);
    if (to == from) return std::nullopt;
    LoopMs moved = loop;
    if (nudge.end) {
        if (to < loop.start + frame_ms) return std::nullopt;
        moved.end = to;
    } else {
        if (to > loop.end - frame_ms) return std::nullopt;
        moved.start = to;
    }
    return moved;
}

SectionKey section_key(int key, bool alt, bool ctrl, bool shift) {
    if (!alt && key == Qt::Key_M) return {SectionCommand::add_marker, {}};
    if (!ctrl) return {};
    if (!alt && !shift && key == Qt::Key_Right) return {SectionCommand::next_marker, {}};
    if (!alt && !shift && key == Qt::Key_Left) return {SectionCommand::previous_marker, {}};
    // Shift makes "," a "<" on most layouts: both characters count.
    int direction = 0;
    if (key == Qt::Key_Comma || key == Qt::Key_Less) direction = -1;
    if (key == Qt::Key_Period || key == Qt::Key_Greater) direction = 1;
    if (direction == 0) return {};
    return {{}, LoopNudge{shift, direction, alt}};
}

} // namespace pitkad
