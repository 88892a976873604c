#pragma once
// Shared by the fuzz targets: a scratch folder for parsers that read files,
// and a check that stops the run with a message (libFuzzer records the input).

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace pitkad::fuzz {

// A folder of this process, kept for the whole run.
inline const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("pitkad_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline void write_file(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// An analysis of `frames` frames (one column at least) whose bands take the
// `n` bytes round and round as levels from -100 to 0 dB; without bytes, all
// empty.
inline SpectrogramStore levels_from(const std::uint8_t* bytes, std::size_t n, int frames) {
    std::vector<float> cells(std::size_t(std::max(frames, 1)) * cells_per_frame, empty_level);
    if (n > 0)
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (i % cells_per_frame >= std::size_t(first_band))
                cells[i] = -100.0f + float(bytes[i % n] % 101);
    SpectrogramStore store(std::move(cells));
    store.frame_count = frames;
    return store;
}

#define PITKAD_FUZZ_CHECK(condition)                                                  \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,     \
                         #condition);                                                 \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

} // namespace pitkad::fuzz
