// How long the window stops answering while it opens a long recording: the
// main window (offscreen, on a stepped clock, without MIDI) opens a 19-minute
// MP3 through its open job, the analysis not cached, while a timer on the UI
// thread ticks every 2 ms; the longest gap between two ticks is the worst
// stall. Also timed: the first screen of the graph (shown while the rest is
// analysed), the whole open, and abandoning an open halfway (Cancel).
// The MP3 is made once with the ffmpeg tool in the user's cache folder
// (PITKAD_BENCH_DIR overrides it), as the decoding benchmarks make it.
//
//   pitkad_bench_open_stall [recording] [runs]

#include "analysis/analysis_cache.h"
#include "app/main_window.h"
#include "audio/audio_output.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "bench/bench_dir.h"
#include "bench/window_probe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace pitkad;
namespace fs = std::filesystem;

using bench::bench_dir;
using bench::make_window;
using bench::StallProbe;

// Pink noise under a chord, stereo, 192 kbit/s, 19 min 20 s (just under
// the length limit).
fs::path long_mp3() {
    const fs::path dir = bench_dir();
    const fs::path file = dir / "long.mp3";
    if (fs::exists(file)) return file;
    fs::create_directories(dir);
    const std::string make =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i anoisesrc=d=1159.9:c=pink:a=0.1 "
        "-f lavfi -i sine=f=440:d=1159.9 -f lavfi -i sine=f=554.37:d=1159.9 -filter_complex "
        "'[0][1][2]amix=inputs=3,aformat=sample_rates=44100:channel_layouts=stereo' "
        "-c:a libmp3lame -b:a 192k '" +
        file.string() + "'";
    if (std::system(make.c_str()) != 0) return {};
    return file;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path file = argc > 1 ? fs::path(argv[1]) : long_mp3();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (file.empty() || !fs::exists(file)) {
        std::fprintf(stderr, "no recording to open (is the ffmpeg tool installed?)\n");
        return 1;
    }
    const QString path = QString::fromStdString(file.string());
    std::printf("%s\n", file.c_str());

    StallProbe probe;
    double worst = 0;
    double quickest = 1e9; // seconds of the quickest open
    for (int run = 0; run < runs; ++run) {
        std::error_code ec;
        fs::remove(cache_name_for(file), ec); // analysed, not read from the cache
        auto window = make_window();
        window->show();
        QElapsedTimer took;
        double first_screen = -1;
        window->early_graph_shown = [&] { first_screen = double(took.nsecsElapsed()) / 1e9; };
        probe.start();
        took.start();
        // The window's own event loop runs while the job stages the file.
        const bool ok = window->open_recording(path);
        // The recording has been adopted and drawn: this gap is the hand-over's.
        const double staging = probe.longest_ms();
        const double handover = probe.quiet_ms();
        const double seconds = double(took.nsecsElapsed()) / 1e9;
        quickest = std::min(quickest, seconds);
        // One more tick after the hand-over, so that its gap is counted.
        QEventLoop after;
        QTimer::singleShot(20, &after, &QEventLoop::quit);
        after.exec();
        worst = std::max(worst, probe.longest_ms());
        char shown[48] = "no first screen";
        if (first_screen >= 0)
            std::snprintf(shown, sizeof shown, "first screen %.3f s", first_screen);
        std::printf("open %d: %s in %.2f s (%s), longest UI gap %.1f ms (while staging %.1f ms, "
                    "hand-over %.1f ms)\n",
                    run + 1, ok ? "opened" : "FAILED", seconds, shown, probe.longest_ms(), staging,
                    handover);
        std::fflush(stdout);
    }

    // Cancel midway (half the quickest open): how soon the open returns once
    // Cancel is pressed.
    {
        std::error_code ec;
        fs::remove(cache_name_for(file), ec);
        auto window = make_window();
        QElapsedTimer took;
        const int cancel_ms = std::max(1, int(quickest * 500));
        QTimer::singleShot(cancel_ms, window.get(), [&] {
            took.start();
            window->opener().cancel();
        });
        const bool opened = window->open_recording(path);
        if (!took.isValid())
            std::printf("cancel after %d ms: the open had finished\n", cancel_ms);
        else
            std::printf("cancel after %d ms: %s, %.1f ms until the open returned, cache written: "
                        "%s\n",
                        cancel_ms, opened ? "NOT CANCELLED" : "abandoned",
                        double(took.nsecsElapsed()) / 1e6,
                        fs::exists(cache_name_for(file)) ? "yes" : "no");
    }
    std::printf("worst UI gap over %d opens: %.1f ms\n", runs, worst);
    return 0;
}
