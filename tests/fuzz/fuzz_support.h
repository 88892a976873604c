#pragma once
// Shared by the fuzz targets: a scratch folder for parsers that read files,
// and a check that stops the run with a message (libFuzzer records the input).

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

#define PITKAD_FUZZ_CHECK(condition)                                                  \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,     \
                         #condition);                                                 \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

} // namespace pitkad::fuzz
