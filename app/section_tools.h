#pragma once
// The section markers' menu "区間" and keys: markers added, renamed and
// deleted at the position, the way to the next or the previous one, the
// loops of a section, a bar or a number of beats, and the nudges of the
// loop's ends; also the ruler's flags, dragged or double-clicked. The
// arithmetic is control/section_markers.h; this wires it to the window.

#include "control/document.h"
#include "control/section_markers.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMainWindow;
class QMenu;

namespace pitkad {

class MediaPlayer;
class PracticeController;
class Transport;
class ViewNavigator;

class SectionTools final : public QObject {
  public:
    // The menu goes into `window`'s menu bar before `menu_before`.
    // `redraw` shows a changed drawing (graph and ruler).
    SectionTools(QMainWindow& window, QAction* menu_before, Document& doc, Transport& transport,
                 MediaPlayer& player, PracticeController& practice, ViewNavigator& navigator,
                 std::function<void()> redraw);

    QMenu* menu = nullptr;
    QAction *add_action = nullptr, *rename_action = nullptr, *delete_action = nullptr,
            *next_action = nullptr, *previous_action = nullptr, *loop_section_action = nullptr,
            *loop_bar_action = nullptr, *loop_beats_action = nullptr;

    // The questions the commands ask; tests answer them. None: cancelled.
    std::function<std::optional<QString>(const QString& name)> ask_name;
    std::function<std::optional<int>(int beats)> ask_beats;

    // Where the commands act: the play position while playing or paused,
    // else the play start when one is placed, else the time shown.
    int position_frame() const;
    void add_marker();
    // The marker at or before the position, or the one given.
    void rename_marker();
    void rename_marker(int index);
    void delete_marker();
    void move_marker(int index, int frame);
    void go_next();
    void go_previous();
    void loop_section();
    void loop_bar();
    void loop_beats();
    void loop_beats(int beats);
    // Runs a section key's command (section_key); false for other keys.
    bool run_key(int key, bool alt, bool ctrl, bool shift);

  private:
    bool recording_open() const;
    // The items as the recording and the markers allow.
    void enable_items();
    void changed(bool ran);
    void set_loop(const std::optional<LoopMs>& loop);

    Document& doc_;
    Transport& transport_;
    MediaPlayer& player_;
    PracticeController& practice_;
    ViewNavigator& navigator_;
    std::function<void()> redraw_;
    SectionMarkers markers_;
    int beats_ = 4; // the last number of beats looped
};

} // namespace pitkad
