#include "control/edit_commands.h"

namespace pitkad {

int paste_frame(PlayState state, int play_frame, int start_mark, int shown_frame) {
    if (cursor_shown(state)) return play_frame;
    return start_mark >= 0 ? start_mark : shown_frame;
}

bool EditCommands::copy(DrawMode mode) {
    DrawClip taken = copy_selection(draw_, frame_count(), mode);
    if (taken.empty()) return false;
    clip_ = std::move(taken);
    return true;
}

bool EditCommands::cut(DrawMode mode) {
    if (!copy(mode)) return false;
    edit([&] { delete_copied(draw_, frame_count(), mode); });
    return true;
}

bool EditCommands::paste(int frame) {
    bool pasted = false;
    if (!clip_.empty()) edit([&] { pasted = paste_clip(draw_, frame_count(), clip_, frame); });
    return pasted;
}

bool EditCommands::nudge(DrawMode mode, int dx, int dy, bool large) {
    const int n = frame_count();
    const int frames = dx * (large ? selection_line_interval(draw_, n, mode) : 1);
    const int bands = dy * (large ? octave_bands : 1);
    bool moved = false;
    edit([&] { moved = move_selection(draw_, n, mode, frames, bands); });
    return moved;
}

} // namespace pitkad
