#pragma once
// The drawing-tool window's state as the editor, renderer and player read it.
// The window's buttons own these values; operations get a snapshot.

namespace pitkad {

enum class DrawMode { none, pen_draw, line_draw, pen_select, line_select, clipboard };

struct ToolState {
    DrawMode mode = DrawMode::none;
    bool pen_midi = true;       // PenMidiSwitch: play the drawing over MIDI
    bool pen_show = true;       // PenShowSwitch: show pen marks, allow pen editing
    bool line_show = true;      // LineShowSwitch: show line marks, allow line editing
    bool quantize = false;      // QuantizeButton down
    int quantize_division = 16; // QuantizeButton's tag
    int colour = 16;            // current colour 1 … 16 (grid foreground index + 1)
};

} // namespace pitkad
