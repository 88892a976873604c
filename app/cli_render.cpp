#include "app/cli_render.h"

#include "base/paths.h"
#include "app/cli_recording.h"
#include "base/atomic_file.h"
#include "view/data_bitmaps.h"
#include "view/graph_image.h"

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
    print_usage(
        PITKAD_TR("PitkaD", "使い方: pitkad --render ファイル -o 出力.png [--width W] [--line-width L]\n"
                            "       [--scroll-speed S] [--first-frame F] [--sensitivity S]\n"
                            "       [--colour T] [--loudness] [--grouping] [--labels left,right]\n"));
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

    const auto doc = open_for_command_line(o.wav, o.loudness);
    if (!doc) return 1;

    QImage font, colours;
    if (auto file = find_data_file(font_file_name); !file.empty())
        font = load_font_bitmap(file).value_or(QImage());
    if (auto file = find_data_file(colour_file_name); !file.empty())
        colours = load_colour_bitmap(file).value_or(QImage());
    GraphParams params;
    params.sensitivity = o.sensitivity;
    params.colour = o.colour;
    params.switches.show_left_enabled = !font.isNull();
    params.switches.show_left_checked = o.labels_left;
    params.switches.show_right_checked = o.labels_right;
    params.switches.grouping = o.grouping && !colours.isNull();
    // The drawing shows as it would with the tool window's switches down.
    params.switches.pen_show = true;
    params.switches.line_show = true;
    params.play_state = PlayState::stopped;
    ViewState view = doc->view;
    view.line_width = o.line_width;
    view.scroll_speed = o.scroll_speed;
    view.first_frame = o.first_frame;
    const QImage image =
        render_graph_image({doc->store, doc->drawing, font, colours}, view, params, o.width);

    const auto png = png_bytes(image);
    if (png.empty() || !write_file_atomically(o.out, png)) {
        print_file_error(o.out, PITKAD_TR("PitkaD", "書けません"));
        return 1;
    }
    std::printf("%s: %d × %d\n", o.out.c_str(), image.width(), image.height());
    return 0;
}

} // namespace pitkad
