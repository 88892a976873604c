#include "app/language.h"

#include "analysis/analysis_messages.h"
#include "audio/playback_texts.h"
#include "drawing/drawing_texts.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QSpinBox>
#include <QWidget>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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

namespace {

// The plain layers' texts that their messages are built from, longest first
// so that a text within a longer one is not translated on its own.
std::vector<std::string_view> message_parts() {
    std::vector<std::string_view> parts{
        messages::cannot_open,
        messages::unsupported,
        messages::bad_header,
        messages::too_large,
        messages::cache_not_saved,
        playback_texts::no_file_name,
        playback_texts::file_not_found,
        playback_texts::file_unreadable,
        playback_texts::not_a_wav,
        playback_texts::unsupported_format,
        playback_texts::file_damaged,
        playback_texts::no_audio_device,
        drawing_texts::cannot_write,
        drawing_texts::not_found,
        drawing_texts::cannot_read,
        drawing_texts::midi_refused,
        drawing_texts::midi_not_smf,
        drawing_texts::midi_bad_chunk,
        drawing_texts::midi_bad_format,
        drawing_texts::midi_bad_division,
        drawing_texts::midi_missing_tracks,
        drawing_texts::midi_bad_event,
        drawing_texts::midi_no_status,
        drawing_texts::midi_unterminated,
        drawing_texts::midi_too_long,
        drawing_texts::midi_too_many,
        drawing_texts::midi_read_notes,
        drawing_texts::midi_read_lines,
        drawing_texts::midi_skipped_range,
        drawing_texts::midi_skipped_end,
    };
    std::stable_sort(parts.begin(), parts.end(),
                     [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
    return parts;
}

} // namespace

QString tr_message(const QString& message) {
    const QByteArray utf8 = message.toUtf8();
    const QString whole = tr_text(utf8.constData());
    if (whole != message) return whole;
    static const std::vector<std::string_view> parts = message_parts();
    // Each part is translated where it stands; placeholders keep a
    // translation from being matched again by a shorter part.
    QString out = message;
    std::vector<QString> done;
    for (std::string_view part : parts) {
        const QString source = QString::fromUtf8(part.data(), qsizetype(part.size()));
        if (!out.contains(source)) continue;
        const QString mark = QChar(0xE000 + int(done.size()));
        out.replace(source, mark);
        done.push_back(tr_text(part));
    }
    for (std::size_t i = 0; i < done.size(); ++i)
        out.replace(QChar(0xE000 + int(i)), done[i]);
    return out;
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

namespace {

bool has_japanese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) ||
               (u >= 0xff00 && u <= 0xffef);
    });
}

// One translatable text of an object: its current value is read with `get`
// and set with `put`. Its source is kept in the object's property `key`, and
// what was last shown in `key` + "_shown", so that a text code has changed
// since is noticed.
template <class Get, class Put>
void retranslate_text(QObject* o, const char* key, Get get, Put put) {
    const QString now = get();
    const QByteArray shown_key = QByteArray(key) + "_shown";
    QString source = o->property(key).toString();
    if (source.isEmpty() || now != o->property(shown_key.constData()).toString()) {
        // New, or changed by code: its text is a source text if it is
        // Japanese or has a translation in force.
        if (!has_japanese(now) && tr_text(now.toUtf8().constData()) == now) {
            o->setProperty(key, QVariant());
            return;
        }
        source = now;
        o->setProperty(key, source);
    }
    const QString translated = tr_text(source.toUtf8().constData());
    if (translated != now) put(translated);
    o->setProperty(shown_key.constData(), translated);
}

// Qt's tool tip of an action without one of its own: the text without '&'.
QString default_action_tip(const QAction* a) {
    QString text = a->text();
    text.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    text.remove(u'&');
    text.replace(QChar(0xE000), u'&');
    return text.trimmed();
}

void retranslate_object(QObject* o) {
    if (auto* a = qobject_cast<QAction*>(o)) {
        const bool own_tip = a->toolTip() != default_action_tip(a);
        retranslate_text(
            o, "pitkad_text", [a] { return a->text(); }, [a](const QString& t) { a->setText(t); });
        if (own_tip)
            retranslate_text(
                o, "pitkad_tip", [a] { return a->toolTip(); },
                [a](const QString& t) { a->setToolTip(t); });
        return;
    }
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) return;
    if (!w->windowTitle().isEmpty())
        retranslate_text(
            o, "pitkad_title", [w] { return w->windowTitle(); },
            [w](const QString& t) { w->setWindowTitle(t); });
    if (!w->toolTip().isEmpty())
        retranslate_text(
            o, "pitkad_tip", [w] { return w->toolTip(); },
            [w](const QString& t) { w->setToolTip(t); });
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        retranslate_text(
            o, "pitkad_text", [b] { return b->text(); }, [b](const QString& t) { b->setText(t); });
    else if (auto* l = qobject_cast<QLabel*>(w))
        retranslate_text(
            o, "pitkad_text", [l] { return l->text(); }, [l](const QString& t) { l->setText(t); });
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        retranslate_text(
            o, "pitkad_text", [g] { return g->title(); },
            [g](const QString& t) { g->setTitle(t); });
    else if (auto* s = qobject_cast<QSpinBox*>(w))
        retranslate_text(
            o, "pitkad_suffix", [s] { return s->suffix(); },
            [s](const QString& t) { s->setSuffix(t); });
    else if (auto* c = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < c->count(); ++i) {
            const QByteArray key = "pitkad_item" + QByteArray::number(i);
            retranslate_text(
                o, key.constData(), [c, i] { return c->itemText(i); },
                [c, i](const QString& t) { c->setItemText(i, t); });
        }
}

} // namespace

void retranslate_tree(QObject* root) {
    retranslate_object(root);
    for (QObject* o : root->findChildren<QObject*>())
        retranslate_object(o);
}

} // namespace pitkad
