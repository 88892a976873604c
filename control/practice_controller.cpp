#include "control/practice_controller.h"

#include "audio/media_player.h"
#include "control/playback_units.h"
#include "control/transport.h"

namespace pitkad {

PracticeController::PracticeController(Document& doc, MediaPlayer& player, Transport& transport,
                                       PracticeHost& host)
    : doc_(doc), player_(player), transport_(transport), host_(host) {}

void PracticeController::set(const PracticeSettings& settings, LoopMs loop) {
    const PracticeSettings before = doc_.practice;
    doc_.practice_loop = loop;
    doc_.practice = clamped(with_loop(settings, loop, player_.sample_rate()));
    player_.set_practice(doc_.practice);
    // Drawn notes and clicks sound with the recording's transposition.
    doc_.midi.set_transpose(doc_.practice.semitones);
    doc_.tune_midi();
    host_.practice_changed(before.loop != doc_.practice.loop ||
                           before.focus_low != doc_.practice.focus_low ||
                           before.focus_high != doc_.practice.focus_high);
    // The player goes round a loop only from inside it: a new loop that
    // leaves the position outside (an end set where it plays) starts over.
    if (cursor_shown(transport_.state()) && loop.active()) {
        const int at = player_.position();
        if (at < loop.start || at >= loop.end) transport_.seek_relative(loop.start - at);
    }
}

int PracticeController::position_ms() const {
    const PlayState s = transport_.state();
    if (cursor_shown(s)) return player_.position();
    if (s != PlayState::stopped) return -1;
    if (transport_.start_mark() >= 0) return transport_.start_mark() * frame_ms;
    return browse_start_frame(doc_.view, graph_click, doc_.store.frame_count) * frame_ms;
}

void PracticeController::play_here() {
    switch (transport_.state()) {
    case PlayState::stopped:
        transport_.start_playback_at(position_ms());
        apply_again();
        host_.playing_from_here();
        break;
    case PlayState::playing:
    case PlayState::paused:
        transport_.toggle_pause();
        break;
    default:
        break;
    }
}

void PracticeController::speed_step(int direction) {
    set(step_speed(doc_.practice, direction));
}
void PracticeController::speed(int percent) {
    set(with_speed_percent(doc_.practice, percent));
}
void PracticeController::transpose(int semitones) {
    set(with_semitones(doc_.practice, semitones));
}
void PracticeController::cents(int cents) {
    set(with_cents(doc_.practice, cents));
}
void PracticeController::reset_pitch() {
    set(pitkad::reset_pitch(doc_.practice));
}

void PracticeController::loop_start() {
    const int ms = position_ms();
    if (ms >= 0) set(doc_.practice, set_loop_start(doc_.practice_loop, ms));
}

void PracticeController::loop_end() {
    const int ms = position_ms();
    if (ms >= 0) set(doc_.practice, set_loop_end(doc_.practice_loop, ms));
}

void PracticeController::loop_lines() {
    const int ms = position_ms();
    if (ms < 0) return;
    if (auto loop = line_interval_loop(doc_.drawing, ms / frame_ms, doc_.store.frame_count))
        set(doc_.practice, *loop);
}

void PracticeController::clear_loop() {
    set(doc_.practice, {});
}

void PracticeController::loop_pause(int ms) {
    set(with_loop_pause_ms(doc_.practice, ms));
}

void PracticeController::channels(ChannelMode mode) {
    PracticeSettings p = doc_.practice;
    p.channels = mode;
    set(p);
}

void PracticeController::focus(FocusPreset preset) {
    set(with_focus(doc_.practice, preset));
}

void PracticeController::engine(StretchEngine engine) {
    PracticeSettings p = doc_.practice;
    p.engine = engine;
    set(p);
}

bool PracticeController::drag_press(MouseButton button, const PracticeDragZones& zones, int x,
                                    int y) {
    if (button == MouseButton::left) {
        drag_.press(zones, doc_.view, x, y);
        return false;
    }
    // Another button ends a drag under way.
    if (!drag_.active()) return false;
    drag_.cancel();
    return true;
}

bool PracticeController::drag_move(int x, int y) {
    return drag_.move(x, y);
}

bool PracticeController::drag_release(MouseButton button, int x, int y) {
    if (button != MouseButton::left || !drag_.active()) return false;
    const int rate = player_.sample_rate();
    if (const auto s = drag_.release(x, y, doc_.practice, rate, doc_.store.frame_count))
        set(*s, loop_ms(s->loop, rate));
    return true;
}

PracticeSettings PracticeController::shown() const {
    return drag_.active()
               ? drag_.preview(doc_.practice, player_.sample_rate(), doc_.store.frame_count)
               : doc_.practice;
}

bool PracticeController::run_key(int key) {
    const std::optional<PracticeCommand> command = practice_key_command(key);
    if (!command) return false;
    switch (*command) {
    case PracticeCommand::play_here_or_pause:
        if (!cursor_shown(transport_.state()) && transport_.state() != PlayState::stopped)
            return false;
        play_here();
        break;
    case PracticeCommand::slower:
        speed_step(-1);
        break;
    case PracticeCommand::faster:
        speed_step(+1);
        break;
    case PracticeCommand::normal_speed:
        speed(100);
        break;
    case PracticeCommand::loop_start:
        loop_start();
        break;
    case PracticeCommand::loop_end:
        loop_end();
        break;
    case PracticeCommand::loop_line_interval:
        loop_lines();
        break;
    case PracticeCommand::clear_loop:
        clear_loop();
        break;
    case PracticeCommand::transpose_down:
        transpose_by(-1);
        break;
    case PracticeCommand::transpose_up:
        transpose_by(+1);
        break;
    }
    return true;
}

} // namespace pitkad
