#include "app/open_commands.h"

#include "app/control_strip.h"
#include "app/file_choice.h"
#include "app/main_menus.h"
#include "app/status_texts.h"
#include "control/settings_file.h"

#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

namespace pitkad {

OpenCommands::OpenCommands(QWidget& window, ControlStrip& strip, MainMenus& menus,
                           SettingsFile& settings, const Document& doc, int threads, Wiring wiring)
    : QObject(&window), window_(window), strip_(strip), menus_(menus), settings_(settings),
      doc_(doc), threads_(threads), wiring_(std::move(wiring)) {
    show_recent_files();
}

void OpenCommands::choose() {
    if (const QString file = choose_recording(&window_, open_dialog_dir); !file.isEmpty())
        open_chosen_file(file);
}

bool OpenCommands::open_chosen_file(const QString& path) {
    last_open_path = path;
    open_dialog_dir = default_dir_of(path);
    return open_and_remember(path);
}

bool OpenCommands::open_and_remember(const QString& path) {
    if (!open_recording(path)) return false;
    // Stored at once, as a user expects of this list; when it cannot be, the
    // list still serves this session (a message at every open would only be
    // in the way).
    recent_files = settings_.add_recent_file(QFileInfo(path).absoluteFilePath());
    show_recent_files();
    return true;
}

bool OpenCommands::open_recording(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    return open_analysed(path, settings_.analysis_channel_for(full),
                         settings_.analysis_reference_for(full));
}

bool OpenCommands::reopen_with_channel(const QString& path, AnalysisChannel channel) {
    if (!open_analysed(path, channel, reference_, true)) {
        menus_.show_analysis_channel(channel_);
        return false;
    }
    // Remembered at once, as the drawing file chosen for it is.
    settings_.set_analysis_channel_for(QFileInfo(path).absoluteFilePath(), channel);
    return true;
}

bool OpenCommands::reopen_with_reference(const QString& path, AnalysisReference reference) {
    if (!open_analysed(path, channel_, reference, true)) return false;
    settings_.set_analysis_reference_for(QFileInfo(path).absoluteFilePath(), reference);
    return true;
}

bool OpenCommands::open_analysed(const QString& path, AnalysisChannel channel,
                                 AnalysisReference reference, bool again) {
    const std::filesystem::path file = path.toStdString();
    cancel(); // an open under way is abandoned for this one
    QEventLoop loop;
    EarlyColumns early;
    if (wiring_.early_frames && wiring_.show_early) {
        early.frames = wiring_.early_frames();
        early.ready = [this](std::vector<float>&& columns) {
            wiring_.show_early(std::move(columns));
        };
    }
    OpenJob job(
        file, doc_.band_tables, threads_, this, [&loop] { loop.quit(); }, channel, reference,
        std::move(early));
    job_ = &job;
    strip_.follow_open(job, loop);
    job_ = nullptr;
    OpenJob::Outcome staged = job.take();
    // The first look stays while the recording is taken in (and what it
    // brings is asked), then gives way to it or, failing that, to the
    // recording still open.
    const bool opened = take_staged(path, file, staged, channel, reference, again);
    if (wiring_.end_early) wiring_.end_early();
    return opened;
}

bool OpenCommands::take_staged(const QString& path, const std::filesystem::path& file,
                               OpenJob::Outcome& staged, AnalysisChannel channel,
                               AnalysisReference reference, bool again) {
    const LoadResult& r = staged.result;
    if (r.cancelled) return false;
    if (!r.ok) {
        // The file's name on the first line: the file may have come from a
        // drop or the recent list, where the user did not just pick it.
        const QString name = QFileInfo(path).fileName();
        wiring_.show_error((name.isEmpty() ? path : name) + u'\n' + text_of(r.status, r.detail));
        return false;
    }
    if (!wiring_.adopt(file, staged, again)) return false;
    channel_ = channel;
    reference_ = reference;
    menus_.show_analysis_channel(channel);
    return true;
}

void OpenCommands::open_recent(int index) {
    const QString file = recent_files.value(index);
    if (file.isEmpty()) return;
    if (!QFileInfo(file).isFile()) {
        recent_files = settings_.remove_recent_file(file);
        show_recent_files();
        wiring_.show_error(text_of(OpenStatus::cannot_open) + u'\n' + file);
        return;
    }
    open_chosen_file(file);
}

void OpenCommands::load_recent_files() {
    recent_files = settings_.recent_files();
    show_recent_files();
}

void OpenCommands::show_recent_files() {
    menus_.show_recent_files(recent_files);
}

void OpenCommands::drag_enter(QDropEvent* event) {
    accept_file_drop(event);
}

void OpenCommands::drop(QDropEvent* event) {
    if (const QString file = accept_file_drop(event); !file.isEmpty())
        QTimer::singleShot(0, this, [this, file] { open_chosen_file(file); });
}

void OpenCommands::cancel() {
    if (job_) job_->cancel();
}

} // namespace pitkad
