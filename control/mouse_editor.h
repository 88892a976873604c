#pragma once
// The graph editor: the main window's mouse handlers. With no drawing mode
// a click sounds the note of its row on MIDI channel 0 (chords with Ctrl);
// in the drawing modes presses and drags draw, erase and select pen marks
// and line marks, or pick a rectangle of analysis values for the clipboard.
// In pen selection mode a drag from a selected cell moves the selection,
// and one from a note's last frame moves that note's end.
// All of it runs on the UI thread.

#include "analysis/spectrogram_store.h"
#include "control/suggested_notes.h"
#include "drawing/draw_data.h"
#include "drawing/draw_edit.h"
#include "drawing/draw_history.h"
#include "drawing/tool_state.h"
#include "midi/midi_port.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pitkad {

enum class MouseButton { left, right, middle };

// What a left press at the pointer would take hold of, for its shape: a
// note's end, the selection, or nothing of the kind.
enum class PointerHold { none, note_end, selection };

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
    // The beats suggested from the sound (ascending frames): a line drawn
    // near one goes on it.
    virtual std::span<const int> suggested_beats() const { return {}; }
    // The notes suggested from the sound: a click with the pen on one takes
    // it. None when there are none to take.
    virtual NoteSuggestions* suggested_notes() { return nullptr; }
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

    // What the pointer at x, y holds or would take hold of.
    PointerHold pointer_hold(int x, int y) const;

    // Slot b (2 … 75) is 1 while the click sound holds the note of band b.
    std::array<std::uint8_t, cells_per_frame> sounding_notes{};
    // A pen stroke, rectangle, move or note-end drag is in progress. The
    // window clears it when playback pages the view.
    bool dragging = false;
    // What the drag does.
    enum class DragKind { rectangle, stroke, move, note_end };
    DragKind drag_kind = DragKind::rectangle;
    // Corners of the drag in client pixels. Rectangles: corner 0 is the
    // press, corner 1 follows the mouse. Pen strokes: drag_x1 stays at the
    // press column, drag_x0 follows the mouse, drag_y0 … drag_y1 span the row.
    // Moves: the selection's outline where it would go. Note ends: the note
    // as it would be.
    std::int32_t drag_x0 = 0, drag_y0 = 0, drag_x1 = 0, drag_y1 = 0;

  private:
    int frame_count() const { return store_.frame_count; }
    void sound_click(MouseButton button, MouseShift shift, int y, const ViewState& view);
    void release_click(MouseShift shift, int y, const ViewState& view);
    void show_labels_and_cursor();
    void draw_lines(MouseButton button, int x, int y, const ToolState& tool, ViewState& view);
    void end_drag(const ToolState& tool, const ViewState& view);
    // A pen selection press on the rows that starts a move or a note-end
    // drag; false when it starts a rectangle.
    bool start_edit_drag(int x, int y, const ViewState& view);
    // The last frame of the note of `band` whose end a press at x takes: one
    // ending in the pressed pixel's frames.
    std::optional<int> note_end_at(int x, int band, const ViewState& view) const;
    // drag_x0 … drag_y1 around frames first … last and bands low … high.
    void outline(int first, int last, int low, int high, const ViewState& view);
    void follow_edit_drag(int x, int y, const ViewState& view);
    void rubber_band_pixel(int px, int py, bool pen_stroke);
    template <typename Fn> void for_outline_band(Fn fn) const;
    template <typename Fn> void edit(Fn fn);

    DrawData& draw_;
    const SpectrogramStore& store_;
    EditorHost& host_;
    DrawHistory* history_;
    // A move: the pressed frame and band, the selection's place then, and
    // the move so far (kept within the recording and the bands).
    int press_frame_ = 0, press_band_ = 0;
    SelectionBounds moved_{};
    int move_frames_ = 0, move_bands_ = 0;
    // A note-end drag: the note's band, first and last frame, and where its
    // end would go.
    int end_band_ = 0, end_first_ = 0, end_last_ = 0, end_now_ = 0;
};

} // namespace pitkad
