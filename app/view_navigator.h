#pragma once
// The window's ways through a recording: the wheel over the graph (time;
// Shift: pitch; Ctrl: time zoom around the pointer; Ctrl+Shift: row
// height), the zoom commands, Home and End, and seeks from the overview.
// While stopped the view's first frame is where playing starts, so moving
// the view moves the play start with it, through the transport.

#include "control/document.h"
#include "control/transport.h"

#include <cmath>
#include <functional>

class QObject;
class QWheelEvent;

namespace pitkad {

class MainMenus;
class MediaPlayer;

class ViewNavigator {
  public:
    struct Hooks {
        std::function<int()> graph_width;
        std::function<void()> relayout;          // the row height changed
        std::function<void(int pixels)> scroll_pitch; // the graph's vertical scroll, by pixels
        std::function<void()> redraw;            // the graph
        std::function<void()> view_moved;        // ruler, overview, zoom caption
    };
    ViewNavigator(Document& doc, Transport& transport, MediaPlayer& player, Hooks hooks);
    // The zoom menu's items run these; `context` outlives none of them.
    void connect_menu(const MainMenus& menus, QObject& context);

    // A wheel event over the graph, at column x of the graph.
    void wheel(const QWheelEvent& event, int x);
    void zoom_by(double factor, int anchor_x);
    void zoom_in() { zoom_by(std::sqrt(2.0), anchor_column()); }
    void zoom_out() { zoom_by(1.0 / std::sqrt(2.0), anchor_column()); }
    void fit_whole();
    void rows_by(int steps);
    void go_home() { go_to(0); }
    void go_end();
    // Goes to `frame` as Home goes to the start: stopped, the view and its
    // play start; otherwise the play position. A placed play start goes too.
    void go_to(int frame);
    // The overview's press: that frame to the middle of the view; while
    // playing or paused, playing goes on from there.
    void show_frame(int frame);

  private:
    // The column zoom keeps in place from the keys: the cursor's while it
    // stands on the graph, else the left edge (the stopped play start).
    int anchor_column() const;
    // Moves to frame `first` (stopped: the view and the play start;
    // otherwise the play position) and redraws.
    void move_to(int first);
    // After a zoom: stopped, the view's first frame is the play start again.
    void show_zoom();
    void changed();

    Document& doc_;
    Transport& transport_;
    MediaPlayer& player_;
    Hooks hooks_;
    int wheel_rest_ = 0; // angle not yet a whole notch (high-resolution wheels)
};

} // namespace pitkad
