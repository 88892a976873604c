#include "app/cli_render.h"

#include "app/cli_recording.h"
#include "app/language.h"
#include "base/atomic_file.h"
#include "base/paths.h"
#include "view/data_bitmaps.h"
#include "view/graph_image.h"
#include "view/note_labels.h"
#include "view/time_ruler.h"

#include <QImage>
#include <QPainter>
#include <QString>

namespace pitkad {

namespace {

// The graph with the note labels painted over it as text and, when asked,
// the time ruler above it: what the window shows.
QImage window_picture(const QImage& graph, const ViewState& view,
                      const std::vector<LineCount>& lines,
                      std::span<const SectionMarker> markers, bool ruler, LabelColumns labels) {
    const int top = ruler ? ruler_height : 0;
    QImage out(graph.width(), graph.height() + top, QImage::Format_RGB32);
    QPainter p(&out);
    if (ruler)
        paint_time_ruler(p, QRect(0, 0, graph.width(), ruler_height), view, lines, markers);
    p.drawImage(0, top, graph);
    p.translate(0, top);
    paint_label_columns(p, labels, graph.width(), view.line_width, {}, graph.rect(), &graph);
    p.end();
    return out;
}

} // namespace

int run_render_cli(const RenderArgs& o) {
    // The picture shows the drawing.
    const auto doc = open_for_command_line(o.file, o.loudness, o.channel, o.reference);
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
    view.line_width = o.row_height > 0 ? o.row_height : o.line_width;
    view.scroll_speed = o.scroll_speed;
    view.zoom = int(o.zoom);
    view.first_frame = o.first_frame;
    if (o.window_style()) {
        // As the window shows it: labels as text over the picture.
        params.switches.show_left_checked = false;
        params.switches.show_right_checked = false;
    }
    QImage image =
        render_graph_image({doc->store, doc->drawing, font, colours}, view, params, o.width);
    if (o.window_style()) {
        const std::vector<LineCount> lines =
            count_lines(doc->drawing, doc->store.frame_count, MidiExportOptions{});
        image = window_picture(image, view, lines, doc->drawing.annotations.markers, o.ruler,
                               {!font.isNull() && o.labels_left, !font.isNull() && o.labels_right});
    }

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
