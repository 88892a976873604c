#include "app/command_line_main.h"

#include "app/cli_analyse.h"
#include "app/cli_exchange.h"
#include "app/cli_recording.h"
#include "app/cli_render.h"
#include "control/settings_file.h"

#include <cstdio>

namespace pitkad {

namespace {

// The language of a run without a window: `--lang`, else the one the user
// chose in the window (the settings file), else Japanese.
Language run_language(std::optional<Language> option) {
    if (option) return *option;
    return language_from_code(SettingsFile(settings_file_path()).language())
        .value_or(Language::japanese);
}

} // namespace

QStringList arguments_after_name(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

bool opens_window(const CommandLine& line) {
    return line.mode == Mode::window && line.info == InfoOption::none && !line.bad;
}

int answer_without_window(const CommandLine& line) {
    LanguageSwitch language;
    language.set(run_language(line.language));
    if (line.bad) {
        print_usage(usage_source_of(line.mode));
        return 2;
    }
    switch (line.info) {
    case InfoOption::help:
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    case InfoOption::version:
        std::printf("PitkaD %s\n", program_version);
        return 0;
    case InfoOption::none:
        break;
    }
    switch (line.mode) {
    case Mode::analyse:
        return run_analyse_cli(line.analyse);
    case Mode::render:
        return run_render_cli(line.render);
    case Mode::export_midi:
        return run_export_midi_cli(line.exchange);
    case Mode::import_midi:
        return run_import_midi_cli(line.exchange);
    case Mode::export_csv:
        return run_export_csv_cli(line.exchange);
    case Mode::suggest:
        return run_suggest_cli(line.suggest);
    case Mode::check:
        return run_check_cli(line.exchange);
    case Mode::window:
        break;
    }
    return 2; // not reached: the window is opened by the caller
}

} // namespace pitkad
