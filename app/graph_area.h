#pragma once
// The graph and what stands around it: the time ruler above, the lane of
// suggested chords under it while there are any, the scroll area that holds
// the graph when its rows are taller than the window has room for, and the
// overview of the whole recording below. It places them and keeps the
// ruler, the lane and the overview in step with the view.

#include "app/graph_widget.h"
#include "app/navigation_widgets.h"
#include "control/document.h"
#include "view/graph_view.h"
#include "view/note_labels.h"
#include "view/view_layout.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <span>

class QScrollArea;

namespace pitkad {

class GraphArea final : public QObject {
  public:
    GraphArea(QWidget& central, Document& doc, GraphView& view);

    RulerWidget* ruler = nullptr;
    ChordLaneWidget* chord_lane = nullptr;
    QScrollArea* scroll = nullptr;
    GraphWidget* graph = nullptr;
    OverviewWidget* overview = nullptr;

    // The picture parameters the overview is drawn with, and whether there
    // is a recording to draw.
    std::function<GraphParams()> params;
    std::function<bool()> recording_open;
    // The note labels shown, and the notes sounding (their labels lit).
    std::function<LabelColumns()> label_columns;
    std::span<const std::uint8_t> sounding_notes;

    // The scroll bar's width when rows of the view's height need more than
    // `room` pixels, else 0.
    int scroll_bar_width(int room) const;
    // The chord lane's height: chord_lane_height while chords are
    // suggested, else 0; and whether it differs from the lane as placed
    // (the window is then laid out again).
    int chord_lane_room() const;
    bool chord_lane_changed() const { return chord_lane_room() != placed_lane_; }
    struct Placed {
        ViewLayout layout;
        int client_width = 0; // the graph and its scroll bar
        int upper_height = 0; // ruler, graph (or its room) and overview
    };
    // Lays the view out for the client width and places the widgets.
    Placed place(int requested_client_width, int room);
    void scroll_rows(int pixels);
    // Device pixels per pixel of the graph on its screen (2 at 200 %).
    int device_scale() const;

    // After the view may have moved: true when its first frame, zoom or row
    // height changed since last shown (the ruler is then repainted). The
    // overview's marks are set in any case.
    bool show_place(const OverviewWidget::Marks& marks);
    // The drawing or the analysis may have changed: the ruler's bar numbers
    // now, the overview's picture shortly (once for a burst of changes).
    void content_changed();
    void refresh_overview();

    // A first look at a recording still being opened: `picture` (drawn at
    // one pixel per window pixel over `view`) stands in for the view until
    // end_early, with the ruler's times for it and neither the chords nor
    // the overview of the recording open.
    void show_early(QImage picture, const ViewState& view);
    void end_early();
    bool showing_early() const { return !early_.isNull(); }

  private:
    // The labels as text over the picture, fading where sound or drawing
    // lies under them.
    void paint_labels(QPainter& painter, const QRect& clip);
    void set_early_surroundings(bool early);

    Document& doc_;
    GraphView& view_;
    QImage early_;
    ViewState early_view_;
    QTimer overview_timer_;
    std::array<std::int64_t, 3> shown_place_{-1, -1, -1};
    int placed_lane_ = 0;
};

} // namespace pitkad
