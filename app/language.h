#pragma once
// The language of the user-visible texts. The program's texts are written in
// Japanese (the source texts); English comes from a translation built into
// the program, and Qt's own texts (standard buttons, the file dialog) from
// Qt's translations.

#include "base/translatable.h"

#include <QString>
#include <QTranslator>

#include <optional>
#include <string_view>

namespace pitkad {

enum class Language { japanese, english };

// The context every text of the program is translated in.
inline constexpr const char* text_context = "PitkaD";

// "ja" or "en", as the settings file and the command line write them.
QString language_code(Language language);
std::optional<Language> language_from_code(const QString& code);

// A source text (marked with PITKAD_TR) in the language in force.
QString tr_text(const char* source);
QString tr_text(std::string_view source);

// The translators of the language in force, installed in the application.
// Installing them sends every window a LanguageChange event.
class LanguageSwitch {
  public:
    // False when the program's own translation could not be loaded (the
    // texts then stay Japanese).
    bool set(Language language);
    Language current() const { return language_; }

  private:
    Language language_ = Language::japanese;
    QTranslator own_, qt_;
    bool own_installed_ = false, qt_installed_ = false;
};


} // namespace pitkad
