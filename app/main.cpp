// Program entry: the command-line modes, or the main window.

#include "app/cli_analyse.h"
#include "app/cli_exchange.h"
#include "app/cli_render.h"
#include "app/pitka_p1.h"
#include "app/window_args.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* program_version = "1.00";

} // namespace

int main(int argc, char** argv) {
    // Answered before anything needs a display.
    switch (pitkad::info_option(argc, argv)) {
    case pitkad::InfoOption::help:
        std::fputs(pitkad::usage_text(pitkad::Language::japanese).c_str(), stdout);
        return 0;
    case pitkad::InfoOption::version:
        std::printf("PitkaD %s\n", program_version);
        return 0;
    case pitkad::InfoOption::none:
        break;
    }

    const struct {
        const char* option;
        int (*run)(int, char**);
    } modes[] = {
        {"--analyse", pitkad::run_analyse_cli},         {"--render", pitkad::run_render_cli},
        {"--export-midi", pitkad::run_export_midi_cli}, {"--import-midi", pitkad::run_import_midi_cli},
        {"--export-csv", pitkad::run_export_csv_cli},
    };
    for (const auto& mode : modes)
        if (argc >= 2 && std::strcmp(argv[1], mode.option) == 0) {
            argv[1] = argv[0];
            return mode.run(argc - 1, argv + 1);
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
        std::fputs(pitkad::usage_text(pitkad::Language::japanese).c_str(), stderr);
        return 2;
    }

    pitkad::TForm1 form1;
    form1.show();
    // `pitkad FILE` opens that recording once the window is up, with the
    // practice options in force.
    QTimer::singleShot(0, &form1, [&form1, &args] { form1.open_from_command_line(*args); });
    return app.exec();
}
