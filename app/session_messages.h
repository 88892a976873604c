#pragma once
// What the open document tells the user, worded in the language in force.

#include "control/document_session.h"

#include <QString>

namespace pitkad {

QString session_message(const SessionNotice& notice);

} // namespace pitkad
