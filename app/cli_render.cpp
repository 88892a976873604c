#include "app/cli_render.h"

#include "base/paths.h"
#include "control/document.h"
#include "view/data_bitmaps.h"
#include "view/graph_view.h"

#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace pitkad {

namespace {

struct RenderOptions {
    std::string wav, out;
    int width = initial_client_width;
    int line_width = 4;
    int scroll_speed = 1;
    int first_frame = 0;
    int sensitivity = default_sensitivity;
    int colour = default_colour;
    bool loudness = false;
    bool grouping = false;
    bool labels_left = true;
    bool labels_right = false;
};

void usage() {
    std::fputs("usage: pitkad --render FILE -o OUT.png [--width W] [--line-width L]\n"
                "       [--scroll-speed S] [--first-frame F] [--sensitivity S] [--colour T]\n"
                "       [--loudness] [--grouping] [--labels left,right]\n",
                stderr);
}

std::optional<int> number(const char* text, int lo, int hi) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return std::nullopt;
    return int(v);
}

std::optional<RenderOptions> parse(int argc, char** argv) {
    RenderOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto int_option = [&](int& target, int lo, int hi) {
            const char* v = value();
            auto n = v ? number(v, lo, hi) : std::nullopt;
            if (!n) return false;
            target = *n;
            return true;
        };
        bool ok = true;
        if (a == "-o") {
            const char* v = value();
            ok = v != nullptr;
            if (ok) o.out = v;
        } else if (a == "--width") ok = int_option(o.width, 1, 16384);
        else if (a == "--line-width") ok = int_option(o.line_width, min_line_width, max_line_width);
        else if (a == "--scroll-speed") {
            ok = int_option(o.scroll_speed, 1, 4) && o.scroll_speed != 3;
        } else if (a == "--first-frame") ok = int_option(o.first_frame, 0, store_frames - 1);
        else if (a == "--sensitivity") ok = int_option(o.sensitivity, 0, 100);
        else if (a == "--colour") ok = int_option(o.colour, 0, 100);
        else if (a == "--loudness") o.loudness = true;
        else if (a == "--grouping") o.grouping = true;
        else if (a == "--labels") {
            const char* v = value();
            ok = v != nullptr;
            if (ok) {
                const std::string s = v;
                o.labels_left = s.find("left") != std::string::npos;
                o.labels_right = s.find("right") != std::string::npos;
            }
        } else if (!a.empty() && a[0] != '-' && o.wav.empty()) o.wav = a;
        else ok = false;
        if (!ok) return std::nullopt;
    }
    if (o.wav.empty() || o.out.empty()) return std::nullopt;
    return o;
}

} // namespace

int run_render_cli(int argc, char** argv) {
    const auto parsed = parse(argc, argv);
    if (!parsed) {
        usage();
        return 2;
    }
    const RenderOptions& o = *parsed;

    // The MIDI port stays closed: loading a drawing sends nothing.
    auto doc = std::make_unique<Document>();
    doc->load_tables();
    const LoadResult r = doc->load_recording(o.wav, {}, 0);
    if (!r.ok) {
        std::fprintf(stderr, "%s: %s\n", o.wav.c_str(), r.message.c_str());
        return 1;
    }
    doc->load_drawing();
    doc->refresh(true, o.loudness);

    ViewState& view = doc->view;
    view.line_width = o.line_width;
    view.scroll_speed = o.scroll_speed;
    GraphView gv(doc->store, doc->drawing, view);
    bool font = false, colours = false;
    if (auto file = find_data_file(font_file_name); !file.empty()) font = gv.load_font(file);
    if (auto file = find_data_file(colour_file_name); !file.empty()) colours = gv.load_colour(file);
    GraphParams params;
    params.sensitivity = o.sensitivity;
    params.colour = o.colour;
    params.switches.show_left_enabled = font;
    params.switches.show_left_checked = o.labels_left;
    params.switches.show_right_checked = o.labels_right;
    params.switches.grouping = o.grouping && colours;
    // The drawing shows as it would with the tool window's switches down.
    params.switches.pen_show = true;
    params.switches.line_show = true;
    params.play_state = PlayState::stopped;
    gv.params = [params] { return params; };
    gv.build_palette();
    gv.layout_view(o.width);
    view.first_frame = o.first_frame;
    gv.write_graph();

    if (!gv.graph_bitmap.save(QString::fromStdString(o.out), "PNG")) {
        std::fprintf(stderr, "%s: cannot write\n", o.out.c_str());
        return 1;
    }
    std::printf("%s: %d × %d\n", o.out.c_str(), gv.graph_bitmap.width(), gv.graph_bitmap.height());
    return 0;
}

} // namespace pitkad
