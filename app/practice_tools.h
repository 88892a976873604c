#pragma once
// The practice tools' controls: the "再生" menu and the panel above the graph.
// They show the practice settings in force and hand what the user chose to
// the PracticeController; the transport items and the panel's switch are
// the window's.

#include "control/practice_controller.h"

#include "control/keyboard_controls.h"

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolBar;
class QToolButton;

namespace pitkad {

struct PracticeToolsWiring {
    // Presses a transport button (play, stop, pause), when it is enabled.
    std::function<void(TransportAction)> press;
    // The panel was shown or hidden: the window lays itself out again.
    std::function<void()> panel_toggled;
};

class PracticeTools final : public QObject {
  public:
    // The menu goes into `window`'s menu bar before `menu_before`, the
    // panel into its top tool bar area, hidden.
    PracticeTools(QMainWindow& window, QAction* menu_before, PracticeController& practice,
                  PracticeToolsWiring wiring);

    // Menu checks and panel values from the settings in force.
    void show(const PracticeSettings& p, const LoopMs& loop);
    // The panel's height while it is shown, else 0.
    int panel_height() const;

    QMenu *play_menu = nullptr, *speed_menu = nullptr, *loop_pause_menu = nullptr,
          *channel_menu = nullptr, *focus_menu = nullptr, *engine_menu = nullptr;
    QAction *play_from_start_action = nullptr, *stop_action = nullptr, *pause_action = nullptr,
            *play_here_action = nullptr, *slower_action = nullptr, *faster_action = nullptr,
            *normal_speed_action = nullptr, *transpose_down_action = nullptr,
            *transpose_up_action = nullptr, *reset_pitch_action = nullptr,
            *loop_start_action = nullptr, *loop_end_action = nullptr, *loop_lines_action = nullptr,
            *clear_loop_action = nullptr, *show_panel_action = nullptr;
    std::array<QAction*, speed_presets.size()> speed_actions{};
    std::array<QAction*, loop_pause_presets.size()> loop_pause_actions{};
    std::array<QAction*, 6> channel_actions{}; // in the order of ChannelMode
    std::array<QAction*, 3> focus_actions{};   // in the order of FocusPreset
    std::array<QAction*, 2> engine_actions{};  // in the order of StretchEngine

    QToolBar* panel = nullptr;
    QSpinBox *speed_edit = nullptr, *transpose_edit = nullptr, *cents_edit = nullptr;
    QToolButton* speed_preset_button = nullptr;
    QComboBox *engine_box = nullptr, *channel_box = nullptr, *loop_pause_box = nullptr,
              *focus_box = nullptr;
    QLabel* loop_text = nullptr;
    QPushButton *loop_start_button = nullptr, *loop_end_button = nullptr,
                *loop_lines_button = nullptr, *clear_loop_button = nullptr;

  private:
    void build_menu(QMainWindow& window, QAction* menu_before);
    void build_panel();
    void connect_panel();

    PracticeController& practice_;
    PracticeToolsWiring wiring_;
    bool showing_ = false; // show() is setting the controls
};

} // namespace pitkad
