#include "app/language.h"

#include <QCoreApplication>

namespace pitkad {

QString tr_text(const char* source) { return QCoreApplication::translate(text_context, source); }

} // namespace pitkad
