#include "control/transport.h"

#include "analysis/spectrogram_store.h"
#include "control/playback_units.h"
#include "control/playline.h"
#include "drawing/draw_data.h"
#include "midi/channel_settings.h"
#include "midi/midi_port.h"
#include "view/time_ruler.h"
#include "view/view_state.h"

#include <algorithm>
#include <cmath>

namespace pitkad {

int round_ties_even(double x) {
    const double lower = std::floor(x);
    const double diff = x - lower;
    double r = lower;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0.0)) r = lower + 1.0;
    return int(r);
}

QString time_text(int frames) {
    const int t = frames / frames_per_tenth;
    return QString::number(t / 10) + QLatin1Char('.') + QString::number(t % 10) +
           QLatin1String(seconds_suffix);
}

QString time_display_text(int frame, int length_frames, bool in_seconds) {
    if (in_seconds) return time_text(frame);
    // Clocks in tenths, as the time ruler writes them: "1:05.3", "1:00:00.0".
    const auto clock = [](int frames) {
        return QString::fromStdString(clock_text(std::int64_t(std::max(frames, 0)) * frame_ms, true));
    };
    return clock(frame) + QLatin1String(" / ") + clock(length_frames);
}

int slider_position(int frame, int frame_count) {
    // No division for an empty recording: the slider stays at 0.
    if (frame_count <= 0) return 0;
    return std::clamp(round_ties_even(double(frame) * position_slider_max / frame_count), 0,
                      position_slider_max);
}

Transport::Transport(SpectrogramStore& store, DrawData& draw, ViewState& view,
                     const MidiChannelSettings& channels, MidiPort& midi, MediaPlayer& player,
                     TransportHost& host)
    : store_(store), draw_(draw), view_(view), channels_(channels), midi_(midi), player_(player),
      host_(host) {}

Transport::~Transport() {
    if (playline_) playline_->finish();
}

void Transport::end_playback() {
    if (playline_) {
        playline_->finish();
        playline_.reset();
    }
    playback_open_ = false;
    player_.stop();
    player_.close();
}

void Transport::set_time_display(int frame) {
    shown_frame_ = frame;
    host_.set_time_text(time_display_text(frame, store_.frame_count, time_in_seconds_));
}

void Transport::set_time_in_seconds(bool in_seconds) {
    time_in_seconds_ = in_seconds;
    set_time_display(shown_frame_);
}

void Transport::show_slider_at(int frame) {
    showing_start_mark_ = true;
    host_.show_position(slider_position(frame, store_.frame_count));
    showing_start_mark_ = false;
}

bool Transport::place_start_mark(int frame) {
    if (state() != PlayState::stopped) return false;
    start_mark_ = std::clamp(frame, 0, std::max(store_.frame_count - 1, 0));
    start_mark_view_ = std::min(view_.first_frame, start_mark_);
    show_slider_at(start_mark_);
    set_time_display(start_mark_);
    host_.write_graph();
    return true;
}

int Transport::midi_read_ahead() const {
    return int(std::lround(channels_.delay * player_.practice().speed));
}

void Transport::sound_held_drawing() {
    last_tick_frame_ = player_.position() / frame_ms;
    if (midi_.midi_ok() && state() == PlayState::playing && host_.pen_midi_down())
        host_.drawing_midi_sound_held(last_tick_frame_ + midi_read_ahead());
}

void Transport::reset_recording() {
    // The player may also be open in state 1 after a failed play; release it too.
    end_playback();
    midi_.midi_off();
    play_state = PlayState::no_recording;
    start_mark_ = -1;
    view_.first_frame = 0;
    store_.reset();
    draw_.clear();
    draw_.fit(0);
    host_.set_caption(QString::fromUtf8(program_caption));
    host_.set_transport_enabled(false);
    host_.show_position(0);
    set_time_display(0);
}

void Transport::stop_playback() {
    end_playback();
    midi_.midi_off();
    host_.set_transport_enabled(true);
    if (start_mark_ >= 0) {
        // Back to the play start, with the view as it was when it was placed.
        play_state = PlayState::stopped;
        view_.first_frame = start_mark_view_;
        show_slider_at(start_mark_);
        set_time_display(start_mark_);
        host_.write_graph();
        return;
    }
    // The slider's change handler still sees the old state here: stopped, it
    // browses back to frame 0.
    host_.show_position(0);
    set_time_display(0);
    play_state = PlayState::stopped;
    view_.first_frame = 0;
    host_.write_graph();
}

void Transport::start_playback() {
    start_playback_at(start_mark_ >= 0 ? start_mark_ * frame_ms : 0);
}

void Transport::start_playback_at(int from_ms) {
    switch (state()) {
    case PlayState::stopped: {
        const PlaybackError error = player_.open();
        if (!error.ok()) {
            host_.show_open_error(error);
            return;
        }
        if (player_.play(from_ms) != MediaPlayer::ok) return;
        slider_set_by_tick = false;
        slider_dragged = false;
        player_.set_time_format_ms();
        play_state = PlayState::playing;
        // From the start the graph goes back to it; from elsewhere the view
        // stays where it was browsed, and the tick pages to the cursor.
        if (from_ms == 0) view_.first_frame = 0;
        host_.write_graph();
        if (playline_enabled_) {
            playline_ = std::make_unique<Playline>(
                play_state, tick_context_, [this] { playback_tick(); }, tick_interval_);
            playline_->start();
        } else {
            playback_open_ = true;
        }
        sound_held_drawing();
        break;
    }
    case PlayState::playing:
    case PlayState::paused:
        player_.play(from_ms);
        play_state = PlayState::playing;
        if (from_ms == 0) view_.first_frame = 0;
        host_.write_graph();
        sound_held_drawing();
        break;
    default:
        break;
    }
}

void Transport::toggle_pause() {
    switch (state()) {
    case PlayState::playing:
        player_.pause_toggle();
        midi_.midi_off();
        play_state = PlayState::paused;
        break;
    case PlayState::paused:
        player_.pause_toggle();
        play_state = PlayState::playing;
        sound_held_drawing();
        break;
    default:
        break;
    }
}

void Transport::change_time() {
    const int p = host_.shown_position();
    const PlayState s = state();
    if (s == PlayState::stopped) {
        const int n = store_.frame_count;
        view_.first_frame =
            std::clamp(round_ties_even(double(p * n) / position_slider_max), 0, std::max(n, 0));
        host_.write_graph();
        set_time_display(view_.first_frame);
    } else if (cursor_shown(s)) {
        const int length = player_.length();
        const int target =
            std::clamp(round_ties_even(double(length * p) / position_slider_max), 0, length);
        player_.play(target);
        if (s == PlayState::paused) player_.pause();
        sound_held_drawing();
    }
}

void Transport::seek_relative(int ms) {
    const PlayState s = state();
    if (s == PlayState::stopped) {
        view_.first_frame =
            std::clamp(view_.first_frame + ms / frame_ms, 0, std::max(store_.frame_count, 0));
        host_.write_graph();
        set_time_display(view_.first_frame);
    } else if (cursor_shown(s)) {
        const int length = player_.length();
        const int target = std::clamp(player_.position() + ms, 0, length);
        player_.play(target);
        if (s == PlayState::paused) player_.pause();
        sound_held_drawing();
    }
}

void Transport::replay_from_line() {
    const PlayState s = state();
    if (!cursor_shown(s)) return;
    int f = std::min(player_.position() / frame_ms, int(draw_.draw_data.size()) - 1);
    while (draw_[f].line_mark() == 0) {
        if (--f < 0) return;
    }
    player_.play(f * frame_ms);
    if (s == PlayState::paused) player_.pause();
    sound_held_drawing();
}

void Transport::on_position_moved() {
    if (showing_start_mark_) return;
    const PlayState s = state();
    if (s == PlayState::stopped) {
        change_time();
    } else if (cursor_shown(s)) {
        if (slider_set_by_tick)
            slider_set_by_tick = false;
        else
            slider_dragged = true;
    }
}

} // namespace pitkad
