// The texts in Japanese and English: switching at run time, the choice kept
// in the settings file, and every caption fitting its control.
#include "app/language.h"
#include "app/midi_settings_dialog.h"
#include "app/session_messages.h"
#include "app/status_texts.h"
#include "window_test_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace pitkad::test {
namespace {

bool has_japanese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) ||
            (u >= 0xff00 && u <= 0xffef))
            return true;
    }
    return false;
}

// Every text the windows show, named by where it is.
QStringList shown_texts(QObject* root) {
    QStringList out;
    auto add = [&out](QObject* o, const char* what, const QString& text) {
        if (!text.isEmpty())
            out << o->metaObject()->className() + (u' ' + o->objectName()) + u' ' + what + u'=' +
                       text;
    };
    QList<QObject*> all = root->findChildren<QObject*>();
    all.prepend(root);
    for (QObject* o : all) {
        if (auto* a = qobject_cast<QAction*>(o)) {
            add(o, "text", a->text());
            add(o, "tip", a->toolTip());
        } else if (auto* w = qobject_cast<QWidget*>(o)) {
            if (w->isWindow()) add(o, "title", w->windowTitle());
            add(o, "tip", w->toolTip());
            if (auto* b = qobject_cast<QAbstractButton*>(w)) add(o, "text", b->text());
            if (auto* l = qobject_cast<QLabel*>(w)) add(o, "text", l->text());
            if (auto* g = qobject_cast<QGroupBox*>(w)) add(o, "title", g->title());
            if (auto* c = qobject_cast<QComboBox*>(w))
                for (int i = 0; i < c->count(); ++i)
                    add(o, "item", c->itemText(i));
        }
    }
    return out;
}

TEST(Language, SwitchingChangesEveryWindowAndBackAgain) {
    Window w = make_window();
    MainWindow& f = *w.form;
    f.tools_window()->show();
    const QStringList japanese = shown_texts(&f);

    f.on_language_chosen(Language::english);
    EXPECT_TRUE(f.menus->language_actions[1]->isChecked());
    EXPECT_EQ(f.menus->file_menu->title(), "&File");
    EXPECT_EQ(f.practice_tools().play_menu->title(), "&Play");
    EXPECT_EQ(f.strip->gain_label->text(), "Gain");
    // Only the language menu keeps Japanese, so that a reader of either
    // language finds it.
    for (const QString& text : shown_texts(&f)) {
        if (text.contains(u"言語 / ") || text.endsWith(u"=日本語")) continue;
        EXPECT_FALSE(has_japanese(text)) << text.toStdString();
    }

    f.on_language_chosen(Language::japanese);
    const QStringList again = shown_texts(&f);
    ASSERT_EQ(again.size(), japanese.size());
    for (qsizetype i = 0; i < again.size(); ++i)
        EXPECT_EQ(again[i].toStdString(), japanese[i].toStdString());
}

TEST(Language, MenuChoiceSurvivesARestart) {
    fs::remove(fs::path(settings_file_path().toStdString()));
    {
        Window w = make_window(1200, true, true);
        EXPECT_EQ(w.form->language(), Language::japanese);
        w.form->on_language_chosen(Language::english);
    }
    EXPECT_EQ(SettingsFile(settings_file_path()).language(), "en");
    {
        Window w = make_window(1200, true, true);
        EXPECT_EQ(w.form->language(), Language::english);
        EXPECT_EQ(w.form->menus->file_menu->title(), "&File");
    }
    fs::remove(fs::path(settings_file_path().toStdString()));
}

// A message composed from a status and its numbers or details reads in
// the language in force, each of its parts translated.
TEST(Language, StatusMessagesAreComposedInTheLanguage) {
    Window w = make_window();
    w.form->set_language(Language::english);
    EXPECT_EQ(session_message({SessionIssue::drawing_not_written, "/x/a.pkc", {}, {}}),
              "/x/a.pkc  cannot be written");
    EXPECT_EQ(text_of({PlaybackStatus::not_decoded,
                       {OpenStatus::unsupported, "ogg: no audio stream"},
                       "a.ogg"}),
              "Unsupported file (ogg: no audio stream)\na.ogg");
    MidiImportResult imported;
    imported.ok = true;
    imported.notes = 3;
    imported.lines_asked = true;
    imported.lines = 2;
    EXPECT_EQ(text_of(imported), "Notes read: 3, lines: 2");
}

// No caption is wider than its control, and no control reaches past its
// window's edge, in either language, at the window's first width.
TEST(Language, CaptionsFitTheirControls) {
    Window w = make_window();
    MainWindow& f = *w.form;
    f.show();
    f.practice_tools().show_panel_action->trigger(); // the practice panel shown
    f.tools_window()->show();
    f.midi_dialog()->show();
    for (Language language : {Language::japanese, Language::english}) {
        f.set_language(language);
        QApplication::processEvents();
        // The practice panel is one piece: too wide, its end would be cut off.
        EXPECT_LE(f.practice_tools().panel->sizeHint().width(), f.width());
        for (QWidget* c : f.findChildren<QWidget*>()) {
            if (!c->isVisible()) continue;
            // Nor is a control cut off by the edge of its window.
            const QWidget* window = c->window();
            if (c != window && (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
                                qobject_cast<QComboBox*>(c))) {
                EXPECT_LE(c->mapTo(window, QPoint(c->width(), 0)).x(), window->width())
                    << (language == Language::english ? "en " : "ja ")
                    << c->objectName().toStdString() << " at the edge of "
                    << window->objectName().toStdString();
            }
            QString text;
            int room = c->contentsRect().width();
            if (auto* l = qobject_cast<QLabel*>(c); l && !l->wordWrap()) {
                text = l->text();
            } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
                text = b->text();
                room -= qobject_cast<QToolButton*>(c) ? 4 : 8; // the frame and margins
                if (!b->icon().isNull()) room -= b->iconSize().width();
            }
            text.remove(u'&');
            if (text.isEmpty()) continue;
            EXPECT_LE(c->fontMetrics().horizontalAdvance(text), room)
                << (language == Language::english ? "en " : "ja ") << c->objectName().toStdString()
                << " \"" << text.toStdString() << "\"";
        }
    }
}

} // namespace
} // namespace pitkad::test
