// The analysis cache beside a small valid recording: any cache bytes either
// load as a whole or leave the store untouched.
#include "analysis/analysis_cache.h"
#include "analysis/spectrogram_store.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seed_files.h"

#include <cmath>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    static const auto wav = [] {
        const auto file = fuzz::scratch() / "song.wav";
        const auto bytes = seeds::small_wav();
        fuzz::write_file(file, bytes.data(), bytes.size());
        return file;
    }();
    static auto store = std::make_unique<SpectrogramStore>();
    fuzz::write_file(cache_name_for(wav), data, size);
    // As a reset leaves it, without refilling every column each run.
    store->frame_count = 1;
    store->cache_file_name.clear();
    if (read_analysis_cache(wav, *store)) {
        PITKAD_FUZZ_CHECK(store->frame_count >= 0 && store->frame_count < recording_frame_limit);
        for (int t = 0; t < store->frame_count; ++t)
            for (float v : store->column(t)) PITKAD_FUZZ_CHECK(std::isfinite(v));
    } else {
        PITKAD_FUZZ_CHECK(store->frame_count == 1); // as reset left it
    }
    return 0;
}
