// What a user waits for after choosing a language: the translators swapped
// and the main window, the tool window and the MIDI dialog set again, on the
// offscreen platform with the tool window shown.
#include "app/main_window.h"
#include "audio/audio_output.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace pitkad;

namespace {

void BM_switch_language(benchmark::State& state) {
    StartOptions o;
    o.audio = std::make_unique<SteppedOutput>();
    o.midi = [] { return std::unique_ptr<MidiBackend>(); };
    o.read_settings = false;
    MainWindow form(std::move(o));
    form.show();
    form.tools_window()->show();
    bool english = false;
    for (auto _ : state) {
        english = !english;
        form.set_language(english ? Language::english : Language::japanese);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_switch_language)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
