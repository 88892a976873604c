#include "drawing/draw_history.h"

#include <algorithm>

namespace pitkad {

namespace {

bool same_content(const draw_frame& a, const draw_frame& b) {
    for (std::size_t i = 0; i < a.slot.size(); ++i)
        if ((a.slot[i] ^ b.slot[i]) & ~draw_selected_bit) return false;
    return true;
}

} // namespace

DrawChannels draw_channels(const MidiChannelSettings& settings) {
    DrawChannels c;
    for (std::size_t k = 0; k < 8; ++k) {
        c.programs[k] = settings.program[k + 1];
        c.volumes[k] = settings.volume[k + 1];
    }
    return c;
}

void set_draw_channels(MidiChannelSettings& settings, const DrawChannels& channels) {
    for (std::size_t k = 0; k < 8; ++k) {
        settings.program[k + 1] = channels.programs[k];
        settings.volume[k + 1] = channels.volumes[k];
    }
}

std::size_t DrawStep::bytes() const {
    return sizeof(DrawStep) + frames.capacity() * sizeof(std::int32_t) +
           (before.capacity() + after.capacity()) * sizeof(draw_frame) +
           (annotations ? sizeof(*annotations) : 0);
}

void DrawHistory::note_save(const DrawData& draw) {
    if (!draw.modified) saved_ = long(position_);
}

void DrawHistory::changed() const {
    if (on_change) on_change();
}

void DrawHistory::begin_step(const DrawData& draw, const MidiChannelSettings& settings) {
    open_ = true;
    snapshot_ = draw.draw_data;
    snapshot_channels_ = draw_channels(settings);
    snapshot_annotations_ = draw.annotations;
    note_save(draw);
}

bool DrawHistory::end_step(DrawData& draw, const MidiChannelSettings& settings) {
    if (!open_) return false;
    open_ = false;
    // The copy is only needed while the step is open.
    const std::vector<draw_frame> before = std::move(snapshot_);
    snapshot_ = {};

    DrawStep step;
    step.channels_before = snapshot_channels_;
    step.channels_after = draw_channels(settings);
    bool content = step.channels_before != step.channels_after;
    if (snapshot_annotations_ != draw.annotations) {
        step.annotations =
            std::make_shared<const std::pair<DrawAnnotations, DrawAnnotations>>(
                std::move(snapshot_annotations_), draw.annotations);
        content = true;
    }
    snapshot_annotations_ = {};
    const std::size_t n = std::min(before.size(), draw.draw_data.size());
    for (std::size_t f = 0; f < n; ++f) {
        const draw_frame& old = before[f];
        const draw_frame& now = draw.draw_data[f];
        if (old == now) continue;
        content = content || !same_content(old, now);
        step.frames.push_back(std::int32_t(f));
        step.before.push_back(old);
        step.after.push_back(now);
    }
    if (!content) return false;
    step.frames.shrink_to_fit();
    step.before.shrink_to_fit();
    step.after.shrink_to_fit();

    // A new step ends the line of steps that could have been redone.
    while (steps_.size() > position_) {
        bytes_ -= steps_.back().bytes();
        steps_.pop_back();
    }
    if (saved_ > long(position_)) saved_ = -1;
    bytes_ += step.bytes();
    steps_.push_back(std::move(step));
    ++position_;
    // The newest step stays even when it alone is over the limit.
    while (bytes_ > limit_ && steps_.size() > 1) {
        bytes_ -= steps_.front().bytes();
        steps_.pop_front();
        --position_;
        if (saved_ >= 0) --saved_;
    }
    draw.modified = saved_ != long(position_);
    changed();
    return true;
}

HistoryMove DrawHistory::undo(DrawData& draw, MidiChannelSettings& settings) {
    return take_step(draw, settings, true);
}

HistoryMove DrawHistory::redo(DrawData& draw, MidiChannelSettings& settings) {
    return take_step(draw, settings, false);
}

HistoryMove DrawHistory::take_step(DrawData& draw, MidiChannelSettings& settings, bool back) {
    if (open_) end_step(draw, settings);
    if (back ? !can_undo() : !can_redo()) return {};
    note_save(draw);
    const DrawStep& s = back ? steps_[--position_] : steps_[position_++];
    const std::vector<draw_frame>& records = back ? s.before : s.after;
    for (std::size_t i = 0; i < s.frames.size(); ++i)
        draw[s.frames[i]] = records[i];
    set_draw_channels(settings, back ? s.channels_before : s.channels_after);
    if (s.annotations) draw.annotations = back ? s.annotations->first : s.annotations->second;
    draw.modified = saved_ != long(position_);
    changed();
    return {true, s.channels_before != s.channels_after};
}

void DrawHistory::clear() {
    steps_.clear();
    position_ = 0;
    saved_ = 0;
    bytes_ = 0;
    open_ = false;
    snapshot_ = {};
    changed();
}

} // namespace pitkad
