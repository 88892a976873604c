#pragma once
// The graph editor: the main window's mouse handlers. With no drawing mode
// a click sounds the note of its row on MIDI channel 0 (chords with Ctrl);
// in the drawing modes presses and drags draw, erase and select pen marks
// and line marks, or pick a rectangle of analysis values for the clipboard.
// All of it runs on the UI thread.

#include "analysis/spectrogram_store.h"
#include "drawing/draw_data.h"
#include "drawing/draw_history.h"
#include "drawing/tool_state.h"
#include "midi/midi_port.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <string>

namespace pitkad {

enum class MouseButton { left, right, middle };

// Ctrl and the buttons held during the event.
struct MouseShift {
    bool ctrl = false;
    bool left = false;
    bool right = false;
    bool middle = false;
};

// What the editor needs from the main window.
class EditorHost {
  public:
    virtual ~EditorHost() = default;
    // The drawing-tool window's buttons at this moment.
    virtual ToolState tool_state() const = 0;
    // Rebuilds and shows the whole view.
    virtual void write_graph() = 0;
    // Note labels (with the sounding notes lit) when left_labels_action is enabled,
    // then the graph bitmap copied to the window.
    virtual void draw_note_labels_and_show() = 0;
    // Moves the playback cursor to a frame.
    virtual void write_line(int frame) = 0;
    virtual int player_position_ms() const = 0;
    virtual PlayState play_state() const = 0;
    virtual ViewState& view_state() = 0;
    // Width of the graph bitmap; its height is the view's graph_height().
    virtual int graph_width() const = 0;
    virtual MidiPort& midi_port() = 0;
    // The window's content: one pixel set, a rectangle put back from the
    // graph bitmap, a rectangle to be repainted. Rectangles are x, y, width,
    // height; both calls clip to the picture.
    virtual void set_screen_pixel(int x, int y, Rgb colour) = 0;
    virtual void restore_screen_rect(int x, int y, int w, int h) = 0;
    virtual void update_screen_rect(int x, int y, int w, int h) = 0;
    virtual void set_clipboard_text(const std::string& text) = 0;
};

class MouseEditor {
  public:
    // Each edit a press or a release makes is one step of `history` (none:
    // edits are not recorded).
    MouseEditor(DrawData& draw, const SpectrogramStore& store, EditorHost& host,
                DrawHistory* history = nullptr)
        : draw_(draw), store_(store), host_(host), history_(history) {}

    void press(MouseButton button, MouseShift shift, int x, int y);
    void move(MouseShift shift, int x, int y);
    void release(MouseButton button, MouseShift shift, int x, int y);

    void draw_rubber_band();
    void erase_rubber_band();

    // Slot b (2 … 75) is 1 while the click sound holds the note of band b.
    std::array<std::uint8_t, cells_per_frame> sounding_notes{};
    // A pen stroke or rectangle drag is in progress. The window clears it
    // when playback pages the view.
    bool dragging = false;
    // Corners of the drag in client pixels. Rectangles: corner 0 is the
    // press, corner 1 follows the mouse. Pen strokes: drag_x1 stays at the
    // press column, drag_x0 follows the mouse, drag_y0 … drag_y1 span the row.
    std::int32_t drag_x0 = 0, drag_y0 = 0, drag_x1 = 0, drag_y1 = 0;

  private:
    int frame_count() const { return store_.frame_count; }
    void sound_click(MouseButton button, MouseShift shift, int y, const ViewState& view);
    void release_click(MouseShift shift, int y, const ViewState& view);
    void show_labels_and_cursor();
    void draw_lines(MouseButton button, int x, int y, const ToolState& tool, ViewState& view);
    void end_drag(const ToolState& tool, const ViewState& view);
    void rubber_band_pixel(int px, int py, bool pen_stroke);
    template <typename Fn> void for_outline_band(Fn fn) const;
    template <typename Fn> void edit(Fn fn);

    DrawData& draw_;
    const SpectrogramStore& store_;
    EditorHost& host_;
    DrawHistory* history_;
};

} // namespace pitkad
