#include "app/retranslate.h"

#include "app/language.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>

#include <algorithm>

namespace pitkad {

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
