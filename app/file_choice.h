#pragma once
// The ways of choosing a file in the main window: the open and Save As
// dialogs, a drop (which file it opens), and the recent-files submenu (how it
// captions its entries).

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QDropEvent;
class QWidget;

namespace pitkad {

// The open dialog, starting in `dir` when it is set; empty when cancelled.
QString choose_recording(QWidget* parent, const QString& dir);
// The Save As dialog for a drawing, suggesting `suggested`; the chosen file's
// full path, or empty when cancelled.
QString choose_drawing_file(QWidget* parent, const QString& suggested);

// The file a drop brings, with the drop accepted; empty when it is refused.
// A drop is taken as a copy, whatever the source proposes: a file manager
// that saw a move accepted might remove its file.
QString accept_file_drop(QDropEvent* event);

// The first local file among the dropped URLs that is not a folder; empty
// when there is none, and the drop is refused.
QString dropped_file(const QList<QUrl>& urls);

// The recent-files items' captions, "&1 name" … in the list's order: the
// file's name, followed by its folder when another entry has the same
// name; an '&' of a name is doubled so that it shows.
QStringList recent_file_captions(const QStringList& files);

} // namespace pitkad
