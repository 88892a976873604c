#include "app/session_messages.h"

#include "app/app_texts.h"
#include "app/draw_file_texts.h"
#include "app/drawing_texts.h"
#include "app/language.h"
#include "app/status_texts.h"
#include "base/translatable.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

namespace pitkad {

namespace {

constexpr const char* drawing_kept =
    PITKAD_TR("PitkaD", "読めなかった描画データを次のファイルに残しました:");
constexpr const char* recovery_not_written =
    PITKAD_TR("PitkaD", "描画データの復元用コピーを書けません. 保存するまで変更は守られません:");
constexpr const char* open_elsewhere =
    PITKAD_TR("PitkaD", "この録音は別の PitkaD のウィンドウでも開かれています。"
                        "両方で描くと、後から保存した方が先の保存を置き換えます。");
// After a save was refused because the drawing file's name is no regular file.
constexpr const char* save_elsewhere = PITKAD_TR("PitkaD", "別の名前で保存しますか?");

// A question with a default answer, a second one and one that puts it off
// (also Esc): 0, 1 or 2.
int ask_three_way(QWidget* parent, std::string_view prompt, std::string_view yes,
                  std::string_view no, std::string_view later) {
    QMessageBox box(QMessageBox::Question, texts::app_title, tr_text(prompt), QMessageBox::NoButton,
                    parent);
    QPushButton* first = box.addButton(tr_text(yes), QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(tr_text(no), QMessageBox::DestructiveRole);
    QPushButton* third = box.addButton(tr_text(later), QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(third);
    box.exec();
    return box.clickedButton() == first ? 0 : box.clickedButton() == second ? 1 : 2;
}

} // namespace

QString session_message(const SessionNotice& notice) {
    const QString path = QFile::decodeName(notice.path.c_str());
    QString text;
    switch (notice.issue) {
    case SessionIssue::drawing_unreadable:
        text = path + tr_text(status_texts::cannot_read);
        if (const QString why = draw_file_problem(notice.read); !why.isEmpty()) text += u'\n' + why;
        break;
    case SessionIssue::drawing_resized:
        text = path + u'\n' + draw_file_notice(notice.read);
        break;
    case SessionIssue::drawing_not_written:
        text = path + tr_text(status_texts::cannot_write);
        break;
    case SessionIssue::drawing_not_found:
        text = path + tr_text(status_texts::not_found);
        break;
    case SessionIssue::drawing_kept:
        text = tr_text(drawing_kept) + u'\n' + path;
        break;
    case SessionIssue::recovery_not_written:
        text = tr_text(recovery_not_written) + u'\n' + path;
        break;
    case SessionIssue::drawing_not_a_file:
        text = path + tr_text(status_texts::cannot_write) + u'\n' +
               tr_text(draw_file_texts::not_a_file);
        break;
    case SessionIssue::recording_open_elsewhere:
        text = tr_text(open_elsewhere) + u'\n' + path;
        break;
    case SessionIssue::drawing_changed_on_disk:
        text = tr_text(drawing_texts::changed_prompt).arg(path);
        break;
    }
    if (!notice.detail.empty()) text += u'\n' + QString::fromStdString(notice.detail);
    return text;
}

UnsavedAnswer ask_unsaved_drawing(QWidget* parent) {
    const UnsavedAnswer answers[] = {UnsavedAnswer::save, UnsavedAnswer::discard,
                                     UnsavedAnswer::cancel};
    return answers[ask_three_way(parent, drawing_texts::unsaved_prompt, drawing_texts::unsaved_save,
                                 drawing_texts::unsaved_discard, drawing_texts::unsaved_cancel)];
}

bool ask_two_way(QWidget* parent, bool warning, const QString& text, const QString& yes,
                 const QString& no) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, texts::app_title, text,
                    QMessageBox::NoButton, parent);
    QPushButton* first = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(no, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    box.exec();
    return box.clickedButton() == first;
}

bool ask_save_elsewhere(QWidget* parent, const SessionNotice& why) {
    return ask_two_way(parent, true, session_message(why) + u'\n' + tr_text(save_elsewhere),
                       tr_text(drawing_texts::save_as), tr_text(drawing_texts::unsaved_cancel));
}

ChangedAnswer ask_changed_drawing(QWidget* parent, const std::string& file) {
    QMessageBox box(QMessageBox::Warning, texts::app_title,
                    session_message({SessionIssue::drawing_changed_on_disk, file, {}}),
                    QMessageBox::NoButton, parent);
    QPushButton* overwrite =
        box.addButton(tr_text(drawing_texts::changed_overwrite), QMessageBox::DestructiveRole);
    QPushButton* save_as = box.addButton(tr_text(drawing_texts::save_as), QMessageBox::AcceptRole);
    QPushButton* reload = box.addButton(tr_text(drawing_texts::changed_reload), QMessageBox::ResetRole);
    QPushButton* cancel =
        box.addButton(tr_text(drawing_texts::unsaved_cancel), QMessageBox::RejectRole);
    // Enter keeps both versions.
    box.setDefaultButton(save_as);
    box.setEscapeButton(cancel);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    return clicked == overwrite ? ChangedAnswer::overwrite
           : clicked == save_as ? ChangedAnswer::save_as
           : clicked == reload  ? ChangedAnswer::reload
                                : ChangedAnswer::cancel;
}

RecoveryAnswer ask_restore_drawing(QWidget* parent) {
    const RecoveryAnswer answers[] = {RecoveryAnswer::restore, RecoveryAnswer::discard,
                                      RecoveryAnswer::later};
    return answers[ask_three_way(parent, drawing_texts::recovery_prompt,
                                 drawing_texts::recovery_restore, drawing_texts::recovery_discard,
                                 drawing_texts::recovery_later)];
}

} // namespace pitkad
