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

// A count of 20 ms frames as tenths of a second: 617 → "12.3 s".
QString time_text(int frames);

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
    void stop_playback();
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
};

} // namespace pitkad
