#include "app/file_choice.h"

#include <QFileInfo>

namespace pitkad {

QString dropped_file(const QList<QUrl>& urls) {
    for (const QUrl& url : urls)
        if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isDir()) return url.toLocalFile();
    return {};
}

} // namespace pitkad
