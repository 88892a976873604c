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

// The recent-files items' captions, "&1 name" … in the list's order: the
// file's name, followed by its folder when another entry has the same
// name; an '&' of a name is doubled so that it shows.
QStringList recent_file_captions(const QStringList& files);

} // namespace pitkad
