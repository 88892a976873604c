#pragma once
// The analysis steps of opening a recording, shared by the window and the
// command line: a valid cache is loaded, otherwise the recording (any format
// the decoder reads) is decoded and analysed at once, normalised to its peak
// and cached.

#include "analysis/analyse_wav.h"
#include "analysis/band_tables.h"
#include "analysis/open_status.h"
#include "analysis/spectrogram_store.h"
#include "analysis/sample_stream.h"
#include "audio/pcm_audio.h"
#include "audio/recording_decoder.h"
#include "base/progress.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace pitkad {

// A recording's analysis samples, decoded on a thread of their own and, at a
// reference other than 440 Hz, resampled on another (so that the
// reference's A4 lands on 440 Hz): the stream a reader follows. Without a
// thread to spare the work is done in the constructor.
class AnalysisSampleReader {
  public:
    AnalysisSampleReader(RecordingDecoder& decoder, AnalysisReference reference,
                         std::stop_token stop, bool hash = false, bool playback = false);
    AnalysisSampleReader(const AnalysisSampleReader&) = delete;
    AnalysisSampleReader& operator=(const AnalysisSampleReader&) = delete;
    ~AnalysisSampleReader();

    SampleStream& stream() { return resampled_ ? *resampled_ : samples_; }
    // Waits for the threads; the decoder's outcome.
    DecodeOutcome finish();

  private:
    SampleStream samples_;
    std::unique_ptr<SampleStream> resampled_;
    DecodeOutcome decoded_;
    std::thread reader_, resampler_;
};

struct LoadResult {
    bool ok = false;
    bool cache_used = false;
    // The stop was requested: nothing was written, and there is no status.
    bool cancelled = false;
    // The analysis could not be cached anywhere: the store must be reset.
    bool cache_write_failed = false;
    OpenStatus status = OpenStatus::ok; // why not, when !ok and not cancelled
    std::string detail;                 // the technical reason, or empty
    // The recording decoded for playback, when it was decoded (not when the
    // cache was used).
    std::shared_ptr<const PcmAudio> audio;
};

// With `playback` the recording is also decoded for playing (result.audio).
// On failure the store may hold part of an analysis: the caller resets it or
// drops it. The reading, decoding and analysis stop soon after control.stop
// is requested (the result is then `cancelled`, and no cache is written);
// the analysis counts its frames on control.meter. `channel` is the part of
// the recording analysed and `reference` the pitch of its A4, each choice
// with a cache of its own. `early` is handed the first columns analysed (not
// when the cache is read).
LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           bool use_cache = true, bool playback = false,
                           const TaskControl& control = {},
                           AnalysisChannel channel = AnalysisChannel::first,
                           AnalysisReference reference = {}, const EarlyColumns& early = {});

// The kernel's tables, asked for when the analysis needs them: a command
// line builds them then, while the file is already being decoded on other
// threads, and not at all when the cache is read.
using TablesSource = std::function<const BandTables&()>;
// A source that builds the tables into `tables` the first time it is asked
// (`tables` outlives it).
TablesSource tables_on_demand(std::optional<BandTables>& tables);
// As above, the tables taken from `tables` once the decoding has begun.
LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const TablesSource& tables, const ProgressFn& progress, int threads,
                           bool use_cache = true, bool playback = false,
                           const TaskControl& control = {},
                           AnalysisChannel channel = AnalysisChannel::first,
                           AnalysisReference reference = {}, const EarlyColumns& early = {});

} // namespace pitkad
