// The check after an edit: a recording of 4 or 19 minutes with about 250
// notes a minute drawn (four voices, notes of a quarter to one second),
// each note's sound with its harmonics under it; an edit moves one note and
// the session checks the drawing again. Also the checker's set-up, paid
// once per recording (and per loudness switch).
#include "control/transcription_check.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace pitkad;

namespace {

struct Piece {
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
};

Piece piece(int minutes) {
    Piece p;
    const int frames = minutes * 60 * 50;
    p.store->make_room(frames);
    p.draw->fit(frames);
    p.store->frame_count = frames;
    for (int t = 0; t < frames; ++t)
        for (int b = first_band; b <= last_band; ++b)
            p.store->at(t, b) = -70.0f - float((t + b) % 7);
    unsigned seed = 1;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int voice = 0; voice < 4; ++voice)
        for (int t = int(next() % 50); t < frames - 50;) {
            const int length = 12 + int(next() % 38);
            const int band = 10 + voice * 12 + int(next() % 12);
            for (int f = t; f < t + length; ++f) {
                (*p.draw)[f].note_cell(band) = std::uint8_t(voice + 1);
                for (int h : {0, 12, 19, 24})
                    if (band + h <= last_band)
                        p.store->at(f, band + h) = std::max(p.store->at(f, band + h),
                                                            -8.0f - float(h) - 0.2f * float(f - t));
            }
            t += length + int(next() % 20);
        }
    return p;
}

void BM_check_after_edit(benchmark::State& state) {
    Piece p = piece(int(state.range(0)));
    const int frames = p.store->frame_count;
    CheckSession session(*p.store);
    session.update(*p.draw, frames);
    const DrawnNote moved = session.check().notes[session.check().notes.size() / 2].note;
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const DrawnNote n{moved.first_frame, moved.last_frame, moved.band + (step % 2),
                          moved.colour};
        move_drawn_note(*p.draw, n, moved.band + 1 - (step++ % 2));
        state.ResumeTiming();
        benchmark::DoNotOptimize(session.update(*p.draw, frames));
    }
    state.counters["notes"] = double(session.check().notes.size());
}
BENCHMARK(BM_check_after_edit)->Arg(4)->Arg(19)->Arg(180)->Unit(benchmark::kMillisecond);

void BM_checker_set_up(benchmark::State& state) {
    Piece p = piece(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(NoteChecker(*p.store).frames());
}
BENCHMARK(BM_checker_set_up)->Arg(4)->Arg(19)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
