// How long the window stops answering while it suggests from the sound of a
// long recording: the main window (offscreen, on a stepped clock, without
// MIDI) opens a recording whose analysis is cached, then runs in turn the
// beats, the chords and keys (beats not yet found), the notes, the key
// offered by the key dialog and the first check of the drawing (the
// suggested notes taken into it), while a timer on the UI thread ticks every
// 2 ms; for each, the time until its result is shown and the longest gap
// between two ticks meanwhile; first, the longest gap while no command
// runs. Message boxes and the key dialog are closed as soon as they show
// (their showing ends the command). A second passes between commands, for
// the redraws that follow a result: the overview of the whole recording is
// drawn again 0.3 s after the graph changes, on the UI thread, and the
// first row shows that stall as it follows the open.
//
//   pitkad_bench_suggest_stall [recording …]
// (default: long.wav and three_hours.mp3 in the benchmarks' folder)

#include "app/main_menus.h"
#include "app/main_window.h"
#include "audio/audio_output.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include "bench/bench_dir.h"
#include "bench/window_probe.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

using namespace pitkad;
using bench::make_window;
using bench::StallProbe;
namespace fs = std::filesystem;

QAction* check_action(MainWindow& w) {
    for (QAction* a : w.menus->check_menu->actions())
        if (a->isCheckable()) return a;
    return nullptr;
}

struct Command {
    const char* name;
    std::function<void(MainWindow&)> prepare; // not timed
    std::function<void(MainWindow&)> run;
    // The result is shown (or a message said there was none).
    std::function<bool(MainWindow&)> done;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
        files.emplace_back(argv[i]);
    if (files.empty())
        files = {bench::bench_dir() / "long.wav", bench::bench_dir() / "three_hours.mp3"};

    StallProbe probe(true);
    const Command commands[] = {
        // The window left alone: what stalls it without a command (the
        // recording decoded for playback meanwhile, for one).
        {"nothing, 3 s", [](MainWindow&) {}, [](MainWindow&) {},
         [&probe](MainWindow&) { return probe.elapsed_ms() > 3000; }},
        // A pen mark drawn: the graph at once, the overview shortly after.
        {"an edit, 1 s", [](MainWindow&) {},
         [](MainWindow& w) {
             w.doc.drawing[100].note_cell(30) = 1;
             w.write_graph();
         },
         [&probe](MainWindow&) { return probe.elapsed_ms() > 1000; }},
        {"beats", [](MainWindow& w) { w.doc.suggested_beats = {}; },
         [](MainWindow& w) { w.menus->suggest_beats_action->trigger(); },
         [](MainWindow& w) { return !w.doc.suggested_beats.beats.empty(); }},
        {"chords and keys",
         [](MainWindow& w) {
             w.doc.suggested_beats = {};
             w.doc.suggested_keys.clear();
         },
         [](MainWindow& w) { w.menus->suggest_harmony_action->trigger(); },
         [](MainWindow& w) { return !w.doc.suggested_keys.empty(); }},
        {"notes", [](MainWindow& w) { w.doc.suggested_notes = {}; },
         [](MainWindow& w) { w.menus->suggest_notes_action->trigger(); },
         [](MainWindow& w) { return !w.doc.suggested_notes.notes.empty(); }},
        {"key dialog", [](MainWindow& w) { w.doc.suggested_beats = {}; },
         [](MainWindow& w) { w.menus->key_action->trigger(); }, [](MainWindow&) { return false; }},
        {"first check",
         [](MainWindow& w) {
             w.menus->accept_notes_action->trigger();
             w.statusBar()->clearMessage();
         },
         [](MainWindow& w) { check_action(w)->trigger(); },
         // The counts of notes and flags, listed with the Japanese comma
         // (the window starts in Japanese).
         [](MainWindow& w) { return w.statusBar()->currentMessage().contains(QChar(0x3001)); }},
        // An edit while checking: the drawing checked again.
        {"an edit, checked", [](MainWindow&) {},
         [](MainWindow& w) {
             w.doc.drawing[200].note_cell(31) = 2;
             w.checks().drawing_changed();
         },
         [&probe](MainWindow&) { return probe.elapsed_ms() > 3000; }},
    };

    for (const fs::path& file : files) {
        if (!fs::exists(file)) {
            std::fprintf(stderr, "%s: not there\n", file.c_str());
            continue;
        }
        auto window = make_window();
        window->show();
        QElapsedTimer took;
        took.start();
        if (!window->open_recording(QString::fromStdString(file.string()))) {
            std::fprintf(stderr, "%s: cannot open\n", file.c_str());
            continue;
        }
        std::printf("%s: opened in %.2f s, %d frames\n", file.c_str(),
                    double(took.nsecsElapsed()) / 1e9, window->doc.store.frame_count);
        for (const Command& c : commands) {
            c.prepare(*window);
            probe.start();
            c.run(*window);
            // The command has returned; its result may still be on its way.
            QEventLoop wait;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (c.done(*window) || probe.modals() > 0 || probe.elapsed_ms() > 120000)
                    wait.quit();
            });
            poll.start(1);
            wait.exec();
            std::printf(
                "  %-16s %8.1f ms until shown, longest UI gap %7.1f ms (ending at %.1f ms)%s\n",
                c.name, probe.elapsed_ms(), probe.longest_ms(), probe.longest_end_ms(),
                probe.modals() > 0 ? " (a dialog or message showed)" : "");
            std::fflush(stdout);
            // The redraws that follow the result (the overview's) settle
            // before the next command.
            QEventLoop settle;
            QTimer::singleShot(1000, &settle, &QEventLoop::quit);
            settle.exec();
        }
    }
    return 0;
}
