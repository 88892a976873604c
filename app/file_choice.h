#pragma once
// Which file a drop on the main window opens, and how the recent-files
// submenu captions its entries: the plain rules behind those two ways of
// choosing a file.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace pitkad {

// The first local file among the dropped URLs that is not a folder; empty
// when there is none, and the drop is refused.
QString dropped_file(const QList<QUrl>& urls);

} // namespace pitkad
