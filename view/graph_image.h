#pragma once
// The graph as a picture for a file: the same renderer, colours, labels and
// drawing as the window, at any width, without touching the window's view.

#include "analysis/spectrogram_store.h"
#include "drawing/draw_data.h"
#include "view/graph_view.h"
#include "view/view_state.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace pitkad {

// Widest picture of a whole recording; a wider one is drawn at a lower
// scroll speed (4 → 2 → 1 pixels per frame), and a recording still longer
// zoomed out to this width, so that it stays a picture a viewer opens.
inline constexpr int max_whole_graph_width = 65536;

struct GraphImageSources {
    const SpectrogramStore& store;
    const DrawData& drawing;
    const QImage& font_bitmap;   // null: no note labels
    const QImage& colour_bitmap; // null: no pitch-class colours
};

// graph_bitmap of a GraphView laid out at `width` (the window's rules: a
// multiple of 4, at least 592) over `view` (line width, scroll speed, first
// frame), drawn with `params`.
QImage render_graph_image(const GraphImageSources& sources, ViewState view,
                          const GraphParams& params, int width);

// `view` at the start of a recording, without a cursor: its first screen.
ViewState first_screen_view(ViewState view);
// The frames a picture `width` wide shows there, and one more (at most a
// store's first room).
int first_screen_frames(const ViewState& view, int width);
// A first look at a recording still being opened: `store`'s columns over
// `view`, nothing drawn over them, with only the levels and switches of
// `params`.
QImage render_first_screen(const SpectrogramStore& store, ViewState view, const GraphParams& params,
                           const QImage& colour_bitmap, int width);

// The view and width that show frames 0 … frame_count - 1 in one picture at
// `view`'s line width and, when it fits, its scroll speed.
struct WholeGraph {
    ViewState view;
    int width = 0;
};
WholeGraph whole_graph(ViewState view, int frame_count);

// The picture as PNG file bytes; empty when it cannot be encoded.
std::vector<std::uint8_t> png_bytes(const QImage& image);

} // namespace pitkad
