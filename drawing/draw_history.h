#pragma once
// The undo history of the drawing and of what the drawing file stores with
// it (the programs and volumes of MIDI channels 1 … 8, the annotations). A step keeps only
// the records it changed, each as it was before and after, so memory grows
// with the size of the edits, not of the drawing. UI thread only.
//
// Recording a step: begin_step() keeps a temporary copy of all records,
// end_step() compares and keeps the changed ones. A step is kept only when
// a cell's content (its value without the selected bit), an annotation or
// a channel setting changed: selection changes alone never make a step. A kept step
// stores whole records, selected bits included, so undoing or redoing it
// puts back the selection those records had at that moment; records the
// step did not touch keep whatever selection they have now.
//
// The unsaved state follows the history: DrawData::modified is false
// exactly at the position where the drawing matched its file. A save or a
// load clears DrawData::modified; the history notices that at its next
// step, undo or redo and takes the current position as the saved one.

#include "drawing/draw_data.h"
#include "midi/channel_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace pitkad {

// About 64 MB of steps; the oldest go first.
inline constexpr std::size_t default_history_limit = std::size_t(64) << 20;

// Programs and volumes of the drawing's channels 1 … 8.
struct DrawChannels {
    std::array<int, 8> programs{};
    std::array<int, 8> volumes{};
    friend bool operator==(const DrawChannels&, const DrawChannels&) = default;
};
DrawChannels draw_channels(const MidiChannelSettings& settings);
void set_draw_channels(MidiChannelSettings& settings, const DrawChannels& channels);

struct DrawStep {
    std::vector<std::int32_t> frames; // ascending
    std::vector<draw_frame> before, after;
    DrawChannels channels_before, channels_after;
    // Before and after, only when the step changed them.
    std::shared_ptr<const std::pair<DrawAnnotations, DrawAnnotations>> annotations;
    std::size_t bytes() const;
};

// What an undo or redo did.
struct HistoryMove {
    bool moved = false;
    bool channels = false; // programs or volumes changed: send the programs again
};

class DrawHistory {
  public:
    explicit DrawHistory(std::size_t limit_bytes = default_history_limit) : limit_(limit_bytes) {}

    // Starts a step; a step still open is ended first.
    void begin_step(const DrawData& draw, const MidiChannelSettings& settings);
    // Ends the open step; true when it changed content and was kept. Then
    // the steps that could have been redone are gone.
    bool end_step(DrawData& draw, const MidiChannelSettings& settings);
    bool step_open() const { return open_; }

    bool can_undo() const { return position_ > 0; }
    bool can_redo() const { return position_ < steps_.size(); }
    HistoryMove undo(DrawData& draw, MidiChannelSettings& settings);
    HistoryMove redo(DrawData& draw, MidiChannelSettings& settings);

    // Forgets every step (a recording or a drawing file was opened).
    void clear();

    std::size_t undo_count() const { return position_; }
    std::size_t redo_count() const { return steps_.size() - position_; }
    std::size_t bytes() const { return bytes_; }
    std::size_t limit() const { return limit_; }

    // Called after anything that may change can_undo() or can_redo().
    std::function<void()> on_change;

  private:
    void note_save(const DrawData& draw);
    // Undo (back) or redo of one step.
    HistoryMove take_step(DrawData& draw, MidiChannelSettings& settings, bool back);
    void changed() const;

    std::size_t limit_;
    std::deque<DrawStep> steps_;
    std::size_t position_ = 0; // steps applied
    // The position where the drawing matched its file; -1 when that state
    // is no longer in the history.
    long saved_ = 0;
    std::size_t bytes_ = 0;
    bool open_ = false;
    std::vector<draw_frame> snapshot_;
    DrawChannels snapshot_channels_;
    DrawAnnotations snapshot_annotations_;
};

// Runs edit() as one step of `history` (when there is one); edit() may change
// the drawing and `settings`, which are compared before and after.
template <typename Fn>
void record_step(DrawHistory* history, DrawData& draw, const MidiChannelSettings& settings,
                 Fn edit) {
    if (history) history->begin_step(draw, settings);
    edit();
    if (history) history->end_step(draw, settings);
}

} // namespace pitkad
