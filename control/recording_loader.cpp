#include "control/recording_loader.h"

#include "analysis/analysis_cache.h"
#include "analysis/loudness.h"
#include "audio/recording_decoder.h"
#include "audio/reference_resampler.h"
#include "base/vector_state.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace pitkad {

AnalysisSampleReader::AnalysisSampleReader(RecordingDecoder& decoder,
                                           AnalysisReference reference, std::stop_token stop,
                                           bool hash, bool playback)
    : samples_(std::int64_t(recording_frame_limit + 1) * frame_step, SampleStream::default_ahead,
               stop) {
    if (!reference.is_standard()) {
        // The converter's last output may run a little past the scaled length.
        const auto room =
            std::int64_t(double(recording_frame_limit + 1) * frame_step * reference.stream_ratio()) +
            4096;
        resampled_ = std::make_unique<SampleStream>(room, SampleStream::default_ahead, stop);
    }
    auto decode = [this, &decoder, hash, playback, stop] {
        clear_upper_vector_state();
        decoded_ = decoder.run(&samples_, hash, playback, stop);
    };
    auto resample = [this, reference] {
        clear_upper_vector_state();
        resample_for_reference(samples_, *resampled_, reference);
    };
    try {
        reader_ = std::thread(decode);
        if (resampled_) resampler_ = std::thread(resample);
    } catch (const std::system_error&) {
        if (!reader_.joinable()) decode();
        if (resampled_) resample();
    }
}

AnalysisSampleReader::~AnalysisSampleReader() {
    finish();
}

DecodeOutcome AnalysisSampleReader::finish() {
    if (resampler_.joinable()) resampler_.join();
    if (reader_.joinable()) reader_.join();
    return std::move(decoded_);
}

TablesSource tables_on_demand(std::optional<BandTables>& tables) {
    return [&tables]() -> const BandTables& {
        if (!tables) tables = build_band_tables();
        return *tables;
    };
}

LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           bool use_cache, bool playback, const TaskControl& control,
                           AnalysisChannel channel, AnalysisReference reference,
                           const EarlyColumns& early) {
    return load_or_analyse(
        wav, store, [&tables]() -> const BandTables& { return tables; }, progress, threads,
        use_cache, playback, control, channel, reference, early);
}

LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const TablesSource& tables, const ProgressFn& progress, int threads,
                           bool use_cache, bool playback, const TaskControl& control,
                           AnalysisChannel channel, AnalysisReference reference,
                           const EarlyColumns& early) {
    clear_upper_vector_state();
    LoadResult result;
    auto cancelled = [&] {
        result = {};
        result.cancelled = true;
        return result;
    };
    // The file is hashed at most once per open: checking a cache leaves the
    // fingerprint for rewriting it, otherwise the reader hashes as it reads.
    FileHash hash;
    if (use_cache && read_analysis_cache(wav, store, &hash, control.stop, channel, reference)) {
        result.ok = true;
        result.cache_used = true;
        return result;
    }
    if (control.stopping()) return cancelled();
    OpenFailure refused;
    std::unique_ptr<RecordingDecoder> decoder = RecordingDecoder::open(wav, refused, control.stop);
    if (control.stopping()) return cancelled();
    if (!decoder) {
        result.status = refused.status;
        result.detail = std::move(refused.detail);
        return result;
    }
    decoder->set_analysis_channel(channel);
    if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));

    // The file is read or decoded on its own threads while the analysis
    // follows it.
    AnalysisSampleReader reader(*decoder, reference, control.stop, !hash.ok, playback);
    // Room for the length announced (the analysis makes more if it is
    // longer), made while the decoding has begun: for hours, 164 MB.
    store.make_room(std::clamp(decoder->expected_frames(), 0, recording_frame_limit));
    const std::int32_t frames =
        analyse_stream(reader.stream(), store, tables(), progress, threads,
                       decoder->expected_frames(), best_kernel_path(), control, reference, early);
    DecodeOutcome decoded = reader.finish();
    if (control.stopping()) return cancelled();
    if (!decoded.ok || frames < 0) {
        // A stream the analysis abandoned, though the decoder did not, is
        // taken for data that could not be read.
        const bool refused_by_decoder = !decoded.ok && decoded.status != OpenStatus::ok;
        result.status = refused_by_decoder ? decoded.status : OpenStatus::bad_header;
        result.detail = std::move(decoded.detail);
        return result;
    }
    if (decoded.hash.ok) hash = decoded.hash;
    store.frame_count = frames;
    store.fit(frames);
    store.wav_file_size = decoder->file_size();
    store.reference = reference;
    result.audio = std::move(decoded.audio);

    normalise_to_peak(store);
    if (control.stopping()) return cancelled();
    if (!write_analysis_cache(wav, store, &hash, channel, reference)) {
        result.cache_write_failed = true;
        result.status = OpenStatus::cache_not_saved;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace pitkad
