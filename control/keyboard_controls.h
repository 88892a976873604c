#pragma once
// The main window's keyboard map, the skip-amount popup of the three skip
// buttons and the scroll-speed button, as plain logic over ControlsHost,
// which the main window implements. UI thread only.

#include "view/view_state.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <array>

namespace pitkad {

// The transport's commands, each with its button in the window.
enum class TransportAction { play, stop, pause, skip_forward, skip_back, skip_back_short };
// The four drawing modes that F1 … F4 toggle.
enum class ToolMode { pen_draw, line_draw, pen_select, line_select };

class ControlsHost {
  public:
    virtual ~ControlsHost() = default;
    // Whether the action may run now (its button is enabled).
    virtual bool action_enabled(TransportAction b) const = 0;
    // Runs the action as its button would (play also moves the focus to
    // pause).
    virtual void click(TransportAction b) = 0;
    // Deletes the selection, as the drawing tools do.
    virtual void select_delete() = 0;
    virtual bool tool_window_visible() const = 0;
    // The drawing's lines are shown.
    virtual bool lines_shown() const = 0;
    // Turns the mode on or off; at most one mode is on.
    virtual void toggle_tool_mode(ToolMode b) = 0;
    virtual void reset_draw_select() = 0;
    virtual void write_graph() = 0;
    virtual PlayState play_state() const = 0;
    virtual void replay_from_line() = 0;
    // Moves the selection of the current mode by dx frames and dy bands
    // (-1, 0 or 1; up is +1), or with `large` by a line interval or an
    // octave, as one step of the history.
    virtual void move_selection(int dx, int dy, bool large) = 0;
    // Skip `which` (0 forward, 1 back, 2 short back): its amount and caption.
    virtual void show_skip_amount(int which, int amount_ms, const QString& caption) = 0;
    virtual void set_scroll_caption(const QString& caption) = 0;
};

// The main window's key handler: `key` is a Qt::Key code, `alt`, `ctrl` and
// `shift` whether Alt, Ctrl and Shift are held. True when the key ran an
// action (a click, a replay, a mode toggle, a delete, a move of the
// selection), so that the window can keep it from the position slider.
// Letters mean the same with or without Shift and Ctrl, except Ctrl+O and
// Ctrl+S, which belong to the file menu (open, save), and Ctrl+X, Ctrl+C
// and Ctrl+V, which belong to the edit menu (cut, copy, paste). Esc pauses
// and resumes; it never starts playing. Alt+arrows move the selection a
// frame or a semitone, with Shift a line interval or an octave.
bool handle_key(ControlsHost& host, int key, bool alt, bool ctrl = false, bool shift = false);

// The popup's radio items pop500 … pop50000.
struct SkipItem {
    const char* name;
    const char* caption;
    int ms;
    bool separator_after;
};
inline constexpr std::array<SkipItem, 9> skip_items{{
    {"pop500", "0.5 s", 500, true},
    {"pop1000", "1 s", 1000, false},
    {"pop2000", "2 s", 2000, false},
    {"pop3000", "3 s", 3000, false},
    {"pop5000", "5 s", 5000, true},
    {"pop10000", "10 s", 10000, false},
    {"pop20000", "20 s", 20000, false},
    {"pop30000", "30 s", 30000, false},
    {"pop50000", "50 s", 50000, false},
}};

// Index into skip_items of the item to check for a button's amount: the item
// of |ms|, pop50000 for any amount not in the list.
int mark_skip_item(int ms);
// "0.5" for 500, else whole seconds, truncated.
QString skip_amount_text(int ms);
// Sets the amount (negative for the two back buttons) and the caption of skip
// button `which` for an amount ms > 0.
void set_skip_amount(ControlsHost& host, int which, int ms);
// Where the popup opens, in the window's client coordinates: beside the
// press point on the button.
QPoint skip_popup_point(const QRect& button, const QPoint& press_in_button);

QString scroll_caption(int scroll_speed);
// Cycles scroll_speed 1 → 2 → 4 → 1, keeping the cursor's distance from the
// left edge while playing or paused; `position_ms` is the player's position.
void change_scroll_speed(ControlsHost& host, ViewState& view, PlayState play_state, int position_ms,
                         int frame_count);

} // namespace pitkad
