#pragma once
// The check menu: the drawing checked against the recording, its flags
// outlined on the graph, listed and stepped through, each fixed in one step (moved a
// semitone or an octave, erased, or a missing note taken into the current
// colour); the residual view; and the flags played in turn in a loop.

#include "control/practice_controls.h"
#include "control/transcription_check.h"
#include "view/graph_view.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QAction;
class QDialog;
class QComboBox;
class QTreeWidget;
class QMenu;
class QWidget;

namespace pitkad {

struct Document;
class StoreWorkers;

class CheckCommands final : public QObject {
  public:
    struct Wiring {
        std::function<bool()> recording_open;
        std::function<int()> colour; // the current pen colour
        std::function<void()> write_graph;
        std::function<void(int frame)> show_frame;       // brings the frame into view
        std::function<void(int first, int end)> loop;    // loops frames [first, end) and plays
        std::function<void(const LoopMs&)> restore_loop; // sets the loop back, playing or not
        std::function<void(const QString&)> show_status; // a passing note
        std::function<QString()> shown_status;           // the passing note shown now
        std::function<bool()> playing;
    };
    // Fills `menu`; the list of flags is a window of `window`'s. The first
    // check of an analysis is worked out on `workers`; the flags' commands
    // wait for it.
    CheckCommands(QWidget& window, QMenu& menu, Document& doc, StoreWorkers& workers,
                  Wiring wiring);
    ~CheckCommands() override;

    // The analysis changed (another recording, the loudness correction):
    // checked again from scratch.
    void analysis_changed();
    // The drawing may have changed: the check follows it.
    void drawing_changed();
    // Recordings of this many frames or more have a changed drawing checked
    // again on a worker, their outlines staying meanwhile (it takes about
    // 0.2 s a hour of recording); shorter ones at once.
    int recheck_on_worker_from = frame_limit + 1;

    // What the graph shows; empty while checking is off.
    std::span<const OutlinedNote> marks() const { return marks_; }
    std::span<const float> shown_levels() const {
        return session_ ? std::span<const float>(session_->residual())
                        : std::span<const float>(kept_residual_);
    }

    void set_checking(bool on);
    void step(int direction); // +1 next flag, -1 previous
    // Moves the flagged note by `semitones`; 0: to where its sound is.
    void move_note(int semitones);
    void erase_note();
    void accept_missing();
    // The fix the check suggests: a note moved to its sound, a weak note
    // erased, a missing note taken.
    void fix();
    void play_flags();
    // Playing stopped: the loop the flags' passages took over is the user's again.
    void playback_stopped() { end_flag_playback(); }
    // The flags in a list; choosing one makes it the flag in hand.
    void show_list();
    // Whether the candidates not drawn are shown (a setting kept between
    // sessions).
    bool candidates_shown() const;
    void show_candidates(bool on);

  private:
    bool checking() const { return session_ != nullptr; }
    // A new session for the analysis, checked first on a worker; `announce`:
    // its counts in the status bar when it comes.
    void start_check(bool announce);
    // Checks again when the drawing changed; outlines and residual follow.
    void refresh(bool force = false);
    // The same on a worker, which has the session meanwhile.
    void recheck_on_worker();
    // Either of them, by the recording's length.
    void recheck(bool force);
    // The outlines, the flag in hand and the list from the session's check.
    void show_check();
    // Makes `flag` the one in hand (none: no flag), brought into view.
    void take(std::optional<CheckFlag> flag);
    void show_current();
    // The counts of notes, flags and missing notes, as the status bar says them.
    QString counts_text() const;
    // The flags outlined, listed and stepped through: all of them, or only
    // the drawn notes' while the candidates are hidden.
    std::vector<CheckFlag> shown_flags() const;
    bool shown(const CheckFlag& f) const;
    // The list's rows, when it is shown.
    void fill_list();
    const CheckedNote* current_note() const;
    const MissingNote* current_missing() const;
    // Ends playing the flags, if they were, with the user's loop back
    // unless it was changed meanwhile.
    void end_flag_playback();
    // One undo step over `edit`, then the check again.
    template <class Fn> void edit(Fn fn);

    QWidget& window_;
    Document& doc_;
    StoreWorkers& workers_;
    Wiring wiring_;
    std::unique_ptr<CheckSession> session_;
    std::optional<CheckFlag> current_;
    int place_first_ = -1, place_band_ = 0; // where the last flag in hand was
    QString status_;                        // what show_current last said
    std::vector<OutlinedNote> marks_;
    // While the flags are played: the user's loop, the one set for the flag
    // in hand, and which round of play_flags is the live one.
    std::optional<LoopMs> user_loop_;
    LoopMs flag_loop_;
    unsigned flag_round_ = 0;
    QAction *check_action_ = nullptr, *residual_action_ = nullptr;
    // Off: the candidates not drawn are neither outlined, listed nor
    // stepped to, only counted.
    QAction* candidates_action_ = nullptr;
    // The residual shown while a worker has the session to check it again.
    std::vector<float> kept_residual_;
    std::vector<QAction*> flag_actions_; // enabled while checking
    QDialog* list_window_ = nullptr;     // made when first shown
    QTreeWidget* list_ = nullptr;
    QComboBox* list_filter_ = nullptr;   // all flags, drawn notes', or not drawn
};

} // namespace pitkad
