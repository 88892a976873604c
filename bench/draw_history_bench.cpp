// Cost of the drawing history on a full 19-minute drawing: undoing and
// redoing "select all, delete" (the largest step there is), and recording
// a one-band pen stroke (the copy and comparison every edit pays).
#include "analysis/spectrogram_store.h"
#include "drawing/draw_history.h"
#include "drawing/draw_ops.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace pitkad;

namespace {

constexpr int full_frames = 19 * 60 * 50; // 19 minutes at 50 frames a second

// Every note cell and line mark drawn.
std::unique_ptr<DrawData> full_drawing() {
    auto d = std::make_unique<DrawData>();
    for (int f = 0; f < full_frames; ++f) {
        (*d)[f].line_mark() = std::uint8_t(1 + f % 16);
        for (int b = first_band; b <= last_band; ++b)
            (*d)[f].note_cell(b) = std::uint8_t(1 + (f / 25 + b) % 16);
    }
    return d;
}

// Undoing (arg 1) or redoing (arg 0) "select all, delete" of a full
// drawing; the opposite move is not timed.
void BM_select_all_delete(benchmark::State& state) {
    const bool undo = state.range(0) != 0;
    auto d = full_drawing();
    MidiChannelSettings t;
    DrawHistory h;
    record_step(&h, *d, t, [&] {
        all_select(*d, full_frames, DrawMode::pen_select);
        select_del(*d, full_frames, DrawMode::pen_select);
    });
    if (!undo) h.undo(*d, t);
    for (auto _ : state) {
        if (undo)
            h.undo(*d, t);
        else
            h.redo(*d, t);
        state.PauseTiming();
        if (undo)
            h.redo(*d, t);
        else
            h.undo(*d, t);
        state.ResumeTiming();
    }
    state.counters["step_MB"] = double(h.bytes()) / double(1 << 20);
}
BENCHMARK(BM_select_all_delete)->ArgName("undo")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_record_pen_stroke(benchmark::State& state) {
    auto d = full_drawing();
    MidiChannelSettings t;
    DrawHistory h;
    int colour = 1;
    for (auto _ : state) {
        record_step(&h, *d, t,
                    [&] { commit_pen_stroke(*d, full_frames, 1000, 1200, 40, colour, false, 16); });
        colour = colour % 16 + 1;
    }
}
BENCHMARK(BM_record_pen_stroke)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();
