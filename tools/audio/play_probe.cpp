// Plays a WAV file through the real engine (silent output when there is no
// device) with the playback thread and a fake window for N seconds, then
// prints the CPU time used and how far the cursor lagged the audio clock.
//
//   pitkad_play_probe FILE.wav [SECONDS] [--simulate-device [RATE]]
//                     [--speed PERCENT] [--engine finer|faster]
//
// --simulate-device additionally runs the engine's mixer with the synthesizer
// on a thread paced like a device of RATE Hz (default 44100) with 256-frame
// buffers, so that the callback's cost (rate conversion included when RATE
// differs from the file's) is counted even on a machine without a sound card.
// --speed and --engine play through the practice preparer (time stretching
// on its own thread), whose cost is counted too.

#include "analysis/spectrogram_store.h"
#include "audio/audio_engine.h"
#include "control/playline.h"
#include "control/transport.h"
#include "drawing/draw_data.h"
#include "midi/fluidsynth_backend.h"
#include "midi/midi_port.h"
#include "view/view_state.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

using namespace pitkad;

namespace {

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct ProbeHost final : TransportHost {
    Transport* transport = nullptr;
    ViewState* view = nullptr;
    MediaPlayer* player = nullptr;
    std::vector<int> lag_ms; // audio position minus the start of the drawn frame
    int slider = 0;
    void write_graph() override {}
    void write_line(int frame) override {
        lag_ms.push_back(player->position() - frame * 20);
        view->cursor_frame = frame;
    }
    void set_transport_enabled(bool) override {}
    void show_position(int p) override {
        if (p == slider) return;
        slider = p;
        transport->on_position_moved();
    }
    int shown_position() const override { return slider; }
    void set_time_text(const QString&) override {}
    void set_caption(const QString&) override {}
    void focus_time_display() override {}
    void show_open_error(const PlaybackError& e) override {
        std::fprintf(stderr, "not playable (status %d): %s\n", int(e.status), e.file.c_str());
    }
    bool left_button_down_or_pressed() override { return false; }
    bool pen_midi_down() const override { return true; }
    void drawing_midi_step(int) override {}
    void drawing_midi_sound_held(int) override {}
};

// The mixer on a thread paced like a device, for the callback's cost.
struct SimulatedDevice final : SynthOutput {
    explicit SimulatedDevice(int rate) : mixer(rate) {}
    Mixer mixer;
    std::atomic<bool> run{true};
    std::thread thread;
    int sample_rate() const override { return mixer.device_rate(); }
    void attach_synth(SynthSource* s) override { mixer.set_synth(s); }
    void start() {
        thread = std::thread([this] {
            std::vector<float> l(256), r(256);
            auto next = std::chrono::steady_clock::now();
            double t = 0;
            const auto period = std::chrono::nanoseconds(256'000'000'000LL / mixer.device_rate());
            while (run) {
                mixer.render(l.data(), r.data(), 256, t);
                t += 256.0 / mixer.device_rate();
                next += period;
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~SimulatedDevice() override {
        run = false;
        if (thread.joinable()) thread.join();
    }
};

} // namespace

int main(int argc, char** argv) {
    const auto program_start = std::chrono::steady_clock::now();
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.wav [SECONDS] [--simulate-device]\n", argv[0]);
        return 2;
    }
    const char* file = argv[1];
    double seconds = 20;
    bool simulate = false;
    int device_rate = 44100;
    PracticeSettings practice;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--speed") == 0 && i + 1 < argc) {
            practice.speed = std::atof(argv[++i]) / 100.0;
        } else if (std::strcmp(argv[i], "--engine") == 0 && i + 1 < argc) {
            practice.engine = std::strcmp(argv[++i], "faster") == 0 ? StretchEngine::faster
                                                                    : StretchEngine::finer;
        } else if (std::strcmp(argv[i], "--simulate-device") == 0) {
            simulate = true;
            if (i + 1 < argc && std::atoi(argv[i + 1]) >= 8000) device_rate = std::atoi(argv[++i]);
        } else
            seconds = std::atof(argv[i]);
    }

    PlaybackAudio audio = open_playback_audio();
    std::unique_ptr<SimulatedDevice> sim;
    SynthOutput* synth_output = audio.synth_output();
    if (simulate) {
        sim = std::make_unique<SimulatedDevice>(device_rate);
        synth_output = sim.get();
    }
    auto store = std::make_unique<SpectrogramStore>();
    auto draw = std::make_unique<DrawData>();
    ViewState view;
    const MidiChannelSettings channels;
    MidiPort midi{channels};
    midi.open(open_midi_backend(synth_output, program_start));
    MediaPlayer player(audio.output());
    player.set_practice(practice);
    ProbeHost host;
    Transport transport(*store, *draw, view, channels, midi, player, host);
    host.transport = &transport;
    host.view = &view;
    host.player = &player;

    transport.reset_recording();
    player.set_file_name(file);
    transport.stop_playback();
    if (sim) {
        const PcmLoadResult r = load_wav_for_playback(file);
        if (r.audio) {
            store->frame_count = int(r.audio->frames * 50 / r.audio->rate);
            sim->mixer.load(r.audio);
            sim->mixer.set_practice(practice);
            sim->mixer.command(Mixer::Mode::playing, true, 0);
        }
        sim->start();
    }
    if (store->frame_count <= 1) {
        const PcmLoadResult r = load_wav_for_playback(file);
        if (!r.audio) {
            std::fprintf(stderr, "%s: not playable (status %d)\n", file, int(r.error.status));
            return 1;
        }
        store->frame_count = int(r.audio->frames * 50 / r.audio->rate);
    }

    const double cpu0 = cpu_seconds();
    const auto wall0 = std::chrono::steady_clock::now();
    transport.start_playback();
    if (transport.state() != PlayState::playing) return 1;
    // A note now and then, so the synthesizer has work.
    QTimer notes;
    int n = 0;
    QObject::connect(&notes, &QTimer::timeout, [&] {
        if (n++ % 2 == 0) {
            midi.note_on(0, 40 + n % 12);
            midi.active_notes[0][0] = 40 + n % 12;
        } else {
            midi.midi_off();
        }
    });
    notes.start(500);
    QTimer::singleShot(int(seconds * 1000), &app, &QCoreApplication::quit);
    app.exec();
    const long ticks = transport.playline() ? transport.playline()->ticks() : 0;
    transport.stop_playback();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = cpu_seconds() - cpu0;

    std::vector<int> lag = host.lag_ms;
    std::sort(lag.begin(), lag.end());
    double mean = 0;
    for (int v : lag)
        mean += v;
    if (!lag.empty()) mean /= double(lag.size());
    std::printf("output: %s\n", audio.has_device()
                                    ? audio.engine->device_name().c_str()
                                    : ("no device (" + audio.device_error + ")").c_str());
    if (sim)
        std::printf("simulated device callback: mixer + synthesizer, 256 frames at %d Hz\n",
                    device_rate);
    std::printf("speed %.0f %%, %s engine\n", practice.speed * 100,
                practice.plain()                          ? "no"
                : practice.engine == StretchEngine::finer ? "finer"
                                                          : "faster");
    std::printf("MIDI port: %s\n", midi.midi_ok() ? "synthesizer open" : "closed");
    std::printf("played %.1f s wall: CPU %.2f s = %.1f %% of one core; %ld ticks (%.0f per s)\n",
                wall, cpu, 100 * cpu / wall, ticks, double(ticks) / wall);
    if (!lag.empty())
        std::printf("cursor lag behind the audio clock over %zu frames: mean %.1f ms, "
                    "median %d ms, 99th %d ms, max %d ms\n",
                    lag.size(), mean, lag[lag.size() / 2], lag[lag.size() * 99 / 100], lag.back());
    if (audio.engine) {
        const double buffer =
            audio.engine->frames_per_buffer() / double(audio.engine->sample_rate());
        std::printf("synth note-on to sound: up to %.1f ms (one %d-frame buffer %.1f ms + output "
                    "latency %.1f ms)\n",
                    1000 * (buffer + audio.engine->output_latency()),
                    audio.engine->frames_per_buffer(), 1000 * buffer,
                    1000 * audio.engine->output_latency());
    } else {
        std::printf("synth note-on to sound: no device; one buffer of 256 frames at %d Hz is "
                    "%.1f ms, plus the device's output latency\n",
                    device_rate, 1000 * 256.0 / device_rate);
    }
    return 0;
}
