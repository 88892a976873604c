#include "control/recording_loader.h"

#include "analysis/analysis_cache.h"
#include "analysis/analysis_messages.h"
#include "analysis/loudness.h"

namespace pitkad {

LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           bool use_cache) {
    LoadResult result;
    if (use_cache && read_analysis_cache(wav, store)) {
        result.ok = true;
        result.cache_used = true;
        return result;
    }
    const AnalysisResult r = analyse_wav(wav, store, tables, progress, threads);
    if (!r.ok) {
        result.message = r.message;
        return result;
    }
    normalise_to_peak(store);
    if (!write_analysis_cache(wav, store)) {
        result.cache_write_failed = true;
        result.message = messages::cache_not_saved;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace pitkad
