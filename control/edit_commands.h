#pragma once
// The edit menu's cut, copy and paste and the keys that move the selection,
// each one step of the drawing's history. The clip lives here, for as long
// as the window that owns this object. UI thread only.

#include "analysis/spectrogram_store.h"
#include "drawing/draw_edit.h"
#include "drawing/draw_history.h"
#include "drawing/tool_state.h"
#include "midi/channel_settings.h"
#include "view/view_state.h"

namespace pitkad {

// Where a paste goes: the play position while playing or paused, else the
// play start when one is placed (start_mark >= 0), else the frame the time
// display shows.
int paste_frame(PlayState state, int play_frame, int start_mark, int shown_frame);

class EditCommands {
  public:
    // Edits are steps of `history` (none: not recorded); `channels` are
    // what the history compares with the drawing.
    EditCommands(DrawData& draw, const SpectrogramStore& store,
                 const MidiChannelSettings& channels, DrawHistory* history = nullptr)
        : draw_(draw), store_(store), channels_(channels), history_(history) {}

    // The selection of `mode` becomes the clip; with nothing selected the
    // clip stays as it was. True when something was copied.
    bool copy(DrawMode mode);
    // Copy, then the copied cells are deleted.
    bool cut(DrawMode mode);
    // The clip at `frame`; its cells become the selection.
    bool paste(int frame);
    // The Alt+arrow keys: dx and dy are -1, 0 or 1 (up is +1); one frame or
    // semitone, or with `large` a line interval or an octave.
    bool nudge(DrawMode mode, int dx, int dy, bool large);

    const DrawClip& clip() const { return clip_; }

  private:
    int frame_count() const { return store_.frame_count; }
    template <typename Fn> void edit(Fn fn) { record_step(history_, draw_, channels_, fn); }

    DrawData& draw_;
    const SpectrogramStore& store_;
    const MidiChannelSettings& channels_;
    DrawHistory* history_;
    DrawClip clip_;
};

} // namespace pitkad
