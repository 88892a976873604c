#include "control/recording_loader.h"

#include "analysis/analysis_cache.h"
#include "analysis/loudness.h"
#include "audio/recording_decoder.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace pitkad {

LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           bool use_cache, bool playback, const TaskControl& control,
                           AnalysisChannel channel) {
    LoadResult result;
    auto cancelled = [&] {
        result = {};
        result.cancelled = true;
        return result;
    };
    // The file is hashed at most once per open: checking a cache leaves the
    // fingerprint for rewriting it, otherwise the reader hashes as it reads.
    FileHash hash;
    if (use_cache && read_analysis_cache(wav, store, &hash, control.stop, channel)) {
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

    // The file is read or decoded on its own thread while the analysis
    // follows it; without a thread to spare it is read first.
    SampleStream samples(std::int64_t(recording_frame_limit + 1) * frame_step,
                         SampleStream::default_ahead, control.stop);
    // Room for the length announced; the analysis makes more if it is longer.
    store.make_room(std::clamp(decoder->expected_frames(), 0, recording_frame_limit));
    DecodeOutcome decoded;
    auto decode = [&] { decoded = decoder->run(&samples, !hash.ok, playback, control.stop); };
    std::thread reader;
    try {
        reader = std::thread(decode);
    } catch (const std::system_error&) {
        decode();
    }
    const std::int32_t frames = analyse_stream(samples, store, tables, progress, threads,
                                               decoder->expected_frames(), best_kernel_path(),
                                               control);
    if (reader.joinable()) reader.join();
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
    result.audio = std::move(decoded.audio);

    normalise_to_peak(store);
    if (control.stopping()) return cancelled();
    if (!write_analysis_cache(wav, store, &hash, channel)) {
        result.cache_write_failed = true;
        result.status = OpenStatus::cache_not_saved;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace pitkad
