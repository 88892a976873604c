#include "view/view_layout.h"

#include "view/view_state.h"

namespace pitkad {

ViewLayout layout_view(int requested_client_width, int line_width) {
    ViewLayout v;
    v.line_width = effective_row_height(line_width);
    int w = requested_client_width < min_client_width ? min_client_width : requested_client_width;
    v.show_position_slider = w >= position_slider_min_width;
    w = (w / 4) * 4;
    v.client_width = w;
    v.graph_width = w;
    v.rows_height = graph_rows * v.line_width;
    v.graph_height = v.rows_height + legend_height;
    return v;
}

LineWidthDefault default_line_width(int screen_height) {
    LineWidthDefault d;
    const int raw = (screen_height - 140) / 74 - 1;
    d.line_width = effective_line_width(raw);
    d.enabled[min_line_width] = true;
    for (int n = min_line_width; n < max_line_width; ++n)
        if (raw >= n) d.enabled[n + 1] = true;
    return d;
}

} // namespace pitkad
