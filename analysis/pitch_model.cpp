#include "analysis/pitch_model.h"

#include "base/vector_state.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

namespace pitkad {

namespace {

const std::string input_name = "input_2";
const std::string output_names[] = {"Identity_1", "Identity_2"}; // notes, onsets
constexpr int pad_samples = PitchModel::edge_frames * PitchModel::hop;
constexpr std::size_t window_values = std::size_t(PitchModel::window_frames) * PitchModel::pitches;

// A session computing the notes and onsets from the input window.
OrError<GraphSession> session_for(const GraphModel& graph) {
    return GraphSession::make(graph, std::span(&input_name, 1), output_names);
}

// Runs the session on `input` and checks its outputs' shapes.
std::string evaluate(GraphSession& session, const Tensor& input) {
    const Tensor* in = &input;
    std::string error = session.run(std::span(&in, 1));
    if (!error.empty()) return error;
    for (std::size_t k = 0; k < 2; ++k) {
        const Tensor& t = session.output(k);
        if (t.dtype != DType::float32 ||
            t.shape != std::vector<int>{1, PitchModel::window_frames, PitchModel::pitches})
            return output_names[k] + " is not [1, 172, 88]";
    }
    return {};
}

// Window w's samples: the input from sample w × window_step − pad_samples,
// zeros outside it.
void fill_window(Tensor& t, std::span<const float> audio, int w) {
    const std::int64_t from = std::int64_t(w) * PitchModel::window_step - pad_samples;
    for (std::int64_t i = 0; i < PitchModel::window_samples; ++i) {
        const std::int64_t at = from + i;
        t.floats[std::size_t(i)] =
            at >= 0 && at < std::int64_t(audio.size()) ? audio[std::size_t(at)] : 0.0f;
    }
}

Tensor window_tensor() {
    return Tensor::of_floats({1, PitchModel::window_samples, 1},
                             std::vector<float>(PitchModel::window_samples, 0.0f));
}

} // namespace

// Frame k is centred at k × hop of the input, k × hop + pad_samples of the
// padded input: in window w0 (the last starting before it) or a neighbour.
PitchModel::FrameSource PitchModel::frame_source(int k) {
    using P = PitchModel;
    const std::int64_t centre = std::int64_t(k) * P::hop + pad_samples;
    const std::int64_t w0 = std::int64_t(k) * P::hop / P::window_step;
    FrameSource best{-1, 0};
    std::int64_t best_distance = 0;
    for (std::int64_t w = std::max<std::int64_t>(w0 - 1, 0); w <= w0 + 1; ++w) {
        const std::int64_t offset = centre - w * P::window_step;
        if (offset < 0) continue;
        const std::int64_t j = (offset + P::hop / 2) / P::hop;
        if (j < P::edge_frames || j >= P::window_frames - P::edge_frames) continue;
        const std::int64_t distance = std::abs(offset - j * P::hop);
        if (best.window < 0 || distance < best_distance) {
            best = {int(w), int(j)};
            best_distance = distance;
        }
    }
    return best;
}

OrError<PitchModel> PitchModel::load(const std::filesystem::path& directory) {
    OrError<PitchModel> result;
    OrError<GraphModel> graph = GraphModel::load(directory / "model.json");
    if (!graph.value) {
        result.error = std::move(graph.error);
        return result;
    }
    PitchModel model(std::move(*graph.value));
    OrError<GraphSession> session = session_for(model.graph_);
    if (!session.value) {
        result.error = "not the note model: " + session.error;
        return result;
    }
    const std::string error = evaluate(*session.value, window_tensor());
    if (!error.empty()) {
        result.error = "not the note model: " + error;
        return result;
    }
    result.value.emplace(std::move(model));
    return result;
}

OrError<PitchModel::WindowOutputs> PitchModel::run_window(std::span<const float> samples) const {
    OrError<WindowOutputs> result;
    OrError<GraphSession> session = session_for(graph_);
    if (!session.value) {
        result.error = session.error;
        return result;
    }
    Tensor input = window_tensor();
    std::copy_n(samples.begin(), std::min<std::size_t>(samples.size(), window_samples),
                input.floats.begin());
    result.error = evaluate(*session.value, input);
    if (!result.error.empty()) return result;
    const std::vector<float>& notes = session.value->output(0).floats;
    const std::vector<float>& onsets = session.value->output(1).floats;
    result.value =
        WindowOutputs{std::vector<float>(notes.begin(), notes.begin() + window_values),
                      std::vector<float>(onsets.begin(), onsets.begin() + window_values)};
    return result;
}

PitchPosteriors PitchModel::run(std::span<const float> audio, int threads,
                                const std::atomic<bool>* stop) const {
    PitchPosteriors result;
    if (audio.empty()) return result;
    const std::size_t frame_count = (audio.size() + hop - 1) / hop;
    if (frame_count > std::size_t(max_tensor_elements)) return result;
    const int frames = int(frame_count);
    // Grid frames in order take their windows in order: window w fills
    // frames [first[w], first[w + 1]).
    std::vector<FrameSource> source(frame_count);
    std::vector<int> first;
    for (int k = 0; k < frames; ++k) {
        source[std::size_t(k)] = frame_source(k);
        while (int(first.size()) <= source[std::size_t(k)].window)
            first.push_back(k);
    }
    first.push_back(frames);
    const int windows = int(first.size()) - 1;

    result.frames = frames;
    result.notes.assign(frame_count * pitches, 0.0f);
    result.onsets.assign(frame_count * pitches, 0.0f);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    const auto stopping = [&] {
        return failed.load(std::memory_order_relaxed) ||
               (stop && stop->load(std::memory_order_relaxed));
    };
    const auto work = [&] {
        clear_upper_vector_state();
        OrError<GraphSession> session = session_for(graph_);
        if (!session.value) {
            failed = true;
            return;
        }
        Tensor input = window_tensor();
        for (;;) {
            const int w = stopping() ? windows : next.fetch_add(1);
            if (w >= windows) break;
            fill_window(input, audio, w);
            if (!evaluate(*session.value, input).empty()) {
                failed = true;
                return;
            }
            const float* notes = session.value->output(0).floats.data();
            const float* onsets = session.value->output(1).floats.data();
            for (int k = first[std::size_t(w)]; k < first[std::size_t(w) + 1]; ++k) {
                const std::size_t from = std::size_t(source[std::size_t(k)].frame) * pitches;
                const std::size_t to = std::size_t(k) * pitches;
                std::copy_n(notes + from, pitches, result.notes.begin() + std::ptrdiff_t(to));
                std::copy_n(onsets + from, pitches, result.onsets.begin() + std::ptrdiff_t(to));
            }
        }
    };
    const int helpers = std::clamp(threads, 1, windows) - 1;
    std::vector<std::thread> pool;
    try {
        for (int i = 0; i < helpers; ++i)
            pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked: the windows are shared among those there are.
    }
    work();
    for (std::thread& t : pool)
        t.join();
    if (stopping()) return {};
    return result;
}

} // namespace pitkad
