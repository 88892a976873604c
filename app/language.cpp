#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include <string>
#include <string_view>

namespace pitkad {

QString language_code(Language language) {
    return language == Language::english ? QStringLiteral("en") : QStringLiteral("ja");
}

std::optional<Language> language_from_code(const QString& code) {
    if (code == QLatin1String("ja")) return Language::japanese;
    if (code == QLatin1String("en")) return Language::english;
    return std::nullopt;
}

QString tr_text(const char* source) {
    return QCoreApplication::translate(text_context, source);
}

QString tr_text(std::string_view source) {
    return tr_text(std::string(source).c_str());
}

bool LanguageSwitch::set(Language language) {
    if (own_installed_) QCoreApplication::removeTranslator(&own_);
    if (qt_installed_) QCoreApplication::removeTranslator(&qt_);
    own_installed_ = qt_installed_ = false;
    language_ = language;
    const QString code = language_code(language);
    // Qt's own texts: Debian ships them beside Qt's other data.
    if (qt_.load(QLatin1String("qtbase_") + code,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        qt_installed_ = QCoreApplication::installTranslator(&qt_);
    if (language == Language::japanese) return true;
    if (own_.load(QLatin1String(":/i18n/pitkad_") + code + QLatin1String(".qm")))
        own_installed_ = QCoreApplication::installTranslator(&own_);
    return own_installed_;
}

} // namespace pitkad
