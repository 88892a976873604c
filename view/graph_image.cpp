#include "view/graph_image.h"

#include "view/view_layout.h"

#include <QBuffer>

#include <algorithm>

namespace pitkad {

QImage render_graph_image(const GraphImageSources& sources, ViewState view,
                          const GraphParams& params, int width) {
    GraphView gv(sources.store, sources.drawing, view);
    gv.font_bitmap = sources.font_bitmap;
    gv.colour_bitmap = sources.colour_bitmap;
    gv.params = [params] { return params; };
    gv.build_palette();
    gv.layout_view(width);
    return gv.graph_bitmap;
}

ViewState first_screen_view(ViewState view) {
    view.first_frame = 0;
    view.cursor_frame = -1;
    return view;
}

int first_screen_frames(const ViewState& view, int width) {
    return int(
        std::min<std::int64_t>(first_screen_view(view).offset_to_frames(width) + 1, store_frames));
}

QImage render_first_screen(const SpectrogramStore& store, ViewState view, const GraphParams& params,
                           const QImage& colour_bitmap, int width) {
    GraphParams p;
    p.sensitivity = params.sensitivity;
    p.colour = params.colour;
    p.switches = params.switches;
    p.play_state = PlayState::stopped;
    const DrawData nothing_drawn;
    const QImage no_labels;
    return render_graph_image({store, nothing_drawn, no_labels, colour_bitmap}, view, p, width);
}

WholeGraph whole_graph(ViewState view, int frame_count) {
    const int frames = std::max(frame_count, 1);
    int speed = effective_scroll_speed(view.scroll_speed);
    while (speed > 1 && std::int64_t(frames) * speed > max_whole_graph_width)
        speed /= 2;
    view.scroll_speed = speed;
    view.zoom = 0;
    view.first_frame = 0;
    view.cursor_frame = -1;
    std::int64_t pixels = std::int64_t(frames) * speed;
    if (pixels > max_whole_graph_width) {
        // Longer than 19:20 or so: zoomed out until it fits, several frames
        // a column.
        view.zoom = std::int32_t(std::max<std::int64_t>(min_zoom, (max_whole_graph_width - 4) *
                                                                      zoom_per_frame / frames));
        pixels = (std::int64_t(frames) * view.zoom + zoom_per_frame - 1) / zoom_per_frame;
    }
    // Rounded up to the graph's multiple of 4, so the last frame is in.
    const int width = int((pixels + 3) / 4 * 4);
    return {view, std::max(width, min_client_width)};
}

std::vector<std::uint8_t> png_bytes(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) return {};
    const QByteArray& data = buffer.data();
    return {data.begin(), data.end()};
}

} // namespace pitkad
