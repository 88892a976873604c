// Cost of one drawing player step, the work the playback tick adds per frame.
#include "control/drawing_midi_player.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace pitkad;

namespace {

// Counts messages instead of sounding them.
class CountingBackend final : public MidiBackend {
  public:
    void send(std::uint32_t) override { ++count; }
    std::size_t count = 0;
};

// Worst case: every band drawn and changing colour every frame, so each step
// releases all 64 sounding notes and starts 64 new ones (the rest dropped).
void BM_step_everything_changes(benchmark::State& state) {
    auto drawing = std::make_unique<DrawData>();
    for (int f = 0; f < 1000; ++f)
        for (int b = 2; b <= 75; ++b)
            (*drawing)[f].note_cell(b) = std::uint8_t(1 + (f + b) % 16);
    const MidiChannelSettings channels;
    MidiPort port{channels};
    port.open(std::make_unique<CountingBackend>());
    int g = 0;
    for (auto _ : state) {
        drawing_midi_step(g, *drawing, draw_frames, port);
        g = (g + 1) % 1000;
    }
}
BENCHMARK(BM_step_everything_changes);

// Typical case: a few held notes, nothing changes.
void BM_step_steady_chord(benchmark::State& state) {
    auto drawing = std::make_unique<DrawData>();
    for (int f = 0; f < 1000; ++f)
        for (int b : {30, 34, 37, 42})
            (*drawing)[f].note_cell(b) = 3;
    const MidiChannelSettings channels;
    MidiPort port{channels};
    port.open(std::make_unique<CountingBackend>());
    drawing_midi_step(0, *drawing, draw_frames, port);
    int g = 1;
    for (auto _ : state) {
        drawing_midi_step(g, *drawing, draw_frames, port);
        g = 1 + g % 998;
    }
}
BENCHMARK(BM_step_steady_chord);

// From the tick's call to the note-on reaching the port: one note starting,
// the steps in between releasing it (odd frames are empty).
void BM_step_single_onset(benchmark::State& state) {
    auto drawing = std::make_unique<DrawData>();
    for (int f = 0; f < 1000; f += 2)
        (*drawing)[f].note_cell(40) = 3;
    const MidiChannelSettings channels;
    MidiPort port{channels};
    auto backend = std::make_unique<CountingBackend>();
    CountingBackend* counter = backend.get();
    port.open(std::move(backend));
    int g = 0;
    for (auto _ : state) {
        drawing_midi_step(g, *drawing, draw_frames, port);
        g = (g + 1) % 1000;
    }
    state.counters["messages_per_step"] =
        benchmark::Counter(double(counter->count - 18), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_step_single_onset);

} // namespace

BENCHMARK_MAIN();
