#include "app/cli_analyse.h"

#include "app/cli_recording.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "control/document.h"

namespace pitkad {

namespace {

void usage() {
    print_usage(
        PITKAD_TR("PitkaD", "使い方: pitkad --analyse ファイル... [--threads N] [--no-cache]\n"));
}

} // namespace

int run_analyse_cli(int argc, char** argv) {
    std::vector<std::string> files;
    int threads = 0; // every core
    bool use_cache = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--no-cache") == 0) {
            use_cache = false;
        } else if (std::strcmp(a, "--threads") == 0) {
            if (i + 1 >= argc) {
                usage();
                return 2;
            }
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || n < 1 || n > 64) {
                usage();
                return 2;
            }
            threads = int(n);
        } else {
            files.emplace_back(a);
        }
    }
    if (files.empty()) {
        usage();
        return 2;
    }

    auto doc = std::make_unique<Document>();
    doc->band_tables = build_band_tables();
    SpectrogramStore& store = doc->store;
    int status = 0;
    for (const std::string& file : files) {
        const auto start = std::chrono::steady_clock::now();
        store.reset();
        const LoadResult r = doc->load_recording(
            file,
            [](const std::string& text) {
                std::printf("%s\n", text.c_str());
                std::fflush(stdout);
            },
            threads, use_cache);
        if (!r.ok) {
            store.reset();
            print_file_error(file, r.message);
            status = 1;
            continue;
        }
        const bool cached = r.cache_used;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %d frames, %s, %.2f s\n", file.c_str(), store.frame_count,
                    cached ? "cache used" : "analysed", seconds);
        std::fflush(stdout);
    }
    return status;
}

} // namespace pitkad
