#pragma once
// What the open document tells and asks the user, worded in the language
// in force.

#include "control/document_session.h"

#include <QString>

class QWidget;

namespace pitkad {

QString session_message(const SessionNotice& notice);

// The session's questions in a box over `parent`, with the window's own
// captions; Esc answers the last choice (cancel, later).
UnsavedAnswer ask_unsaved_drawing(QWidget* parent);
RecoveryAnswer ask_restore_drawing(QWidget* parent);
// A save onto a drawing file changed on disk since it was read or saved
// here: overwrite, save as, reload or cancel (also Esc).
ChangedAnswer ask_changed_drawing(QWidget* parent, const std::string& file);
// A question (a warning when `warning`) with a default answer `yes` and
// `no`, also Esc: whether `yes` was chosen.
bool ask_two_way(QWidget* parent, bool warning, const QString& text, const QString& yes,
                 const QString& no);
// A save refused at the drawing file's name (`why`): whether to save under
// another name instead.
bool ask_save_elsewhere(QWidget* parent, const SessionNotice& why);

} // namespace pitkad
