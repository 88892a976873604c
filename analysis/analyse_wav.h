#pragma once
// Analysing a recording into the spectrogram store: every 20 ms frame's 74
// band powers in decibels, computed by as many threads as asked for.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/analysis_reference.h"
#include "analysis/band_kernel.h"
#include "analysis/sample_stream.h"
#include "analysis/spectrogram_store.h"
#include "analysis/wav_reader.h"
#include "base/progress.h"

namespace pitkad {

struct AnalysisResult {
    bool ok = false;
    OpenStatus status = OpenStatus::ok; // why not, when !ok
};

// Receives "0 %", "10 %", … "90 %"; called on the thread that called
// analyse_wav, in order, so a window can paint it synchronously.
using ProgressFn = std::function<void(const std::string& text)>;

// The progress texts a recording of frame_count frames shows, paired with
// the frame at whose start each appears.
std::vector<std::pair<int, std::string>> progress_steps(int frame_count);

// Power (squared raw sample units) to the stored level: −60 at or below 1e-6.
float power_to_db(float power);

// Reads, checks and analyses the file into columns 0 … frame_count − 1 of the
// store (cells 2 … 75, in dB) and sets frame_count and wav_file_size. On
// failure the store is unchanged. threads ≤ 0 uses every core; the result
// does not depend on the thread count or the kernel path. `channel` is the
// part of the recording analysed.
AnalysisResult analyse_wav(const std::filesystem::path& file, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress = {},
                           int threads = 1, KernelPath path = best_kernel_path(),
                           AnalysisChannel channel = AnalysisChannel::first);

// The frame loop alone, over a recording already read (used by the above and
// by benchmarks). Writes columns 0 … recording.frame_count − 1.
void analyse_frames(const WavRecording& recording, SpectrogramStore& store,
                    const BandTables& tables, const ProgressFn& progress, int threads,
                    KernelPath path);

// A first look at a recording still being analysed: once the analysis has
// finished its first `frames` columns (none of which changes again), `ready`
// is called once, on an analysis thread, with a copy of them (frames × 76
// cells, levels as analysed, not normalised). Not called for a recording
// shorter than that, nor when the analysis stops first.
struct EarlyColumns {
    int frames = 0;
    std::function<void(std::vector<float>&& columns)> ready;

    bool wanted() const { return frames > 0 && ready; }
};

// The frame loop over samples still arriving from a reader or decoder on
// another thread: every frame is computed as soon as its samples are there,
// and samples no thread needs again are freed. `expected_frames` paces the
// progress texts (the length a container announces; 0 when unknown).
// Frames done are counted on control.meter against `expected_frames`, and
// a stop requested through control.stop ends every thread at its next batch.
// Returns the recording's frame count, or -1 when the producer abandoned the
// stream or the stop was requested (the store then holds a partial analysis).
// At another `reference` than the bands' own the stream holds the samples
// resampled by its ratio (resample_for_reference), still finished with the
// recording's frame count.
std::int32_t analyse_stream(SampleStream& samples, SpectrogramStore& store,
                            const BandTables& tables, const ProgressFn& progress, int threads,
                            int expected_frames, KernelPath path = best_kernel_path(),
                            const TaskControl& control = {}, AnalysisReference reference = {},
                            const EarlyColumns& early = {});

} // namespace pitkad
