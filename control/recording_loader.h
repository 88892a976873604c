#pragma once
// The analysis steps of opening a recording, shared by the window and the
// command line: a valid cache is loaded, otherwise the recording is
// analysed, normalised to its peak and cached.

#include "analysis/analyse_wav.h"
#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"

#include <filesystem>
#include <string>

namespace pitkad {

struct LoadResult {
    bool ok = false;
    bool cache_used = false;
    // The analysis could not be cached anywhere: the store must be reset.
    bool cache_write_failed = false;
    std::string message; // the exact text to show when !ok
};

LoadResult load_or_analyse(const std::filesystem::path& wav, SpectrogramStore& store,
                           const BandTables& tables, const ProgressFn& progress, int threads,
                           bool use_cache = true);

} // namespace pitkad
