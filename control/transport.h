#pragma once
// The main window's transport: play_state, the commands that move the
// player, the playback thread, the MIDI port and the view between states,
// and the playback tick. A plain class over references to the shared state;
// window-side effects go through TransportHost. UI thread only, except
// play_state, which the playback thread reads.

#include "audio/media_player.h"
#include "view/view_state.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

namespace pitkad {

struct SpectrogramStore;
struct DrawData;
struct ViewState;
class MidiPort;
struct MidiChannelSettings;
class Playline;

// What the transport needs from the main window (tests fake it).
class TransportHost {
  public:
    virtual ~TransportHost() = default;
    virtual void write_graph() = 0;
    virtual void write_line(int frame) = 0;
    // Enables or disables the six transport buttons and position_slider together.
    virtual void set_transport_enabled(bool enabled) = 0;
    // Moves position_slider (0 … 200). When the value actually changes the window
    // calls Transport::on_position_moved, as a slider's valueChanged does.
    virtual void show_position(int position) = 0;
    virtual int shown_position() const = 0;
    virtual void set_time_text(const QString& text) = 0; // time_display
    virtual void set_caption(const QString& text) = 0;
    virtual void focus_time_display() = 0;
    // The player could not open the recording.
    virtual void show_open_error(const PlaybackError& error) = 0;
    // The left mouse button is down now or was pressed since the last query;
    // the query clears the "pressed since" latch.
    virtual bool left_button_down_or_pressed() = 0;
    virtual bool pen_midi_down() const = 0; // pen_midi_switch
    // Forwarded to the drawing MIDI player.
    virtual void drawing_midi_step(int g) = 0;
    virtual void drawing_midi_sound_held(int g) = 0;
};

// Round to nearest, ties to even.
int round_ties_even(double x);

// Where position_slider stands for `frame` of `frame_count`; 0 when the
// recording is empty.
int slider_position(int frame, int frame_count);

// A count of 20 ms frames as tenths of a second: 617 → "12.3 s".
QString time_text(int frames);
// The time display: "position / length" as clocks in tenths ("1:05.3",
// from an hour on "1:00:00.0"), or with `in_seconds` the position alone as
// time_text shows it.
QString time_display_text(int frame, int length_frames, bool in_seconds);

class Transport {
  public:
    // Ticks are paced so that the playback thread does not flood the UI
    // thread; a frame lasts 20 ms, so every frame still gets several ticks.
    static constexpr std::chrono::microseconds default_tick_interval{4000};

    Transport(SpectrogramStore& store, DrawData& draw, ViewState& view,
              const MidiChannelSettings& channels, MidiPort& midi, MediaPlayer& player,
              TransportHost& host);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Written by the UI thread only; the playback thread reads it.
    std::atomic<PlayState> play_state{PlayState::no_recording};
    bool slider_set_by_tick = false;
    bool slider_dragged = false;
    // Playback time in tenths last written to the time display; kept across
    // stop and play.
    int shown_tenths = 0;
    // The frame of the last tick or jump: a tick before it went round a loop.
    int last_tick_frame_ = -1;

    void reset_recording();
    // Stops; the position goes back to the play start when one is placed,
    // else to the recording's start.
    void stop_playback();
    // Plays from the play start when one is placed, else from 0.
    void start_playback();
    // Plays from `from_ms` (start_playback plays from 0).
    void start_playback_at(int from_ms);
    void toggle_pause();
    void change_time();
    void seek_relative(int ms);
    void replay_from_line();
    void on_position_moved();
    // Runs on the UI thread, requested by the playback thread.
    void playback_tick();

    // The play start placed by a click on the graph while stopped: the
    // frame PLAY plays from and STOP returns to. False (and nothing
    // changes) unless stopped; the frame is kept within the recording. The
    // time display and the slider move to it; the view stays.
    bool place_start_mark(int frame);
    // The play start's frame; -1 when none is placed (a new recording has none).
    int start_mark() const { return start_mark_; }
    // The frame the time display shows.
    int shown_frame() const { return shown_frame_; }

    // The time display as seconds alone instead of "position / length".
    void set_time_in_seconds(bool in_seconds);
    bool time_in_seconds() const { return time_in_seconds_; }

    PlayState state() const { return play_state.load(std::memory_order_relaxed); }
    bool thread_running() const { return playline_ != nullptr || playback_open_; }
    void set_tick_interval(std::chrono::microseconds interval) { tick_interval_ = interval; }
    // Tests that call playback_tick themselves turn the thread off.
    void set_playline_enabled(bool enabled) { playline_enabled_ = enabled; }
    const Playline* playline() const { return playline_.get(); }
    MediaPlayer& player() { return player_; }
    // The frames the drawing is read ahead of the cursor: the channel
    // settings' delay is the synthesizer's latency in real time, so at other
    // speeds it covers that many frames times the speed.
    int midi_read_ahead() const;

  private:
    // Ends the playback thread (serving its pending ticks), stops and closes
    // the player.
    void end_playback();
    void set_time_display(int frame);
    // After a start, resume or seek: ends the drawing's notes and sounds
    // those held at the player's new frame, when the drawing plays. A jump
    // that lands inside a drawn note would otherwise leave it silent, as the
    // tick's steps start notes only at their first frames.
    void sound_held_drawing();

    SpectrogramStore& store_;
    DrawData& draw_;
    ViewState& view_;
    const MidiChannelSettings& channels_;
    MidiPort& midi_;
    MediaPlayer& player_;
    TransportHost& host_;
    // Lives on the UI thread: the playback thread's ticks are queued to it.
    QObject tick_context_;
    std::unique_ptr<Playline> playline_;
    std::chrono::microseconds tick_interval_ = default_tick_interval;
    bool playline_enabled_ = true;
    bool playback_open_ = false; // the state the thread flag stands for when disabled
    int start_mark_ = -1;
    // The view's first frame when the play start was placed: STOP shows it again.
    int start_mark_view_ = 0;
    // The slider is being moved to the play start: the view does not follow it.
    bool showing_start_mark_ = false;
    bool time_in_seconds_ = false;
    int shown_frame_ = 0; // the frame the time display shows
    // Moves the slider to `frame`'s place in the recording.
    void show_slider_at(int frame);
};

} // namespace pitkad
