#pragma once
// A transport over the stepped clock, a recording MIDI backend and a fake
// main window.

#include "analysis/spectrogram_store.h"
#include "control/transport.h"
#include "drawing/draw_data.h"
#include "midi/midi_port.h"
#include "tests/common/test_wav.h"
#include "view/view_state.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace pitkad::test {

struct FakeHost final : TransportHost {
    Transport* transport = nullptr;
    ViewState* view = nullptr;
    int graphs = 0;
    std::vector<int> lines;
    // write_line pages (cursor_frame -1) at these frames, as the renderer does
    // at the right margin.
    std::vector<int> page_at;
    bool enabled = false;
    int slider = 0;
    QString time = "?";
    QString caption;
    int focus_time = 0;
    std::vector<PlaybackError> errors;
    bool button = false;
    bool pen_midi = true;
    std::vector<int> midi_steps;
    std::vector<int> midi_held; // frames of drawing_midi_sound_held

    void write_graph() override { ++graphs; }
    void write_line(int frame) override {
        lines.push_back(frame);
        const bool page = std::find(page_at.begin(), page_at.end(), frame) != page_at.end();
        view->cursor_frame = page ? -1 : frame;
    }
    void set_transport_enabled(bool e) override { enabled = e; }
    void show_position(int p) override {
        p = std::clamp(p, 0, 200);
        if (p == slider) return;
        slider = p;
        transport->on_position_moved();
    }
    int shown_position() const override { return slider; }
    void set_time_text(const QString& t) override { time = t; }
    void set_caption(const QString& c) override { caption = c; }
    void focus_time_display() override { ++focus_time; }
    void show_open_error(const PlaybackError& e) override { errors.push_back(e); }
    bool left_button_down_or_pressed() override { return button; }
    bool pen_midi_down() const override { return pen_midi; }
    void drawing_midi_step(int g) override { midi_steps.push_back(g); }
    void drawing_midi_sound_held(int g) override { midi_held.push_back(g); }
};

struct TransportRig {
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
    ViewState view;
    MidiChannelSettings channels;
    MidiPort midi{channels};
    RecordingMidiBackend* rec = nullptr;
    SteppedOutput clock;
    MediaPlayer player{clock};
    FakeHost host;
    Transport t{*store, *draw, view, channels, midi, player, host};
    TempWav wav;

    // A recording of `ms` milliseconds (frame_count ms / 20), opened and stopped.
    explicit TransportRig(int ms = 60000, bool midi_ok = true) : wav(ms) {
        host.transport = &t;
        host.view = &view;
        t.set_playline_enabled(false);
        t.set_time_in_seconds(true); // these tests read the time display in seconds
        if (midi_ok) {
            auto b = std::make_unique<RecordingMidiBackend>();
            rec = b.get();
            midi.open(std::move(b));
        }
        t.reset_recording();
        store->frame_count = ms / 20;
        player.set_file_name(wav.path());
        t.stop_playback();
    }
    void play() { t.start_playback(); }
    void advance(int ms) { clock.advance_ms(ms); }
    // The user moves position_slider (the window calls the change handler).
    void user_slides(int p) { host.show_position(p); }
};

} // namespace pitkad::test
