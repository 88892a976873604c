// Timings of the band kernel: one frame (all 74 bands) per kernel path, alone
// and in a slab of 64 as the frame loop runs it, the direct sum, and a
// whole recording of 57999 frames (the largest accepted) through the frame
// loop with 1 and 2 threads; and the note suggestions on a store of that
// many frames.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analyse_wav.h"
#include "analysis/band_kernel.h"
#include "analysis/band_tables.h"
#include "analysis/note_suggestions.h"

namespace {

using namespace pitkad;

const BandTables& tables() {
    static const BandTables t = build_band_tables();
    return t;
}

// A chord of three partial-rich tones with a little noise: a busy signal.
std::vector<std::int16_t> test_signal(std::size_t count) {
    std::mt19937 gen(42);
    std::uniform_real_distribution<double> noise(-300, 300);
    std::vector<std::int16_t> s(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / 44100.0;
        double v = noise(gen);
        for (double f : {220.0, 277.18, 329.63})
            for (int k = 1; k <= 4; ++k)
                v += 3000.0 / k * std::sin(2 * M_PI * f * k * t);
        s[i] = std::int16_t(std::lround(v));
    }
    return s;
}

// One lone column: the whole history halved down to every level for it.
void frame_kernel(benchmark::State& state, KernelPath path) {
    if (!kernel_path_supported(path)) {
        state.SkipWithError("not supported on this processor");
        return;
    }
    const auto samples = test_signal(history_length);
    std::vector<float> history(samples.begin(), samples.end());
    KernelWork work;
    std::vector<float> column(cells_per_frame);
    for (auto _ : state) {
        analyse_frame(tables(),
                      std::span<const float, history_length>(history.data(), history_length), work,
                      std::span<float, cells_per_frame>(column.data(), cells_per_frame), path);
        benchmark::DoNotOptimize(column.data());
    }
}
BENCHMARK_CAPTURE(frame_kernel, scalar, KernelPath::scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame_kernel, avx2, KernelPath::avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame_kernel, avx512, KernelPath::avx512)->Unit(benchmark::kMicrosecond);

// The form the frame loop runs, per frame: a slab of 64 frames 882 samples
// apart, halved once for all of them, and all 74 bands of each.
void frame_kernel_slab(benchmark::State& state, KernelPath path) {
    if (!kernel_path_supported(path)) {
        state.SkipWithError("not supported on this processor");
        return;
    }
    const int frames = kernel_batch_frames;
    const int length = history_length + (frames - 1) * frame_step;
    const auto samples = test_signal(std::size_t(length));
    std::vector<float> slab(samples.begin(), samples.end());
    KernelWork work;
    std::vector<float> out(std::size_t(frames) * cells_per_frame);
    for (auto _ : state) {
        analyse_slab(tables(), slab.data(), length, frame_step, frames, first_band, last_band, work,
                     out.data(), cells_per_frame, path);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["us_per_frame"] =
        benchmark::Counter(double(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(frame_kernel_slab, scalar, KernelPath::scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame_kernel_slab, avx2, KernelPath::avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame_kernel_slab, avx512, KernelPath::avx512)->Unit(benchmark::kMicrosecond);

// The kernel's tables, built at every start before the first analysis.
void band_tables(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(build_band_tables());
}
BENCHMARK(band_tables)->Unit(benchmark::kMillisecond);

// The definition summed directly in double (window and both transform
// coefficients tabulated per sample): the baseline the kernel is compared to.
void frame_direct_sum(benchmark::State& state) {
    const auto samples = test_signal(history_length);
    std::vector<double> history(samples.begin(), samples.end());
    std::vector<std::vector<double>> wc(cells_per_frame), ws(cells_per_frame);
    for (int b = first_band; b <= last_band; ++b) {
        const int n = window_length_of(b);
        for (int i = 0; i < n; ++i) {
            const double w = 27.0 / 23.0 - std::cos(2 * M_PI * i / n);
            wc[std::size_t(b)].push_back(w * std::cos(2 * M_PI * 36.0 * i / n));
            ws[std::size_t(b)].push_back(w * std::sin(2 * M_PI * 36.0 * i / n));
        }
    }
    std::vector<float> column(cells_per_frame);
    for (auto _ : state) {
        for (int b = first_band; b <= last_band; ++b) {
            const int n = window_length_of(b);
            const double* x = history.data() + history_centre - n / 2;
            double re = 0, im = 0;
            for (int i = 0; i < n; ++i) {
                re += x[i] * wc[std::size_t(b)][std::size_t(i)];
                im += x[i] * ws[std::size_t(b)][std::size_t(i)];
            }
            column[std::size_t(b)] = float((re * re + im * im) / (double(n) * n));
        }
        benchmark::DoNotOptimize(column.data());
    }
}
BENCHMARK(frame_direct_sum)->Unit(benchmark::kMicrosecond);

void whole_file(benchmark::State& state) {
    WavRecording rec;
    rec.ok = true;
    rec.format.sample_rate = 44100;
    rec.format.channels = 1;
    rec.frame_count = 57999;
    const auto signal = test_signal(std::size_t(rec.frame_count) * frame_step);
    rec.samples.assign(signal.begin(), signal.end());
    SpectrogramStore store;
    store.frame_count = rec.frame_count;
    const int threads = int(state.range(0));
    for (auto _ : state)
        analyse_frames(rec, store, tables(), {}, threads, best_kernel_path());
    state.SetLabel(std::string(kernel_path_name(best_kernel_path())) + ", 57999 frames");
}
BENCHMARK(whole_file)->Arg(1)->Arg(2)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Chords of three or four random notes with six harmonics each, struck
// every 15 frames and fading, over a floor of noise: 57999 busy frames.
void note_suggestions(benchmark::State& state) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> note(first_band, last_band - 24);
    std::uniform_real_distribution<float> noise(-75.0f, -60.0f);
    // Semitones above the note and level (1/h) of each harmonic.
    constexpr std::pair<int, float> partials[] = {{0, 0.0f},    {12, -6.0f},  {19, -9.5f},
                                                  {24, -12.0f}, {28, -14.0f}, {31, -15.6f}};
    auto store = std::make_unique<SpectrogramStore>();
    store->frame_count = 57999;
    for (int t = 0; t < store->frame_count; ++t)
        for (int b = first_band; b <= last_band; ++b)
            store->at(t, b) = noise(gen);
    for (int first = 0; first + 15 <= store->frame_count; first += 15) {
        const int count = 3 + first / 15 % 2;
        for (int n = 0; n < count; ++n) {
            const int band = note(gen);
            for (int t = first; t < first + 14; ++t)
                for (const auto& [step, db] : partials)
                    if (band + step <= last_band)
                        store->at(t, band + step) = std::max(store->at(t, band + step),
                                                             db - 5.0f - 0.5f * float(t - first));
        }
    }
    std::size_t found = 0;
    for (auto _ : state)
        found = suggest_notes(*store).size();
    state.SetLabel(std::to_string(found) + " notes, 57999 frames");
}
BENCHMARK(note_suggestions)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
