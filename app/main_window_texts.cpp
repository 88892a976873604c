// The main window's texts: title, status line, language and the pages it
// opens.
#include "app/main_window.h"

#include "app/app_texts.h"
#include "app/manual_page.h"
#include "app/retranslate.h"
#include "app/midi_settings_dialog.h"
#include "app/status_line.h"
#include "app/status_texts.h"
#include "control/suggestions.h"
#include "control/view_navigation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace pitkad {

void MainWindow::show_status_line() {
    if (!status_label) return; // not built yet
    StatusLine line;
    line.speed_percent = speed_percent(doc.practice);
    line.semitones = doc.practice.semitones;
    line.cents = doc.practice.cents;
    line.loop = doc.practice.loop.active();
    line.zoom = zoom_caption(doc.view);
    line.tool = tool_state().mode;
    if (!doc.store.reference.is_standard())
        line.reference = QString::fromStdString(reference_text(doc.store.reference));
    line.key = shown_key_ = key_at_play_position();
    status_label->setText(status_line_text(line));
}

void MainWindow::show_key_change() {
    if (status_label && key_at_play_position() != shown_key_) show_status_line();
}

std::string MainWindow::key_at_play_position() const {
    const HarmonySpan* key = span_at(doc.suggested_keys, edit_frame());
    return key ? key->label : std::string();
}

void MainWindow::set_audio_status(const QString& text) {
    strip->set_audio_status(text);
}

void MainWindow::show_history() {
    menus->undo_action->setEnabled(doc.history.can_undo());
    menus->redo_action->setEnabled(doc.history.can_redo());
    if (tools_) tools_->show_history();
    // Every step, undo and redo comes through here: the unsaved mark and
    // the check follow.
    show_title();
    if (checks_) checks_->drawing_changed();
}

void MainWindow::show_closed_title(const QString& caption) {
    setWindowModified(false);
    setWindowTitle(caption);
    setWindowFilePath({});
    strip->time_display->setToolTip({});
}

void MainWindow::show_title() {
    const QString recording = QFile::decodeName(session_->recording().c_str());
    const bool open = play_state() != PlayState::no_recording && !recording.isEmpty();
    if (!open) {
        show_closed_title(texts::app_title);
        return;
    }
    // "[*]" is where Qt shows the mark; one in the name itself is doubled
    // to stay literal.
    QString name = QFileInfo(recording).fileName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QString(texts::caption_prefix) + name + QLatin1String("[*]"));
    setWindowModified(doc.drawing.modified);
    setWindowFilePath(recording);
    strip->time_display->setToolTip(QDir::toNativeSeparators(recording));
}

void MainWindow::on_support_page() {
    show_support_page(language(), open_url_, this, [this](const QString& m) { show_error(m); });
}

void MainWindow::on_language_chosen(Language language) {
    set_language(language);
    if (uses_settings_file_) settings_file_.set_language(language_code(language));
}

void MainWindow::set_language(Language language) {
    language_.set(language);
    menus->language_actions[std::size_t(language)]->setChecked(true);
    // The tool window, the MIDI dialog and the popups are this window's
    // children.
    retranslate_tree(this);
    show_composed_texts();
}

void MainWindow::show_composed_texts() {
    practice_tools_->show(doc.practice, doc.practice_loop);
    strip->set_audio_status(strip->audio_status());
    if (tools_) tools_->show_tool_tips();
    if (midi_dialog_) midi_dialog_->show_program_names();
    show_status_line();
}

void MainWindow::on_about() {
    show_about(this, language());
}

} // namespace pitkad
