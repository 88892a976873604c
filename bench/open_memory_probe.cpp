// The memory the window holds: started as the program starts it (the
// built-in synthesizer, the settings of a fresh user), then opening a
// recording through its open job, the analysis not cached. Reports the
// resident memory with no recording open, then the peak during the open
// and what stays held after it (anonymous and file-backed parts apart).
//
//   pitkad_bench_open_memory recording
//
// Run it with HOME and XDG_CACHE_HOME pointing at an empty folder, so that
// no settings or cache of the user's take part.

#include "analysis/analysis_cache.h"
#include "app/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "bench/proc_status.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using pitkad::bench::status_mb;

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void report(const char* when) {
    std::printf("%-22s resident %6.1f MB (anonymous %6.1f, files %6.1f), peak %6.1f MB\n", when,
                status_mb("VmRSS:"), status_mb("RssAnon:"), status_mb("RssFile:"),
                status_mb("VmHWM:"));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    using namespace pitkad;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2 || !std::filesystem::exists(argv[1])) {
        std::fprintf(stderr, "usage: pitkad_bench_open_memory recording\n");
        return 1;
    }
    const std::filesystem::path file = argv[1];
    std::error_code ec;
    std::filesystem::remove(cache_name_for(file), ec); // analysed, not read from the cache

    QElapsedTimer started;
    started.start();
    StartOptions o;
    o.screen_height = 1200;
    MainWindow window(std::move(o));
    window.show();
    settle(0);
    std::printf("window shown after %.1f ms\n", double(started.nsecsElapsed()) / 1e6);
    settle(2000);
    report("no recording:");

    QElapsedTimer took;
    took.start();
    const bool ok = window.open_recording(QString::fromStdString(file.string()));
    const double seconds = double(took.nsecsElapsed()) / 1e9;
    settle(2000);
    std::printf("open: %s in %.1f s\n", ok ? "opened" : "FAILED", seconds);
    report("recording open:");
    return ok ? 0 : 1;
}
