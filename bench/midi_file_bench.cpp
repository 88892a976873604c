// Cost of writing and reading a MIDI file of a full-length drawing: a line
// every 25 frames with meter changes, four parts of notes every line.
#include "drawing/midi_file.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace pitkad;

namespace {

std::unique_ptr<DrawData> dense_drawing() {
    auto d = std::make_unique<DrawData>();
    for (int f = 0; f + 25 < draw_frames; f += 25) {
        (*d)[f].line_mark() = 16;
        for (int part = 0; part < 4; ++part)
            for (int g = f; g < f + 20; ++g)
                (*d)[g].note_cell(10 + 15 * part + (f / 25) % 12) = std::uint8_t(9 + part);
    }
    for (int f = 0; f < draw_frames; f += 2000)
        set_meter(d->annotations, f, MeterMark{f, (f / 2000) % 2 ? 6 : 4, (f / 2000) % 2 ? 8 : 4});
    return d;
}

void BM_export(benchmark::State& state) {
    const auto d = dense_drawing();
    const MidiChannelSettings channels;
    MidiExportOptions options;
    options.tempo = state.range(0) ? MidiTempoMarks::per_bar : MidiTempoMarks::per_line;
    for (auto _ : state)
        benchmark::DoNotOptimize(build_midi_file(*d, draw_frames, channels, options));
}
BENCHMARK(BM_export)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_import(benchmark::State& state) {
    const auto d = dense_drawing();
    MidiChannelSettings channels;
    const auto file = build_midi_file(*d, draw_frames, channels, {});
    auto into = std::make_unique<DrawData>();
    MidiImportOptions options;
    options.lines = MidiImportLines::beats;
    for (auto _ : state)
        benchmark::DoNotOptimize(import_midi_file(file, *into, draw_frames, channels, options));
}
BENCHMARK(BM_import)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
