#pragma once
// The language of the user-visible texts. The program's texts are written in
// Japanese (the source texts); English comes from a translation built into
// the program.

#include "base/translatable.h"

#include <QString>

namespace pitkad {

enum class Language { japanese, english };

// The context every text of the program is translated in.
inline constexpr const char* text_context = "PitkaD";

// A source text (marked with PITKAD_TR) in the language in force.
QString tr_text(const char* source);

} // namespace pitkad
