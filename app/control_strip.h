#pragma once
// The controls below the graph: the transport and skip buttons, the position
// slider with the time display, the gain and colour sliders, the scroll-speed
// button, the no-device note, and the skip buttons' popup of amounts. They
// sit at fixed places anchored to the client area's edges (main_layout.h).

#include "control/keyboard_controls.h"
#include "control/open_job.h"

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <optional>

class QAction;
class QEventLoop;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QWidget;

namespace pitkad {

class ControlStrip final : public QObject {
  public:
    // The controls become children of `parent` (the window's client area).
    explicit ControlStrip(QWidget& parent);

    // Places every control for a client area `client_width` wide whose graph
    // is `graph_height` high.
    void place(int client_width, int graph_height);
    // The six transport buttons and the position slider together.
    void set_transport_enabled(bool enabled);
    // The note beside the time display (no sound device), cut with "…" to
    // the room it has; the full text is its tool tip.
    void set_audio_status(const QString& text);
    const QString& audio_status() const { return audio_status_; }
    // Opens the popup of amounts for skip button `which` (0 forward, 1 back,
    // 2 short back) with `amount_ms` checked, beside `press_in_button`.
    void show_skip_menu(int which, int amount_ms, QPoint press_in_button);
    // While a recording opens, a progress bar and a Cancel button stand in
    // for the no-device note.
    void show_open_progress(bool shown);
    // The share done (0 … 1; negative while the length is unknown) and,
    // once there is one, the time still to go.
    void set_open_progress(double share, std::optional<std::chrono::seconds> left);
    // The transport button `b`, and skip button `which` (0 forward, 1 back,
    // 2 short back).
    QPushButton* button(TransportAction b) const;
    QPushButton* skip_button(int which) const;
    // Which skip button `object` is (0 … 2), or -1.
    int skip_button_index(const QObject* object) const;
    // Shows the progress of `job` (the time left once it has run a second)
    // while `loop` runs, until the job ends and quits it.
    void follow_open(const OpenJob& job, QEventLoop& loop);
    // The time display's text; the note beside it moves to make room.
    void set_time_text(const QString& text);
    // Which skip button the popup was last opened for.
    int skip_menu_button() const { return skip_menu_button_; }

    QPushButton *play_button = nullptr, *stop_button = nullptr, *pause_button = nullptr,
                *skip_forward_button = nullptr, *skip_back_button = nullptr,
                *skip_back_short_button = nullptr, *scroll_speed_button = nullptr;
    QSlider *gain_slider = nullptr, *colour_slider = nullptr, *position_slider = nullptr;
    QLabel *time_display = nullptr, *gain_label = nullptr, *colour_label = nullptr;
    QLabel* audio_status_label = nullptr; // says when no sound can be heard
    QProgressBar* open_progress = nullptr;
    QPushButton* open_cancel_button = nullptr;
    // The skip amounts' popup: one item per entry of skip_items.
    QMenu* skip_menu = nullptr;
    std::array<QAction*, 9> skip_menu_items{};

  private:
    void place_audio_status();

    QWidget& parent_;
    QString audio_status_; // the whole text, before it is cut to fit
    // The time display's row: its left edge, top, the right-hand controls'
    // left edge, and height.
    struct {
        int x = 0, y = 0, right = 0, h = 0;
    } time_row_;
    int skip_menu_button_ = 0;
};

} // namespace pitkad
