#include "analysis/analyse_wav.h"

#include "base/vector_state.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

namespace pitkad {

namespace {

// Frames a thread takes at a time: their histories overlap in one buffer,
// which is halved in rate once for all of them. At another reference the
// frames are taken a whole stride apart from the batch's first, so the
// batches stay short there: at most 7.5 samples (0.2 ms) off.
constexpr int other_reference_batch = 16;
constexpr int slab_length = history_length + (kernel_batch_frames - 1) * frame_step;

// The samples a batch's histories span when its frames are `stride` apart.
int slab_length_for(int stride, int batch_frames) {
    return history_length + (batch_frames - 1) * stride;
}

// Analysis-rate (44100 Hz) history for frames first … first + count − 1:
// element i belongs to analysis sample first × 882 − 12816 + i. A 22050 Hz
// recording gets a zero after each of its samples; before the start and past
// the data chunk the samples are 0.
void fill_slab(const std::vector<float>& samples, int step, int first, float* slab) {
    const long long start = (long long)first * frame_step - history_centre;
    const long long available = (long long)samples.size() * step;
    // Elements [begin, end) fall on recorded samples; the rest are zeros.
    const int begin = int(std::clamp(-start, 0LL, (long long)slab_length));
    const int end = int(std::clamp(available - start, (long long)begin, (long long)slab_length));
    std::fill(slab, slab + begin, 0.0f);
    if (step == 1) {
        for (int i = begin; i < end; ++i)
            slab[i] = samples[std::size_t(start + i)];
    } else {
        for (int i = begin; i < end; ++i) {
            const long long s = start + i;
            slab[i] = s % step == 0 ? samples[std::size_t(s / step)] : 0.0f;
        }
    }
    std::fill(slab + end, slab + slab_length, 0.0f);
}

} // namespace

std::vector<std::pair<int, std::string>> progress_steps(int frame_count) {
    std::vector<std::pair<int, std::string>> steps;
    int threshold = 0;
    for (int t = 0; t < frame_count; ++t) {
        const int p = int(double(t) * 100.0 / double(frame_count));
        if (p >= threshold) {
            steps.emplace_back(t, std::to_string(threshold) + " %");
            threshold += 10;
        }
    }
    return steps;
}

float power_to_db(float power) {
    if (double(power) <= 0.000001) return no_sound_level;
    return float(10.0 * std::log10(double(power)));
}

namespace {

// The frame loop shared by both sources. `fill(first, slab)` fills the slab
// of the batch starting at `first` and returns the frames that may be
// computed from `first` on (0: stop). After each batch a thread tells `done`
// the earliest frame any thread may still read samples for; the calling
// thread reports progress by frames done, and every thread counts its frames
// on the control's meter. A requested stop ends each thread at its next batch.
// The histories of a batch's frames lie `stride` samples apart in the slab.
// `early` is handed its columns by the thread that finds them finished.
template <typename Fill, typename Done>
void run_frames(int progress_frames, int stride, int batch_frames, Fill fill, Done done,
                SpectrogramStore& store, const BandTables& tables, const ProgressFn& progress,
                int threads, KernelPath path, std::atomic<int>& next_batch,
                const TaskControl& control, const EarlyColumns& early) {
    if (!kernel_path_supported(path)) path = KernelPath::scalar;
    const auto steps = progress_steps(progress_frames);
    std::size_t shown = 0;
    std::atomic<int> frames_done{0};

    // Called on the calling thread only: shows every text whose frame has
    // been reached by the frames finished so far.
    auto report = [&](int reached) {
        while (shown < steps.size() && steps[shown].first <= reached) {
            if (progress) progress(steps[shown].second);
            ++shown;
        }
    };

    // The batch each thread holds, or a lower bound of it: a thread writes
    // the next batch's number before it takes one.
    constexpr int idle = std::numeric_limits<int>::max();
    std::vector<std::atomic<int>> holding(static_cast<std::size_t>(threads));
    for (auto& h : holding)
        h = idle;
    auto earliest = [&] {
        int e = next_batch.load();
        for (auto& h : holding)
            e = std::min(e, h.load());
        return e;
    };

    // Each thread computes a batch into its own columns and puts them into
    // the store under this lock, which makes room for a recording longer
    // than announced (the store's memory may then move).
    std::mutex store_mutex;
    auto put = [&](int first, int count, const float* columns) {
        const std::lock_guard lock(store_mutex);
        if (first + count > store.columns()) {
            const int frames = std::max(first + count, store.columns() + store.columns() / 4);
            store.make_room(std::min(frames, recording_frame_limit));
        }
        for (int k = 0; k < count; ++k)
            std::copy_n(columns + std::size_t(k) * cells_per_frame + first_band, band_count,
                        store.column(first + k).begin() + first_band);
    };
    // Columns before the earliest batch still held are all in the store
    // once as many frames are done (a stream that ended sooner never gets
    // that many).
    std::atomic<bool> early_sent{!early.wanted()};
    auto send_early = [&](int complete) {
        if (early_sent.load() || complete < early.frames || frames_done.load() < early.frames)
            return;
        if (early_sent.exchange(true)) return;
        std::vector<float> copy;
        {
            const std::lock_guard lock(store_mutex);
            const auto begin = store.spectrogram.begin();
            copy.assign(begin, begin + std::ptrdiff_t(early.frames) * cells_per_frame);
        }
        early.ready(std::move(copy));
    };

    auto work = [&](int index) {
        clear_upper_vector_state();
        const bool reporting = index == 0;
        std::atomic<int>& held = holding[std::size_t(index)];
        const int length = slab_length_for(stride, batch_frames);
        std::vector<float> slab(static_cast<std::size_t>(length));
        KernelWork kernel_work;
        std::vector<float> columns(std::size_t(batch_frames) * cells_per_frame);
        for (;;) {
            if (control.stopping()) break;
            held = next_batch.load();
            const int first = next_batch.fetch_add(batch_frames);
            held = first;
            if (reporting && threads > 1) report(frames_done.load());
            const int count = fill(first, slab.data());
            if (count <= 0) break;
            if (reporting && threads == 1) report(first + count - 1);
            analyse_slab(tables, slab.data(), length, stride, count, first_band, last_band,
                         kernel_work, columns.data(), cells_per_frame, path);
            for (int k = 0; k < count; ++k)
                for (int b = first_band; b <= last_band; ++b) {
                    float& cell = columns[std::size_t(k) * cells_per_frame + std::size_t(b)];
                    cell = power_to_db(cell);
                }
            put(first, count, columns.data());
            const int total_done = frames_done.fetch_add(count) + count;
            if (control.meter) control.meter->set_done(total_done);
            // The batch is finished: it holds no samples any more. Were it
            // still counted while this thread is held up (in a progress
            // report), a thread running a read-ahead further would wait
            // for samples that are never released.
            held = idle;
            const int complete = earliest();
            done(complete);
            send_early(complete);
        }
        held = idle;
    };

    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i) {
        // Without another thread the remaining ones share the frames.
        try {
            helpers.emplace_back(work, i);
        } catch (const std::system_error&) {
            break;
        }
    }
    work(0);
    for (auto& t : helpers)
        t.join();
    report(progress_frames);
}

} // namespace

void analyse_frames(const WavRecording& recording, SpectrogramStore& store,
                    const BandTables& tables, const ProgressFn& progress, int threads,
                    KernelPath path) {
    const int frame_count = recording.frame_count;
    store.make_room(frame_count);
    const int step = recording.format.sample_rate == 22050 ? 2 : 1;
    const int batch_frames = kernel_batch_frames;
    const int batches = (frame_count + batch_frames - 1) / batch_frames;
    threads = std::clamp(threads, 1, std::max(1, std::min(batches, 64)));
    std::atomic<int> next_batch{0};
    auto fill = [&](int first, float* slab) {
        if (first >= frame_count) return 0;
        fill_slab(recording.samples, step, first, slab);
        return std::min(batch_frames, frame_count - first);
    };
    run_frames(frame_count, frame_step, batch_frames, fill, [](int) {}, store, tables, progress,
               threads, path, next_batch, {}, {});
}

std::int32_t analyse_stream(SampleStream& samples, SpectrogramStore& store,
                            const BandTables& tables, const ProgressFn& progress, int threads,
                            int expected_frames, KernelPath path, const TaskControl& control,
                            AnalysisReference reference, const EarlyColumns& early) {
    threads = std::clamp(threads, 1, 64);
    if (control.meter) control.meter->set_total(std::max(expected_frames, 0));
    std::atomic<int> next_batch{0};
    // Frame k is centred on sample k × 882 × ratio of the stream, rounded
    // (k × 882 at the bands' own reference).
    const double step = frame_step * reference.stream_ratio();
    const int stride = reference.is_standard() ? frame_step : int(std::lround(step));
    const int batch_frames = reference.is_standard() ? kernel_batch_frames : other_reference_batch;
    const int length = slab_length_for(stride, batch_frames);
    auto centre = [&](int frame) { return std::llround(frame * step); };
    auto fill = [&](int first, float* slab) {
        const std::int64_t start = centre(first) - history_centre;
        if (!samples.wait_for(start + length)) return 0;
        std::int32_t frames = samples.frames();
        if (frames < 0) frames = recording_frame_limit; // still arriving: the whole batch is there
        if (first >= frames) return 0;
        samples.copy(start, length, slab);
        return std::min(batch_frames, frames - first);
    };
    // Batches are taken in order: no thread reads samples before the
    // earliest batch still held again.
    auto done = [&](int earliest) { samples.release_before(centre(earliest) - history_centre); };
    run_frames(std::max(expected_frames, 1), stride, batch_frames, fill, done, store, tables,
               progress, threads, path, next_batch, control, early);
    samples.close_reading();
    if (!samples.wait_for(std::numeric_limits<std::int64_t>::max())) return -1;
    return samples.frames();
}

AnalysisResult analyse_wav(const std::filesystem::path& file, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           KernelPath path, AnalysisChannel channel) {
    WavRecording recording = read_wav(file, true, channel);
    if (!recording.ok) return {false, recording.status};
    if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));

    store.wav_file_size = recording.file_size;
    store.frame_count = recording.frame_count;
    analyse_frames(recording, store, tables, progress, threads, path);
    return {true, OpenStatus::ok};
}

} // namespace pitkad
