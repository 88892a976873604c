// Undo and redo through the main window: the edit menu, its keys, the tool
// window's buttons, the unsaved state, the MIDI dialog as one step, and the
// load button's question.
#include "app/app_texts.h"
#include "app/drawing_texts.h"
#include "app/drawing_tools_window.h"
#include "app/midi_settings_dialog.h"
#include "window_test_support.h"

#include <QMenuBar>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace pitkad::test {
namespace {

class WindowUndo : public ::testing::Test {
  protected:
    void SetUp() override {
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        const fs::path wav = small_recording(dir.path(), "tone.wav", 2);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
        f.on_show_drawing_tools();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    // A line mark at frame x, clicked on the rows in line drawing mode.
    void mark_line(int x) {
        if (!f.tools_window()->line_draw_button->isChecked())
            QTest::mouseClick(f.tools_window()->line_draw_button, Qt::LeftButton);
        f.editor().press(MouseButton::left, {}, x, 20);
        f.editor().release(MouseButton::left, {}, x, 20);
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(f.windowHandle(), Qt::Key(k), mods);
    }
    std::pair<std::size_t, std::size_t> counts() const {
        return {f.doc.history.undo_count(), f.doc.history.redo_count()};
    }

    TempDir dir;
    Window w = make_window();
    MainWindow& f = *w.form;
};

TEST_F(WindowUndo, EditMenuKeysAndButtonsFollowTheHistory) {
    const QList<QAction*> menus = f.menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[1]->text(), QString(texts::edit_menu));
    const QList<QAction*> items = f.menus->edit_menu->actions();
    ASSERT_EQ(items.size(), 19);
    EXPECT_EQ(items.mid(0, 2), (QList<QAction*>{f.menus->undo_action, f.menus->redo_action}));
    EXPECT_EQ(items.mid(3, 3), (QList<QAction*>{f.menus->cut_action, f.menus->copy_action,
                                                f.menus->paste_action}));
    EXPECT_EQ(items.mid(7, 2), (QList<QAction*>{f.menus->meter_action, f.menus->key_action}));
    EXPECT_EQ(items.mid(10, 5),
              (QList<QAction*>{f.menus->suggest_beats_action, f.menus->accept_beats_action,
                               f.menus->clear_beats_action, f.menus->suggest_harmony_action,
                               f.menus->clear_harmony_action}));
    EXPECT_EQ(items.mid(16), (QList<QAction*>{f.menus->suggest_notes_action,
                                              f.menus->accept_notes_action,
                                              f.menus->clear_notes_action}));
    EXPECT_EQ(f.menus->paste_action->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+V")});
    EXPECT_EQ(f.menus->undo_action->text(), QString(texts::undo_item));
    EXPECT_EQ(f.menus->redo_action->text(), QString(texts::redo_item));
    EXPECT_EQ(f.menus->undo_action->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
    EXPECT_EQ(f.menus->redo_action->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));

    DrawingToolsWindow* tools = f.tools_window();
    mark_line(10);
    mark_line(20);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    struct Step {
        const char* name;
        std::function<void()> act;
        std::size_t undo, redo;
    };
    const Step steps[] = {
        {"Ctrl+Z", [&] { key(Qt::Key_Z, Qt::ControlModifier); }, 1, 1},
        {"Ctrl+Y", [&] { key(Qt::Key_Y, Qt::ControlModifier); }, 2, 0},
        {"Ctrl+Y at the end", [&] { key(Qt::Key_Y, Qt::ControlModifier); }, 2, 0},
        {"undo button", [&] { QTest::mouseClick(tools->undo_button, Qt::LeftButton); }, 1, 1},
        {"Ctrl+Z again", [&] { key(Qt::Key_Z, Qt::ControlModifier); }, 0, 2},
        {"Ctrl+Z at the start", [&] { key(Qt::Key_Z, Qt::ControlModifier); }, 0, 2},
        {"Ctrl+Shift+Z", [&] { key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }, 1, 1},
        {"redo button", [&] { QTest::mouseClick(tools->redo_button, Qt::LeftButton); }, 2, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        EXPECT_EQ(counts(), std::make_pair(s.undo, s.redo));
        EXPECT_EQ(f.doc.drawing[10].line_mark() != 0, s.undo >= 1);
        EXPECT_EQ(f.doc.drawing[20].line_mark() != 0, s.undo >= 2);
        EXPECT_EQ(f.menus->undo_action->isEnabled(), s.undo > 0);
        EXPECT_EQ(f.menus->redo_action->isEnabled(), s.redo > 0);
        EXPECT_EQ(tools->undo_button->isEnabled(), s.undo > 0);
        EXPECT_EQ(tools->redo_button->isEnabled(), s.redo > 0);
    }
}

// The key map and the practice keys, with any Shift and Ctrl, neither undo
// nor redo; Z and Y are none of their keys.
TEST_F(WindowUndo, KeyMapKeysLeaveTheHistoryAlone) {
    mark_line(10);
    key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(counts(), std::make_pair(std::size_t(0), std::size_t(1)));
    mark_line(30);
    mark_line(40);
    key(Qt::Key_Z, Qt::ControlModifier); // one to undo, one to redo
    const auto before = counts();
    const int keys[] = {Qt::Key_P,
                        Qt::Key_S,
                        Qt::Key_Escape,
                        Qt::Key_PageUp,
                        Qt::Key_PageDown,
                        Qt::Key_B,
                        Qt::Key_V,
                        Qt::Key_Delete,
                        Qt::Key_F1,
                        Qt::Key_F2,
                        Qt::Key_F3,
                        Qt::Key_F4,
                        Qt::Key_Minus,
                        Qt::Key_Plus,
                        Qt::Key_0,
                        Qt::Key_Comma,
                        Qt::Key_Period,
                        Qt::Key_BracketLeft,
                        Qt::Key_BracketRight,
                        Qt::Key_L,
                        Qt::Key_Backslash,
                        Qt::Key_Space};
    const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                          Qt::ControlModifier | Qt::ShiftModifier};
    for (int k : keys)
        for (Qt::KeyboardModifiers m : mods) {
            key(k, m);
            EXPECT_EQ(counts(), before) << k << " " << m.toInt();
        }
    f.on_stop();
    for (int k : {Qt::Key_Z, Qt::Key_Y}) {
        EXPECT_FALSE(f.handle_key(k, false));
        EXPECT_FALSE(f.handle_key(k, true));
        EXPECT_FALSE(f.handle_practice_key(k));
    }
}

// Back at the saved state the drawing is unchanged: closing asks nothing.
// The unsaved state, and the caption's "*" with it.
TEST_F(WindowUndo, UnsavedStateFollowsTheHistory) {
    auto expect_unsaved = [&](bool unsaved) {
        EXPECT_EQ(f.session().modified(), unsaved);
        EXPECT_EQ(shown_title(f), QString(unsaved ? "PitkaD - tone.wav*" : "PitkaD - tone.wav"));
    };
    EXPECT_EQ(f.windowFilePath(), QString::fromStdString((dir.path() / "tone.wav").string()));
    expect_unsaved(false);
    mark_line(10);
    expect_unsaved(true);
    f.tools_window()->on_save_drawing();
    expect_unsaved(false);
    mark_line(20);
    expect_unsaved(true);
    f.on_undo();
    expect_unsaved(false);
    f.on_undo();
    expect_unsaved(true);
    f.on_redo();
    expect_unsaved(false);
    ModalResponder responder;
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(responder.seen.empty());
}

// The MIDI dialog's changes of the drawing channels are one step; undoing
// it puts the programs and volumes back and sends the programs again.
TEST_F(WindowUndo, MidiDialogIsOneStep) {
    MidiSettingsDialog* dialog = f.midi_dialog();
    const MidiChannelSettings before = f.doc.channel_settings;
    QTimer::singleShot(0, dialog, [&] {
        dialog->program_edit(3)->setValue(33);
        dialog->volume_slider(5)->setValue(40);
        dialog->close();
    });
    f.on_midi_settings();
    ASSERT_EQ(counts(), std::make_pair(std::size_t(1), std::size_t(0)));
    EXPECT_TRUE(f.doc.drawing.modified);
    w.midi_log->messages.clear();
    f.on_undo();
    EXPECT_EQ(f.doc.channel_settings.program, before.program);
    EXPECT_EQ(f.doc.channel_settings.volume, before.volume);
    EXPECT_FALSE(f.doc.drawing.modified);
    const auto& sent = w.midi_log->messages;
    EXPECT_NE(std::find(sent.begin(), sent.end(), short_message(0xC2, before.program[2], 0)),
              sent.end());
    f.on_redo();
    EXPECT_EQ(f.doc.channel_settings.program[2], 33);
    EXPECT_EQ(f.doc.channel_settings.volume[4], 40);
}

// The load button asks the open sequence's question before it replaces an
// unsaved drawing; a load clears the history.
TEST_F(WindowUndo, LoadButtonAsksAboutAnUnsavedDrawing) {
    f.tools_window()->on_save_drawing(); // an empty drawing in the file
    mark_line(10);
    struct Case {
        const char* answer;
        bool replaced;
    };
    const Case cases[] = {{"キャンセル", false}, {"保存しない", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ModalResponder responder;
        responder.answers << c.answer;
        QTest::mouseClick(f.tools_window()->load_drawing_button, Qt::LeftButton);
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_EQ(responder.seen[0].text, q(drawing_texts::unsaved_prompt));
        QStringList buttons = responder.seen[0].buttons;
        buttons.sort();
        QStringList expected{q(drawing_texts::unsaved_save), q(drawing_texts::unsaved_discard),
                             q(drawing_texts::unsaved_cancel)};
        expected.sort();
        EXPECT_EQ(buttons, expected);
        EXPECT_EQ(f.doc.drawing[10].line_mark() == 0, c.replaced);
        EXPECT_EQ(f.doc.history.can_undo(), !c.replaced);
        EXPECT_EQ(f.session().modified(), !c.replaced);
    }
    // Unchanged: no question.
    ModalResponder responder;
    QTest::mouseClick(f.tools_window()->load_drawing_button, Qt::LeftButton);
    EXPECT_TRUE(responder.seen.empty());
}

} // namespace
} // namespace pitkad::test
