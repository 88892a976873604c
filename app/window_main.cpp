// The window's entry, in a module of its own: the widgets, the synthesizer
// and the audio output are loaded only when a window is asked for, so the
// command-line modes start without them.

#include "app/command_line_main.h"
#include "app/main_window.h"

#include <QApplication>
#include <QTimer>

#include <clocale>

extern "C" __attribute__((visibility("default"))) int pitkad_window_main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers in files and on the clipboard use "." whatever the user's
    // locale; Qt set the C library's locale from the environment.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("PitkaD");
    QApplication::setApplicationVersion(pitkad::program_version);
    // Qt has taken out its own options: the rest is read again.
    const pitkad::CommandLine line =
        pitkad::parse_command_line(pitkad::arguments_after_name(argc, argv));
    if (!pitkad::opens_window(line)) return pitkad::answer_without_window(line);

    pitkad::StartOptions options;
    options.language = line.language;
    // A recovery copy every 30 s, or as often as the environment asks.
    bool interval_set = false;
    const int interval = qEnvironmentVariableIntValue("PITKAD_RECOVERY_INTERVAL_MS", &interval_set);
    options.recovery_interval_ms = interval_set && interval > 0 ? interval : 30000;
    pitkad::MainWindow window(std::move(options));
    window.show();
    // `pitkad FILE` opens that recording once the window is up, with the
    // practice options in force.
    const pitkad::WindowArgs args = line.window;
    QTimer::singleShot(0, &window, [&window, &args] { window.open_from_command_line(args); });
    return app.exec();
}
