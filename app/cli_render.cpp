#include "app/cli_render.h"

#include "app/cli_recording.h"
#include "app/language.h"
#include "base/atomic_file.h"
#include "base/paths.h"
#include "view/data_bitmaps.h"
#include "view/graph_image.h"

#include <QImage>
#include <QString>

namespace pitkad {

int run_render_cli(const RenderArgs& o) {
    // The picture shows the drawing.
    const auto doc = open_for_command_line(o.file, o.loudness);
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
    if (png.empty() || !write_file_atomically(local_path(o.out), png)) {
        print_file_error(local_path(o.out), tr_text(file_not_written));
        return 1;
    }
    print_line(QStringLiteral("%1: %2 × %3")
                   .arg(o.out, QString::number(image.width()), QString::number(image.height())));
    return 0;
}

} // namespace pitkad
