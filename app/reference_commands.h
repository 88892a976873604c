#pragma once
// The reference pitch of the analysis in the window: the recording's tuning
// estimated on a thread of its own and offered, a frequency typed in, or
// back to 440 Hz, each opening the recording again analysed at that A4; and
// the recording played shifted to A4 = 440 Hz.

#include "analysis/analysis_reference.h"

#include <QObject>

#include <functional>

class QMenu;
class QAction;
class QWidget;

namespace pitkad {

class OpenCommands;

class ReferenceCommands final : public QObject {
  public:
    struct Wiring {
        std::function<QString()> recording;         // the open recording's path; empty: none
        std::function<void(int cents)> play_shifted; // sets the practice cents
        std::function<void(const QString&)> show_error;
        std::function<void(const QString&)> show_status; // a passing note, empty clears it
    };
    // Fills `menu` (View's submenu), whose items act on the open recording.
    ReferenceCommands(QWidget& window, QMenu& menu, OpenCommands& opener, Wiring wiring);

    // The menu shows the reference of the recording open now.
    void show_reference(AnalysisReference reference);

    void estimate();
    void choose_frequency();
    void analyse_at(AnalysisReference reference);

  private:
    QWidget& window_;
    OpenCommands& opener_;
    Wiring wiring_;
    QAction* standard_action_ = nullptr;
    QAction* current_action_ = nullptr; // the reference in force when not 440 Hz
    QAction* play_standard_action_ = nullptr;
};

} // namespace pitkad
