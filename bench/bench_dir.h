#pragma once
// Where the benchmarks keep the recordings they make once: PITKAD_BENCH_DIR,
// else "pitkad-bench" in the user's cache folder.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pitkad::bench {

inline std::filesystem::path bench_dir() {
    if (const char* d = std::getenv("PITKAD_BENCH_DIR")) return d;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    return std::filesystem::path(cache ? cache : std::string(home ? home : "/tmp") + "/.cache") /
           "pitkad-bench";
}

} // namespace pitkad::bench
