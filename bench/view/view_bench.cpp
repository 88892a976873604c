#include <benchmark/benchmark.h>

#include <memory>

#include "view/graph_view.h"

namespace {

using namespace pitkad;

// A recording-like store: every band of every frame holds a level in the
// displayed window, so every cell takes the full palette path.
struct Scene {
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::unique_ptr<DrawData> drawing = std::make_unique<DrawData>();
    ViewState view;
    std::unique_ptr<GraphView> gv;

    Scene(int width, int line_width, int speed, int frames = 20000) {
        for (int t = 0; t < frames; ++t)
            for (int b = first_band; b <= last_band; ++b)
                store->at(t, b) = -float((t * 13 + b * 7) % 45);
        store->frame_count = frames;
        view.line_width = line_width;
        view.scroll_speed = speed;
        view.first_frame = 1000;
        gv = std::make_unique<GraphView>(*store, *drawing, view);
        gv->params = [] {
            GraphParams p;
            p.switches.show_left_enabled = true;
            p.switches.show_right_checked = true;
            p.play_state = PlayState::playing;
            return p;
        };
        gv->font_bitmap = QImage(144, 132, QImage::Format_BGR888);
        gv->font_bitmap.fill(QColor(255, 255, 255));
        gv->layout_view(width);
    }
};

void BM_write_graph(benchmark::State& state) {
    Scene scene(int(state.range(0)), int(state.range(1)), int(state.range(2)));
    for (auto _ : state) {
        scene.gv->write_graph();
        benchmark::DoNotOptimize(scene.gv->screen.constBits());
    }
}
BENCHMARK(BM_write_graph)->Args({1912, 12, 1})->Args({796, 4, 1})->Unit(benchmark::kMillisecond);

// One playback tick that does not page: the old column restored, the
// cursor drawn one frame on.
void BM_write_line(benchmark::State& state) {
    Scene scene(1912, 12, 1);
    const int first = scene.view.first_frame + 200;
    int frame = first;
    for (auto _ : state) {
        scene.gv->write_line(frame);
        if (++frame >= first + 1000) frame = first;
    }
}
BENCHMARK(BM_write_line)->Unit(benchmark::kMicrosecond);

// A 19-minute recording (57000 frames) with a drawing in every frame, the
// whole of it in the window: about 72 frames a column, 1400 pixels wide
// at 10-pixel rows.
void BM_write_graph_whole_recording(benchmark::State& state) {
    const int frames = 57000;
    Scene scene(1400, 10, 1, frames);
    for (int t = 0; t < frames; ++t) (*scene.drawing)[t].note_cell(40 + t % 12) = 3;
    scene.view.first_frame = 0;
    scene.view.zoom = int(std::int64_t(1400) * zoom_per_frame / frames);
    for (auto _ : state) {
        scene.gv->write_graph();
        benchmark::DoNotOptimize(scene.gv->screen.constBits());
    }
}
BENCHMARK(BM_write_graph_whole_recording)->Unit(benchmark::kMillisecond);

// Scrolling at 400 pixel/s (8 pixels a frame): each step moves the view on
// by one wheel notch (an eighth of the width) and redraws.
void BM_scroll_at_400_pixels_per_second(benchmark::State& state) {
    Scene scene(1400, 10, 1);
    scene.view.zoom = 400000;
    const int notch = int(scene.view.offset_to_frames(1400 / 8));
    for (auto _ : state) {
        scene.view.first_frame += notch;
        if (scene.view.first_frame > 18000) scene.view.first_frame = 0;
        scene.gv->write_graph();
        benchmark::DoNotOptimize(scene.gv->screen.constBits());
    }
}
BENCHMARK(BM_scroll_at_400_pixels_per_second)->Unit(benchmark::kMillisecond);

} // namespace
