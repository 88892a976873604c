#pragma once
// The drawing-tool window's state as the editor, renderer and player read it.
// The window's buttons own these values; operations get a snapshot.

namespace pitkad {

enum class DrawMode { none, pen_draw, line_draw, pen_select, line_select, clipboard };

struct ToolState {
    DrawMode mode = DrawMode::none;
    bool pen_midi = true;       // pen_midi_switch: play the drawing over MIDI
    bool pen_show = true;       // pen_show_switch: show pen marks, allow pen editing
    bool line_show = true;      // line_show_switch: show line marks, allow line editing
    bool quantize = false;      // quantize_button down
    int quantize_division = 16; // quantize_button's tag
    int colour = 16;            // current colour 1 … 16 (grid foreground index + 1)
};

} // namespace pitkad
