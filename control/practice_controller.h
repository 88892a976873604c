#pragma once
// The practice tools' commands over the open document: every change of the
// practice settings is stored in the document (the loop in milliseconds
// too), handed to the player and the MIDI port's transposition, and shown
// through PracticeHost. The menu, the panel, the keys and the graph's drags
// all come here. UI thread only.

#include "control/document.h"
#include "control/mouse_editor.h"
#include "control/practice_controls.h"
#include "control/practice_drag.h"

namespace pitkad {

class MediaPlayer;
class Transport;

class PracticeHost {
  public:
    virtual ~PracticeHost() = default;
    // The settings in force changed: show them. `marks_moved` when the loop
    // or the focus moved, which the graph shows.
    virtual void practice_changed(bool marks_moved) = 0;
    // Playing started from the practice position.
    virtual void playing_from_here() = 0;
};

class PracticeController {
  public:
    PracticeController(Document& doc, MediaPlayer& player, Transport& transport,
                       PracticeHost& host);

    // The last left press on the graph while stopped: where the practice
    // tools act until playing starts.
    GraphClick graph_click;

    void set(const PracticeSettings& settings, LoopMs loop);
    void set(const PracticeSettings& settings) { set(settings, doc_.practice_loop); }
    // The settings again, now that the player knows the recording's rate.
    void apply_again() { set(doc_.practice); }
    // Where the practice tools act: the player's position while the cursor
    // is shown, else the play start when one is placed, else the frame
    // browsed to (in ms); -1 without a recording.
    int position_ms() const;

    void play_here();
    void speed_step(int direction);
    void speed(int percent);
    void transpose(int semitones); // to this transposition
    void transpose_by(int steps) { transpose(doc_.practice.semitones + steps); }
    void cents(int cents);
    void reset_pitch();
    void loop_start();
    void loop_end();
    void loop_lines();
    void clear_loop();
    void loop_pause(int ms);
    void channels(ChannelMode mode);
    void focus(FocusPreset preset);
    void engine(StretchEngine engine);
    // The loop and focus drags on the graph, beside the editor's handling
    // of the same presses. Each is true when the graph must show anew.
    bool drag_press(MouseButton button, const PracticeDragZones& zones, int x, int y);
    bool drag_move(int x, int y);
    bool drag_release(MouseButton button, int x, int y);
    bool dragging() const { return drag_.active(); }
    // What the graph shows: a drag under way shows what it would set.
    PracticeSettings shown() const;

    // Runs a practice key's command; false when `key` is none, or a play
    // key that has nothing to do now.
    bool run_key(int key);

  private:
    Document& doc_;
    MediaPlayer& player_;
    Transport& transport_;
    PracticeHost& host_;
    PracticeDrag drag_;
};

} // namespace pitkad
