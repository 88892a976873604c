#pragma once
// How a recording comes to be opened in the main window: the open dialog, a
// drop, the recent-files list and the command line. The file is read and
// analysed on a job's thread while the window goes on painting and
// answering, its progress and Cancel in the control strip; a file that
// opened is handed to the window and goes to the top of the recent list.

#include "control/document.h"
#include "control/open_job.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>

class QDropEvent;
class QWidget;

namespace pitkad {

class ControlStrip;
class MainMenus;
class SettingsFile;

class OpenCommands final : public QObject {
  public:
    // Takes a staged recording into the window; false when the user kept
    // the open one (the question about its unsaved drawing was cancelled).
    // `again`: the open recording analysed again, whose drawing stays.
    using Adopt = std::function<bool(const std::filesystem::path&, OpenJob::Outcome&, bool again)>;
    struct Wiring {
        Adopt adopt;
        std::function<void(const QString&)> show_error;
        // The columns the first screen of a recording shows, and showing
        // them while the rest is analysed; the first look ends with the open.
        std::function<int()> early_frames;
        std::function<void(std::vector<float>&&)> show_early;
        std::function<void()> end_early;
    };
    OpenCommands(QWidget& window, ControlStrip& strip, MainMenus& menus, SettingsFile& settings,
                 const Document& doc, int threads, Wiring wiring);

    // The open command: the dialog, then the file chosen.
    void choose();
    // Opens a file the user picked (open dialog, a drop, the recent list):
    // the dialog starts in its folder next time, whether or not it opens.
    bool open_chosen_file(const QString& path);
    // open_recording, then a file that opened goes to the top of the recent
    // list (also the file named on the command line).
    bool open_and_remember(const QString& path);
    // Reads and analyses the file (the part of it remembered for it, the
    // first channel unless another was chosen), then hands it to the window.
    // False when it was refused (its message has been shown) or abandoned;
    // the open recording is then as it was.
    bool open_recording(const QString& path);
    // Analyses the open recording again with `channel`, its drawing and
    // undo history kept; the choice is remembered for the recording once it
    // is taken. False, and the menu's choice as it was, when it was not.
    bool reopen_with_channel(const QString& path, AnalysisChannel channel);
    // The same with the analysis at another reference pitch (A4).
    bool reopen_with_reference(const QString& path, AnalysisReference reference);
    // The part analysed of the recording last opened, and its reference.
    AnalysisChannel analysis_channel() const { return channel_; }
    AnalysisReference analysis_reference() const { return reference_; }
    // The recent list's item `index`; a file gone since leaves the list with
    // a message naming it.
    void open_recent(int index);
    // The list as the settings file holds it, shown in the menu.
    void load_recent_files();
    // A drop: accepted when it brings a file, which opens once the drop has
    // returned (the file manager is not held while the file is analysed).
    void drag_enter(QDropEvent* event);
    void drop(QDropEvent* event);

    // An open is under way; cancel abandons it (the Cancel button, Esc,
    // another open, closing the window).
    bool opening() const { return job_ != nullptr; }
    void cancel();

    // The file most recently chosen (for "DefaultDir"), the open dialog's
    // folder, and the files opened lately, the most recent first.
    QString last_open_path;
    QString open_dialog_dir;
    QStringList recent_files;

  private:
    void show_recent_files();
    bool open_analysed(const QString& path, AnalysisChannel channel, AnalysisReference reference,
                       bool again = false);
    // The staged outcome: an error shown, or the recording taken in.
    bool take_staged(const QString& path, const std::filesystem::path& file,
                     OpenJob::Outcome& staged, AnalysisChannel channel,
                     AnalysisReference reference, bool again);

    QWidget& window_;
    ControlStrip& strip_;
    MainMenus& menus_;
    SettingsFile& settings_;
    const Document& doc_;
    int threads_;
    Wiring wiring_;
    OpenJob* job_ = nullptr; // the open under way, on open_recording's stack
    AnalysisChannel channel_ = AnalysisChannel::first;
    AnalysisReference reference_;
};

} // namespace pitkad
