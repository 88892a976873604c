// Program entry: the command-line modes, or the main window.

#include "app/cli_analyse.h"
#include "app/cli_exchange.h"
#include "app/cli_recording.h"
#include "app/cli_render.h"
#include "app/main_window.h"
#include "app/window_args.h"
#include "control/settings_file.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

constexpr const char* program_version = "1.00";

QStringList arguments_after_name(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// The language of a run without a window: `--lang`, else the one the user
// chose in the window (the settings file), else Japanese.
pitkad::Language run_language(std::optional<pitkad::Language> option) {
    if (option) return *option;
    return pitkad::language_from_code(pitkad::SettingsFile(pitkad::settings_file_path()).language())
        .value_or(pitkad::Language::japanese);
}

// Everything but the window: the usage after a bad command line, --help,
// --version, or a command-line mode. Needs the application object.
int answer_without_window(const pitkad::CommandLine& line) {
    using pitkad::Mode;
    pitkad::LanguageSwitch language;
    language.set(run_language(line.language));
    if (line.bad) {
        pitkad::print_usage(pitkad::usage_source_of(line.mode));
        return 2;
    }
    switch (line.info) {
    case pitkad::InfoOption::help:
        std::fputs(pitkad::usage_text().c_str(), stdout);
        return 0;
    case pitkad::InfoOption::version:
        std::printf("PitkaD %s\n", program_version);
        return 0;
    case pitkad::InfoOption::none:
        break;
    }
    switch (line.mode) {
    case Mode::analyse:
        return pitkad::run_analyse_cli(line.analyse);
    case Mode::render:
        return pitkad::run_render_cli(line.render);
    case Mode::export_midi:
        return pitkad::run_export_midi_cli(line.exchange);
    case Mode::import_midi:
        return pitkad::run_import_midi_cli(line.exchange);
    case Mode::export_csv:
        return pitkad::run_export_csv_cli(line.exchange);
    case Mode::suggest:
        return pitkad::run_suggest_cli(line.suggest);
    case Mode::check:
        return pitkad::run_check_cli(line.exchange);
    case Mode::window:
        break;
    }
    return 2; // not reached: the window is opened by the caller
}

bool opens_window(const pitkad::CommandLine& line) {
    return line.mode == pitkad::Mode::window && line.info == pitkad::InfoOption::none && !line.bad;
}

} // namespace

int main(int argc, char** argv) {
    pitkad::CommandLine line = pitkad::parse_command_line(arguments_after_name(argc, argv));
    // Options unknown to the window may be Qt's own: the window's
    // application takes those out, then the rest is read again.
    if (!opens_window(line) && !(line.mode == pitkad::Mode::window && line.unknown_options)) {
        // No window, and no display needed: the translators work without one.
        // A picture with text in it needs fonts, from a GUI application
        // that draws off screen.
        if (line.mode == pitkad::Mode::render && line.render.window_style() && !line.bad) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            QGuiApplication gui(argc, argv);
            std::setlocale(LC_NUMERIC, "C");
            return answer_without_window(line);
        }
        QCoreApplication core(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return answer_without_window(line);
    }

    QApplication app(argc, argv);
    // Numbers in files and on the clipboard use "." whatever the user's
    // locale; Qt set the C library's locale from the environment.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("PitkaD");
    QApplication::setApplicationVersion(program_version);
    if (line.unknown_options) line = pitkad::parse_command_line(arguments_after_name(argc, argv));
    if (!opens_window(line)) return answer_without_window(line);

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
