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

enum class TransportButton {
    play_button,
    stop_button,
    pause_button,
    skip_forward_button,
    skip_back_button,
    skip_back_short_button
};
// The four drawing-mode buttons that F1 … F4 toggle.
enum class ModeButton { pen_draw_button, line_draw_button, pen_select_button, line_select_button };

class ControlsHost {
  public:
    virtual ~ControlsHost() = default;
    virtual bool button_enabled(TransportButton b) const = 0;
    // Runs the button's click handler (on_play also moves the focus
    // to pause_button).
    virtual void click(TransportButton b) = 0;
    // The drawing-tool window's on_delete_selection.
    virtual void select_delete() = 0;
    virtual bool tool_window_visible() const = 0;
    virtual bool line_show_down() const = 0; // line_show_switch
    // Toggles the button's down state; the tool window keeps at most one
    // mode button down.
    virtual void toggle_mode_button(ModeButton b) = 0;
    virtual void reset_draw_select() = 0;
    virtual void write_graph() = 0;
    virtual PlayState play_state() const = 0;
    virtual void replay_from_line() = 0;
    // Skip button `which` (0 skip_forward_button, 1 skip_back_button, 2 skip_back_short_button):
    // its amount and caption.
    virtual void set_skip_button(int which, int amount_ms, const QString& caption) = 0;
    virtual void set_scroll_caption(const QString& caption) = 0;
};

// The main window's key handler: `key` is a Qt::Key code, `alt` whether Alt
// is held. True when the key ran an action (a click, a replay, a mode
// toggle, a delete), so that the window can keep it from the position slider.
bool handle_key(ControlsHost& host, int key, bool alt);

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
