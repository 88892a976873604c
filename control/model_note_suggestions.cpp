#include "control/model_note_suggestions.h"

#include "analysis/band_tables.h"
#include "analysis/model_notes.h"
#include "analysis/pitch_model.h"
#include "analysis/sample_stream.h"
#include "analysis/spectrogram_store.h"
#include "audio/recording_decoder.h"
#include "base/paths.h"
#include "base/vector_state.h"
#include "control/recording_loader.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <system_error>
#include <thread>

namespace pitkad {

namespace {

constexpr int half_taps = 31; // each side of the centre
constexpr double cutoff_hz = 10000.0, input_rate = 44100.0;

} // namespace

std::filesystem::path installed_pitch_model() {
    const std::filesystem::path graph = find_data_file("pitch-model/model.json");
    return graph.empty() ? std::filesystem::path{} : graph.parent_path();
}

bool model_reads(int frame_count) {
    return frame_count > 0 && double(frame_count) * frame_step / input_rate <= model_seconds_limit &&
           !installed_pitch_model().empty();
}

HalfRate::HalfRate() : base_(-half_taps) {
    // A Blackman-windowed sinc, its gain 1 at 0 Hz.
    const int n = 2 * half_taps + 1;
    taps_.resize(std::size_t(n));
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double x = i - half_taps, fc = cutoff_hz / input_rate;
        const double sinc = x == 0 ? 2 * fc : std::sin(2 * std::numbers::pi * fc * x) / (std::numbers::pi * x);
        const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1)) +
                         0.08 * std::cos(4 * std::numbers::pi * i / (n - 1));
        taps_[std::size_t(i)] = float(sinc * w);
        sum += sinc * w;
    }
    for (float& t : taps_)
        t = float(t / sum);
    // Silence before the first input.
    pending_.assign(std::size_t(half_taps), 0.0f);
}

void HalfRate::produce(std::vector<float>& out, std::int64_t inputs_end) {
    const std::int64_t have = base_ + std::int64_t(pending_.size());
    // The outputs whose taps are all in: centres next_, next_ + 2, … below
    // inputs_end and half_taps short of the last input.
    std::int64_t count = 0;
    if (next_ < inputs_end && next_ + half_taps < have)
        count = std::min((inputs_end - next_ + 1) / 2, (have - half_taps - next_ + 1) / 2);
    if (count <= 0) return;
    // Split into the inputs at even and odd places from the first output's
    // first tap, each output is then a sum over contiguous runs of both,
    // which the loops below take several outputs at a time.
    const float* x = pending_.data() + (next_ - half_taps - base_);
    // Taps 0, 2, … 62 meet the even inputs, 1, 3, … 61 the odd ones.
    const std::size_t n = std::size_t(count), half = std::size_t(half_taps) + 1;
    even_.resize(n + half - 1);
    odd_.resize(n + half - 2);
    for (std::size_t i = 0; i < even_.size(); ++i)
        even_[i] = x[2 * i];
    for (std::size_t i = 0; i < odd_.size(); ++i)
        odd_[i] = x[2 * i + 1];
    const std::size_t first = out.size();
    out.resize(first + n, 0.0f);
    float* y = out.data() + first;
    for (std::size_t j = 0; j < half; ++j) {
        const float t = taps_[2 * j];
        const float* e = even_.data() + j;
        for (std::size_t k = 0; k < n; ++k)
            y[k] += t * e[k];
    }
    for (std::size_t j = 0; j + 1 < half; ++j) {
        const float t = taps_[2 * j + 1];
        const float* o = odd_.data() + j;
        for (std::size_t k = 0; k < n; ++k)
            y[k] += t * o[k];
    }
    next_ += 2 * count;
    // Inputs no later output reaches are let go.
    const std::int64_t keep_from = next_ - half_taps;
    if (keep_from > base_) {
        const auto drop = std::min<std::int64_t>(keep_from - base_, std::int64_t(pending_.size()));
        pending_.erase(pending_.begin(), pending_.begin() + drop);
        base_ += drop;
    }
}

void HalfRate::add(const float* in, std::size_t count, std::vector<float>& out) {
    pending_.insert(pending_.end(), in, in + count);
    taken_ += std::int64_t(count);
    produce(out, taken_);
}

void HalfRate::finish(std::vector<float>& out) {
    pending_.insert(pending_.end(), std::size_t(half_taps), 0.0f);
    produce(out, taken_);
}

ModelNotesResult suggest_notes_by_model(const std::filesystem::path& file, int frame_count,
                                        AnalysisChannel channel, AnalysisReference reference,
                                        const TaskControl& control,
                                        const std::filesystem::path& model_dir) {
    clear_upper_vector_state();
    ModelNotesResult result;
    const double seconds = double(frame_count) * frame_step / input_rate;
    if (frame_count <= 0 || seconds > model_seconds_limit) return result;
    const std::filesystem::path dir = model_dir.empty() ? installed_pitch_model() : model_dir;
    if (dir.empty()) return result;
    OrError<PitchModel> loaded = PitchModel::load(dir);
    if (!loaded.value) {
        result.detail = std::move(loaded.error);
        return result;
    }
    const PitchModel& model = *loaded.value;
    auto cancelled = [&] {
        result = {};
        result.outcome = ModelNotesResult::Outcome::cancelled;
        return result;
    };

    OpenFailure refused;
    std::unique_ptr<RecordingDecoder> decoder = RecordingDecoder::open(file, refused, control.stop);
    if (control.stopping()) return cancelled();
    if (!decoder) {
        result.outcome = ModelNotesResult::Outcome::failed;
        result.status = refused.status;
        result.detail = std::move(refused.detail);
        return result;
    }
    decoder->set_analysis_channel(channel);
    // At another reference the samples are resampled as the analysis's are,
    // so that the reference's A4 sounds at 440 Hz.
    AnalysisSampleReader reader(*decoder, reference, control.stop);
    SampleStream& source = reader.stream();
    std::vector<float> input;
    std::vector<float> piece(static_cast<std::size_t>(SampleStream::chunk_samples));
    input.reserve(std::size_t(seconds * reference.stream_ratio() * input_rate / 2) + 4096);
    HalfRate half;
    bool complete = false;
    for (std::int64_t at = 0;;) {
        const std::int64_t end = at + std::int64_t(piece.size());
        if (!source.wait_for(end)) break;
        const std::int64_t n = std::min(end, source.size()) - at;
        if (n <= 0) {
            complete = true;
            break;
        }
        source.copy(at, int(n), piece.data());
        half.add(piece.data(), std::size_t(n), input);
        at += n;
        source.release_before(at);
    }
    source.close_reading();
    DecodeOutcome decoded = reader.finish();
    if (control.stopping()) return cancelled();
    if (!decoded.ok || !complete) {
        result.outcome = ModelNotesResult::Outcome::failed;
        result.status = decoded.status != OpenStatus::ok ? decoded.status : OpenStatus::bad_header;
        result.detail = std::move(decoded.detail);
        return result;
    }
    half.finish(input);

    std::atomic<bool> stop{false};
    const std::stop_callback forward(control.stop, [&stop] { stop = true; });
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    const PitchPosteriors p = model.run(input, threads, &stop);
    if (control.stopping()) return cancelled();
    if (p.frames <= 0 && !input.empty()) {
        result.detail = "the note model gave nothing";
        return result;
    }
    KeyPosteriors view;
    view.frames = p.frames;
    view.onsets = p.onsets;
    view.notes = p.notes;
    result.notes = notes_from_posteriors(view, 1.0 / reference.stream_ratio(), frame_count);
    result.outcome = ModelNotesResult::Outcome::notes;
    return result;
}

} // namespace pitkad
