#include "app/session_messages.h"

#include "app/draw_file_texts.h"
#include "app/language.h"
#include "app/status_texts.h"
#include "base/translatable.h"

#include <QFile>

namespace pitkad {

namespace {

constexpr const char* drawing_kept =
    PITKAD_TR("PitkaD", "読めなかった描画データを次のファイルに残しました:");

} // namespace

QString session_message(const SessionNotice& notice) {
    const QString path = QFile::decodeName(notice.path.c_str());
    QString text;
    switch (notice.issue) {
    case SessionIssue::drawing_unreadable:
        text = path + tr_text(status_texts::cannot_read);
        if (const QString why = draw_file_problem(notice.read); !why.isEmpty())
            text += u'\n' + why;
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
    }
    if (!notice.detail.empty()) text += u'\n' + QString::fromStdString(notice.detail);
    return text;
}

} // namespace pitkad
