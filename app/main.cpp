// Program entry: the command-line modes, or the main window, loaded from its
// module (window_main.cpp) beside the program.

#include "app/command_line_main.h"
#include "base/paths.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <clocale>
#include <cstdio>
#include <dlfcn.h>

namespace {

// Where the window's module lies, from the program's folder (bin/ in the
// build tree and the installed layout alike).
constexpr const char* window_module = "../lib/pitkad/pitkad-window.so";

// The module could not be loaded or has no entry.
constexpr const char* module_missing =
    PITKAD_TR("PitkaD", "ウィンドウの部品を読み込めません: %1");

int open_window(int argc, char** argv) {
    const std::string file = (pitkad::executable_dir() / window_module).lexically_normal().string();
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Entry = int (*)(int, char**);
    auto* entry = module ? reinterpret_cast<Entry>(dlsym(module, "pitkad_window_main")) : nullptr;
    if (entry) return entry(argc, argv); // the module stays loaded until the program ends
    const QString detail = QString::fromLocal8Bit(dlerror());
    QCoreApplication core(argc, argv);
    const pitkad::CommandLine line =
        pitkad::parse_command_line(pitkad::arguments_after_name(argc, argv));
    pitkad::LanguageSwitch language;
    language.set(line.language.value_or(pitkad::Language::japanese));
    // The loader's detail names the file.
    std::fprintf(stderr, "%s\n", pitkad::tr_text(module_missing).arg(detail).toUtf8().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const pitkad::CommandLine line =
        pitkad::parse_command_line(pitkad::arguments_after_name(argc, argv));
    // Options unknown to the window may be Qt's own: the window's
    // application takes those out.
    if (pitkad::opens_window(line) || (line.mode == pitkad::Mode::window && line.unknown_options))
        return open_window(argc, argv);
    // No window, and no display needed: the translators work without one.
    // A picture with text in it needs fonts, from a GUI application that
    // draws off screen.
    if (line.mode == pitkad::Mode::render && line.render.window_style() && !line.bad) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication gui(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return pitkad::answer_without_window(line);
    }
    QCoreApplication core(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return pitkad::answer_without_window(line);
}
