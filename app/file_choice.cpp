#include "app/file_choice.h"

#include "app/app_texts.h"
#include "app/drawing_texts.h"
#include "app/language.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>

namespace pitkad {

QString dropped_file(const QList<QUrl>& urls) {
    for (const QUrl& url : urls)
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir()) return url.toLocalFile();
    return {};
}

QStringList recent_file_captions(const QStringList& files) {
    QStringList names;
    for (const QString& file : files)
        names << QFileInfo(file).fileName();
    QStringList captions;
    for (qsizetype i = 0; i < files.size(); ++i) {
        QString text = names[i];
        if (names.count(names[i]) > 1)
            text += QLatin1String("  (") + QFileInfo(files[i]).path() + u')';
        captions << QStringLiteral("&%1 ").arg(i + 1) + text.replace(u'&', QLatin1String("&&"));
    }
    return captions;
}

QString choose_recording(QWidget* parent, const QString& dir) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({tr_text(texts::open_filter_audio), tr_text(texts::open_filter_wav),
                           tr_text(texts::open_filter_all)});
    if (!dir.isEmpty()) dialog.setDirectory(dir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString choose_drawing_file(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, tr_text(drawing_texts::save_as));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(
        {tr_text(drawing_texts::drawing_filter), tr_text(texts::open_filter_all)});
    dialog.setDefaultSuffix(QStringLiteral("pkc"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();
}

QString accept_file_drop(QDropEvent* event) {
    const QString file = event->mimeData() ? dropped_file(event->mimeData()->urls()) : QString();
    if (file.isEmpty() || !(event->possibleActions() & Qt::CopyAction)) return {};
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return file;
}

} // namespace pitkad
