#include "app/file_choice.h"

#include <QFileInfo>

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

} // namespace pitkad
