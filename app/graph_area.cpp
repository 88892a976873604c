#include "app/graph_area.h"

#include "control/view_navigation.h"
#include "view/chord_lane.h"
#include "view/graph_image.h"
#include "view/note_labels.h"
#include "view/time_ruler.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

namespace pitkad {

GraphArea::GraphArea(QWidget& central, Document& doc, GraphView& view)
    : QObject(&central), doc_(doc), view_(view) {
    ruler = new RulerWidget(doc.view, &central);
    // A first look shows no drawing.
    ruler->count_lines = [this] {
        if (showing_early()) return std::vector<LineCount>{};
        return count_lines(doc_.drawing, doc_.store.frame_count, MidiExportOptions{});
    };
    ruler->markers = [this] {
        if (showing_early()) return std::span<const SectionMarker>{};
        return std::span<const SectionMarker>(doc_.drawing.annotations.markers);
    };
    chord_lane = new ChordLaneWidget(doc.view, &central);
    chord_lane->chords = [this] { return std::span<const HarmonySpan>(doc_.suggested_chords); };
    chord_lane->hide();
    scroll = new QScrollArea(&central);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    graph = new GraphWidget;
    scroll->setWidget(graph);
    graph->set_content(&view.screen);
    graph->paint_over = [this](QPainter& p, const QRect& r) { paint_labels(p, r); };
    overview = new OverviewWidget(&central);
    overview_timer_.setSingleShot(true);
    overview_timer_.setInterval(300);
    connect(&overview_timer_, &QTimer::timeout, this, [this] { refresh_overview(); });
}

int GraphArea::scroll_bar_width(int room) const {
    const int rows = graph_rows * effective_row_height(doc_.view.line_width) + legend_height;
    return rows > room ? scroll->verticalScrollBar()->sizeHint().width() : 0;
}

int GraphArea::chord_lane_room() const {
    return doc_.suggested_chords.empty() ? 0 : chord_lane_height;
}

GraphArea::Placed GraphArea::place(int requested_client_width, int room) {
    const int bar = scroll_bar_width(room);
    Placed p;
    // The picture is drawn at the screen's own pixels.
    view_.set_pixel_scale(device_scale());
    p.layout = view_.layout_view(requested_client_width - bar);
    graph->content_scale = showing_early() ? 1 : view_.pixel_scale();
    const ViewLayout& lay = p.layout;
    p.client_width = lay.graph_width + bar;
    const int shown_height = bar > 0 ? room : lay.graph_height;
    placed_lane_ = chord_lane_room();
    const int above = ruler_height + placed_lane_;
    p.upper_height = above + shown_height + overview_height;
    ruler->setGeometry(0, 0, lay.graph_width, ruler_height);
    chord_lane->setGeometry(0, ruler_height, lay.graph_width, placed_lane_);
    chord_lane->setVisible(placed_lane_ > 0 && !showing_early());
    scroll->setGeometry(0, above, p.client_width, shown_height);
    graph->resize(lay.graph_width, lay.graph_height);
    overview->setGeometry(0, above + shown_height, lay.graph_width, overview_height);
    graph->update();
    content_changed();
    return p;
}

void GraphArea::paint_labels(QPainter& p, const QRect& clip) {
    const bool early = showing_early();
    paint_label_columns(p, label_columns ? label_columns() : LabelColumns{}, view_.logical_width(),
                        view_.laid_out_line_width(), sounding_notes, clip,
                        early ? &early_ : &view_.screen, early ? 1 : view_.pixel_scale());
}

void GraphArea::show_early(QImage picture, const ViewState& view) {
    early_ = std::move(picture);
    early_view_ = view;
    graph->set_content(&early_);
    graph->content_scale = 1;
    // What stands around the graph belongs to the recording still open:
    // clicks and the wheel would reach it unseen.
    set_early_surroundings(true);
}

void GraphArea::end_early() {
    if (!showing_early()) return;
    early_ = {};
    graph->set_content(&view_.screen);
    graph->content_scale = view_.pixel_scale();
    set_early_surroundings(false);
}

void GraphArea::set_early_surroundings(bool early) {
    graph->setEnabled(!early);
    ruler->setEnabled(!early);
    ruler->show_view(early ? early_view_ : doc_.view);
    chord_lane->setVisible(!early && placed_lane_ > 0);
    overview->setVisible(!early);
    graph->update();
}

int GraphArea::device_scale() const {
    return std::clamp(qRound(graph->devicePixelRatioF()), 1, 4);
}

void GraphArea::scroll_rows(int pixels) {
    QScrollBar* bar = scroll->verticalScrollBar();
    bar->setValue(bar->value() + pixels);
}

bool GraphArea::show_place(const OverviewWidget::Marks& marks) {
    overview->set_marks(marks);
    const std::array<std::int64_t, 3> place{doc_.view.first_frame, doc_.view.zoom_in_force(),
                                            doc_.view.line_width};
    if (place == shown_place_) return false;
    shown_place_ = place;
    ruler->update();
    chord_lane->update();
    return true;
}

void GraphArea::content_changed() {
    ruler->invalidate_lines();
    chord_lane->update();
    // Once the redraws stop for a moment: never in the middle of a scroll.
    overview_timer_.start();
}

void GraphArea::refresh_overview() {
    if (!(recording_open && recording_open()) || doc_.store.frame_count <= 0) {
        overview->set_picture({});
        return;
    }
    // The whole recording at the lowest rows, squeezed to the strip.
    ViewState v = doc_.view;
    v.line_width = min_row_height;
    v.first_frame = 0;
    v.cursor_frame = -1;
    const int width = std::max(view_.logical_width(), min_client_width);
    v.zoom = int(fit_zoom(doc_.store.frame_count, width));
    GraphParams p = params ? params() : GraphParams{};
    p.practice = {};
    p.switches.show_left_enabled = false;
    p.switches.markers = false;
    const QImage full = render_graph_image(
        {doc_.store, doc_.drawing, view_.font_bitmap, view_.colour_bitmap}, v, p, width);
    const int used =
        int(std::clamp<long long>(v.first_column_from(doc_.store.frame_count), 1, width));
    // One pixel line of each band, without the grid rows between them.
    QImage bands(used, graph_rows, QImage::Format_BGR888);
    for (int r = 0; r < graph_rows; ++r)
        std::memcpy(bands.scanLine(r), full.constScanLine(r * min_row_height),
                    std::size_t(used) * 3);
    overview->set_picture(std::move(bands));
}

} // namespace pitkad
