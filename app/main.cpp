// Program entry: the command-line modes, or the main window.

#include "app/cli_analyse.h"
#include "app/cli_exchange.h"
#include "app/cli_render.h"
#include "app/main_window.h"
#include "app/window_args.h"
#include "control/settings_file.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* program_version = "1.00";

// The language of a run without a window: `--lang`, else the one the user
// chose in the window (the settings file), else Japanese.
pitkad::Language run_language(std::optional<pitkad::Language> option) {
    if (option) return *option;
    return pitkad::language_from_code(pitkad::SettingsFile(pitkad::settings_file_path()).language())
        .value_or(pitkad::Language::japanese);
}

} // namespace

int main(int argc, char** argv) {
    // `--lang` is taken out first, so that every mode's parser sees the rest.
    bool bad_language = false;
    const std::optional<pitkad::Language> language_option =
        pitkad::take_language_option(argc, argv, bad_language);

    const pitkad::InfoOption info = pitkad::info_option(argc, argv);
    const struct {
        const char* option;
        int (*run)(int, char**);
    } modes[] = {
        {"--analyse", pitkad::run_analyse_cli},
        {"--render", pitkad::run_render_cli},
        {"--export-midi", pitkad::run_export_midi_cli},
        {"--import-midi", pitkad::run_import_midi_cli},
        {"--export-csv", pitkad::run_export_csv_cli},
    };
    const auto* mode = std::find_if(std::begin(modes), std::end(modes), [&](const auto& m) {
        return argc >= 2 && std::strcmp(argv[1], m.option) == 0;
    });
    if (info != pitkad::InfoOption::none || mode != std::end(modes) || bad_language) {
        // No window, and no display needed: the translators work without one.
        QCoreApplication core(argc, argv);
        pitkad::LanguageSwitch language;
        language.set(run_language(language_option));
        if (bad_language) {
            std::fputs(pitkad::usage_text().c_str(), stderr);
            return 2;
        }
        switch (info) {
        case pitkad::InfoOption::help:
            std::fputs(pitkad::usage_text().c_str(), stdout);
            return 0;
        case pitkad::InfoOption::version:
            std::printf("PitkaD %s\n", program_version);
            return 0;
        case pitkad::InfoOption::none:
            break;
        }
        argv[1] = argv[0];
        return mode->run(argc - 1, argv + 1);
    }

    QApplication app(argc, argv);
    // Numbers in files and on the clipboard use "." whatever the user's
    // locale; Qt set the C library's locale from the environment.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("PitkaD");
    QApplication::setApplicationVersion(program_version);

    // Qt has taken its own options out of argv.
    QStringList rest;
    for (int i = 1; i < argc; ++i)
        rest << QString::fromLocal8Bit(argv[i]);
    const std::optional<pitkad::WindowArgs> args = pitkad::parse_window_args(rest);
    if (!args) {
        pitkad::LanguageSwitch language;
        language.set(run_language(language_option));
        std::fputs(pitkad::usage_text().c_str(), stderr);
        return 2;
    }

    pitkad::StartOptions options;
    options.language = language_option;
    // A recovery copy every 30 s, or as often as the environment asks.
    bool interval_set = false;
    const int interval = qEnvironmentVariableIntValue("PITKAD_RECOVERY_INTERVAL_MS", &interval_set);
    options.recovery_interval_ms = interval_set && interval > 0 ? interval : 30000;
    pitkad::MainWindow form1(std::move(options));
    form1.show();
    // `pitkad FILE` opens that recording once the window is up, with the
    // practice options in force.
    QTimer::singleShot(0, &form1, [&form1, &args] { form1.open_from_command_line(*args); });
    return app.exec();
}
