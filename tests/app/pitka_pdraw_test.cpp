#include "app/pitka_pdraw.h"

#include "app/colour_grid.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"
#include "drawing/drawing_texts.h"
#include "tests/common/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSet>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pitkad {
namespace {

class FakeForm2Host : public Form2Host {
  public:
    void write_graph() override { ++graphs; }
    void midi_off() override { ++offs; }
    void form_key_down(int key, Qt::KeyboardModifiers) override { keys.push_back(key); }
    PlayState play_state() const override { return PlayState(state); }
    int frame_count() const override { return frames; }
    QString draw_file_name() const override { return file; }
    void show_message(const QString& t) override { messages.push_back(t); }
    void save_drawing_as() override { ++saves_as; }
    void drawing_saved() override { ++saved; }
    bool confirm_drawing_saved() override {
        ++questions;
        return go_on;
    }
    void undo() override { ++undos; }
    void redo() override { ++redos; }

    int graphs = 0, offs = 0, state = 1, frames = 3000, saves_as = 0, saved = 0, questions = 0,
        undos = 0, redos = 0;
    bool go_on = true;
    std::vector<int> keys;
    QString file;
    QStringList messages;
};

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

class TForm2Test : public ::testing::Test {
  protected:
    TForm2Test() {
        host.file = QString::fromStdString((dir / "song.pkc").string());
        // As the main window does: the buttons follow the history.
        history.on_change = [this] { form.show_history(); };
    }

    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
    MidiPort midi;
    DrawHistory history;
    FakeForm2Host host;
    TForm2 form{*draw, midi, history, host};
    test::TempDir dir;
};

TEST_F(TForm2Test, WindowLayoutAndStartState) {
    EXPECT_EQ(form.windowTitle(), text(drawing_texts::tool_caption));
    EXPECT_EQ(form.size(), QSize(248, 120));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.ColorGrid1->geometry(), QRect(8, 64, 200, 48));

    const auto order = [](QToolBar* bar) {
        QStringList names;
        for (QAction* a : bar->actions())
            names << bar->widgetForAction(a)->objectName();
        return names;
    };
    EXPECT_EQ(order(form.ToolBar2),
              (QStringList{"", "SelectDelButton", "AllSelectButton", "DrawLeftLineButton",
                           "DrawRightLineButton", "", "PenMidiSwitch", "PenShowSwitch",
                           "LineShowSwitch", "QuantizeButton"}));
    EXPECT_EQ(order(form.ToolBar1),
              (QStringList{"", "PenDrawButton", "LineDrawButton", "PenSelectButton",
                           "LineselectButton", "ClipboardButton", "", "LoadDrawButton",
                           "SaveDrawButton", "", "UndoButton", "RedoButton"}));

    const ToolState t = form.tool_state();
    EXPECT_EQ(t.mode, DrawMode::none);
    EXPECT_TRUE(t.pen_midi && t.pen_show && t.line_show);
    EXPECT_FALSE(t.quantize);
    EXPECT_EQ(t.quantize_division, 16);
    EXPECT_EQ(t.colour, 16);
    EXPECT_TRUE(form.N1161->isChecked());
    EXPECT_EQ(draw->draw_palette[10], (Rgb{255, 0, 0}));
    EXPECT_EQ(draw->draw_palette[42], draw_highlight);
}

// Each button names its own command, with the key of the same command where
// there is one.
TEST_F(TForm2Test, EveryButtonHasItsOwnToolTip) {
    QStringList tips;
    for (QToolButton* b : form.findChildren<QToolButton*>()) {
        if (b->objectName().startsWith("qt_")) continue; // a tool bar's own
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
        tips << b->toolTip();
    }
    EXPECT_EQ(tips.size(), 17);
    EXPECT_EQ(tips.size(), QSet<QString>(tips.begin(), tips.end()).size());
    const std::pair<QToolButton*, const char*> keys[] = {
        {form.PenDrawButton, " (F1)"},          {form.LineselectButton, " (F4)"},
        {form.SelectDelButton, " (Del)"},       {form.UndoButton, "元に戻す (Ctrl+Z)"},
        {form.RedoButton, "やり直し (Ctrl+Y)"},
    };
    for (const auto& [button, key] : keys)
        EXPECT_TRUE(button->toolTip().endsWith(QString::fromUtf8(key)))
            << button->toolTip().toStdString();
    EXPECT_FALSE(form.ClipboardButton->toolTip().contains('('));
}

TEST_F(TForm2Test, ButtonImagesComeFromTheStripWithAquaTransparent) {
    const QImage pen = form.PenDrawButton->icon().pixmap(16, 16).toImage();
    ASSERT_FALSE(pen.isNull());
    EXPECT_EQ(qAlpha(pen.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(pen.pixel(3, 2)), 255); // the top bar
    EXPECT_FALSE(form.QuantizeButton->icon().isNull());
}

TEST_F(TForm2Test, ModeButtonsAreExclusive) {
    (*draw)[5].note_cell(9) = 3 | draw_selected_bit;
    QTest::mouseClick(form.PenDrawButton, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::pen_draw);
    EXPECT_EQ((*draw)[5].note_cell(9), 3); // selection cleared
    QTest::mouseClick(form.LineDrawButton, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::line_draw);
    EXPECT_FALSE(form.PenDrawButton->isChecked());
    QTest::mouseClick(form.LineDrawButton, Qt::LeftButton); // pressing it again keeps it down
    EXPECT_EQ(form.mode(), DrawMode::line_draw);
    QTest::mouseClick(form.ClipboardButton, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::clipboard);
    int down = 0;
    for (QToolButton* b : {form.PenDrawButton, form.LineDrawButton, form.PenSelectButton,
                           form.LineselectButton, form.ClipboardButton})
        down += b->isChecked();
    EXPECT_EQ(down, 1);
    EXPECT_EQ(host.graphs, 4);
}

TEST_F(TForm2Test, RightClickOnAnyModeButtonLeavesNoMode) {
    for (QToolButton* b : {form.PenDrawButton, form.LineselectButton}) {
        QTest::mouseClick(form.PenDrawButton, Qt::LeftButton);
        QTest::mousePress(b, Qt::RightButton);
        QTest::mouseRelease(b, Qt::RightButton);
        EXPECT_EQ(form.mode(), DrawMode::none) << b->objectName().toStdString();
    }
}

TEST_F(TForm2Test, FunctionKeysToggleModesOnlyWhileShown) {
    EXPECT_FALSE(form.toggle_mode_key(1));
    EXPECT_EQ(form.mode(), DrawMode::none);
    form.show();
    struct Step {
        int key;
        DrawMode after;
    };
    const Step steps[] = {{1, DrawMode::pen_draw},    {2, DrawMode::line_draw},
                          {2, DrawMode::none},        {3, DrawMode::pen_select},
                          {4, DrawMode::line_select}, {4, DrawMode::none}};
    for (const auto& s : steps) {
        EXPECT_TRUE(form.toggle_mode_key(s.key));
        EXPECT_EQ(form.mode(), s.after) << "F" << s.key;
    }
    // Hiding releases the mode and clears the selection.
    form.toggle_mode_key(3);
    (*draw)[1].line_mark() = 2 | draw_selected_bit;
    form.hide();
    EXPECT_EQ(form.mode(), DrawMode::none);
    EXPECT_EQ((*draw)[1].line_mark(), 2);
}

TEST_F(TForm2Test, QuantiseMenuSetsTheTag) {
    QTimer::singleShot(0, &form, [&] {
        form.N1321->trigger();
        form.PopupMenu1->close();
    });
    QTest::mousePress(form.QuantizeButton, Qt::RightButton);
    QTest::mouseRelease(form.QuantizeButton, Qt::RightButton);
    EXPECT_EQ(form.QuantizeButtonTag, 32);
    EXPECT_TRUE(form.N1321->isChecked());
    EXPECT_FALSE(form.N1161->isChecked());
    EXPECT_FALSE(form.QuantizeButton->isChecked()); // a right press does not toggle
    QTest::mouseClick(form.QuantizeButton, Qt::LeftButton);
    const ToolState t = form.tool_state();
    EXPECT_TRUE(t.quantize);
    EXPECT_EQ(t.quantize_division, 32);
    form.N12561Click();
    EXPECT_EQ(form.tool_state().quantize_division, 256);
    EXPECT_EQ(form.PopupMenu1->actions().size(), 8);
    EXPECT_EQ(form.N181->text(), QStringLiteral("線間の1/8"));
}

TEST_F(TForm2Test, ColourGridPicksOnLeftAndRecoloursOnBoth) {
    QTest::mouseClick(form.PenSelectButton, Qt::LeftButton);
    (*draw)[5].note_cell(9) = 3 | draw_selected_bit;
    (*draw)[6].note_cell(9) = 4;
    // Cell 10 (red, colour 11): third column, bottom row.
    QTest::mouseClick(form.ColorGrid1, Qt::LeftButton, {}, QPoint(2 * 25 + 5, 24 + 5));
    EXPECT_EQ(form.tool_state().mode, DrawMode::pen_select);
    EXPECT_EQ(form.tool_state().colour, 11);
    EXPECT_EQ((*draw)[5].note_cell(9), 11);
    EXPECT_EQ((*draw)[6].note_cell(9), 4);
    (*draw)[6].note_cell(9) = 4 | draw_selected_bit;
    QTest::mouseClick(form.ColorGrid1, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(form.tool_state().colour, 11);
    EXPECT_EQ((*draw)[6].note_cell(9), 11);
}

TEST_F(TForm2Test, CommandsActByTheSelectionMode) {
    QTest::mouseClick(form.LineselectButton, Qt::LeftButton);
    (*draw)[100].line_mark() = 2;
    (*draw)[150].line_mark() = 2;
    QTest::mouseClick(form.AllSelectButton, Qt::LeftButton);
    QTest::mouseClick(form.DrawLeftLineButton, Qt::LeftButton);
    EXPECT_EQ((*draw)[50].line_mark(), 16 | draw_selected_bit);
    QTest::mouseClick(form.DrawRightLineButton, Qt::LeftButton); // 50, 100 → 150
    EXPECT_EQ((*draw)[150].line_mark(), 16 | draw_selected_bit);
    EXPECT_EQ((*draw)[50].line_mark(), 16);
    form.SelectDelButtonClick(); // the Delete key: the selected pair is 100, 150
    EXPECT_EQ((*draw)[50].line_mark(), 16);
    EXPECT_EQ((*draw)[100].line_mark(), 0);
    EXPECT_EQ((*draw)[150].line_mark(), 0);

    const int graphs = host.graphs;
    QTest::mouseClick(form.LineDrawButton, Qt::LeftButton);
    (*draw)[120].line_mark() = 2 | draw_selected_bit;
    form.SelectDelButtonClick();
    EXPECT_EQ((*draw)[120].line_mark(), 2 | draw_selected_bit);
    EXPECT_EQ(host.graphs, graphs + 2);

    QTest::mouseClick(form.PenMidiSwitch, Qt::LeftButton);
    EXPECT_EQ(host.offs, 1);
    EXPECT_FALSE(form.tool_state().pen_midi);
}

// Each command that edits is one step, and undoing it restores the
// drawing; selecting alone makes no step.
TEST_F(TForm2Test, EditingCommandsAreStepsOfTheHistory) {
    struct Case {
        const char* name;
        QToolButton* TForm2::*mode;
        std::function<void()> command;
        std::size_t steps;
    };
    const Case cases[] = {
        {"select all", &TForm2::PenSelectButton,
         [&] { QTest::mouseClick(form.AllSelectButton, Qt::LeftButton); }, 0},
        {"select all, delete", &TForm2::PenSelectButton,
         [&] {
             QTest::mouseClick(form.AllSelectButton, Qt::LeftButton);
             QTest::mouseClick(form.SelectDelButton, Qt::LeftButton);
         },
         1},
        {"recolour", &TForm2::PenSelectButton,
         [&] {
             QTest::mouseClick(form.AllSelectButton, Qt::LeftButton);
             QTest::mouseClick(form.ColorGrid1, Qt::LeftButton, {}, QPoint(5, 5));
         },
         1},
        {"line intervals both ways", &TForm2::LineselectButton,
         [&] {
             QTest::mouseClick(form.AllSelectButton, Qt::LeftButton);
             QTest::mouseClick(form.DrawLeftLineButton, Qt::LeftButton);
             QTest::mouseClick(form.DrawRightLineButton, Qt::LeftButton);
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.clear();
        draw->clear();
        (*draw)[100].line_mark() = 2;
        (*draw)[150].line_mark() = 2;
        for (int f = 110; f < 130; ++f)
            (*draw)[f].note_cell(30) = 7;
        QTest::mouseClick(form.*c.mode, Qt::LeftButton);
        const std::vector<draw_frame> before = draw->draw_data;
        c.command();
        EXPECT_EQ(history.undo_count(), c.steps);
        EXPECT_EQ(form.UndoButton->isEnabled(), c.steps > 0);
        while (history.undo(*draw, midi.tables).moved) {
        }
        reset_draw_select(*draw, host.frames);
        EXPECT_EQ(draw->draw_data, before);
    }
    form.show_history();
    EXPECT_TRUE(form.RedoButton->isEnabled());
    QTest::mouseClick(form.UndoButton, Qt::LeftButton); // disabled: nothing
    QTest::mouseClick(form.RedoButton, Qt::LeftButton);
    EXPECT_EQ(host.undos, 0);
    EXPECT_EQ(host.redos, 1);
}

// The load button replaces the drawing only when the main window's
// question about an unsaved drawing lets it; a load clears the history.
TEST_F(TForm2Test, LoadButtonAsksBeforeReplacingTheDrawing) {
    ASSERT_TRUE(save_draw_data(host.file.toStdString(), *draw, host.frames, midi.tables));
    record_step(&history, *draw, midi.tables, [&] { (*draw)[7].line_mark() = 5; });
    draw->modified = true;
    host.go_on = false;
    form.LoadDrawButtonClick();
    EXPECT_EQ(host.questions, 1);
    EXPECT_EQ((*draw)[7].line_mark(), 5);
    EXPECT_TRUE(history.can_undo());
    host.go_on = true;
    form.LoadDrawButtonClick();
    EXPECT_EQ(host.questions, 2);
    EXPECT_EQ((*draw)[7].line_mark(), 0);
    EXPECT_FALSE(history.can_undo());
    EXPECT_FALSE(form.UndoButton->isEnabled());
    EXPECT_TRUE(host.messages.isEmpty());
}

TEST_F(TForm2Test, KeysArePassedToTheMainWindow) {
    form.show();
    QTest::keyClick(&form, Qt::Key_F2);
    QTest::keyClick(&form, Qt::Key_Delete);
    EXPECT_EQ(host.keys, (std::vector<int>{Qt::Key_F2, Qt::Key_Delete}));
}

TEST_F(TForm2Test, FileButtonsShowThePathAndTheMessage) {
    host.state = 0;
    form.LoadDrawButtonClick();
    form.SaveDrawButtonClick();
    EXPECT_TRUE(host.messages.isEmpty());
    EXPECT_EQ(host.graphs, 0);

    host.state = 1;
    form.LoadDrawButtonClick();
    ASSERT_EQ(host.messages.size(), 1);
    EXPECT_EQ(host.messages[0], host.file + text(drawing_texts::not_found));

    // A file of another recording's length is refused and changes nothing.
    midi.tables.midi_volume[3] = 100;
    ASSERT_TRUE(save_draw_data(host.file.toStdString(), *draw, 2999, midi.tables));
    (*draw)[7].line_mark() = 5;
    midi.tables.midi_volume[3] = 50;
    form.LoadDrawButtonClick();
    ASSERT_EQ(host.messages.size(), 2);
    EXPECT_EQ(host.messages[1], host.file + text(drawing_texts::cannot_read));
    EXPECT_EQ((*draw)[7].line_mark(), 5);
    EXPECT_EQ(midi.tables.midi_volume[3], 50);
    EXPECT_EQ(host.offs, 0);

    draw->modified = true;
    EXPECT_TRUE(form.drawing_modified());
    form.SaveDrawButtonClick();
    EXPECT_FALSE(form.drawing_modified());
    EXPECT_EQ(host.saved, 1);
    (*draw)[7].line_mark() = 0;
    EXPECT_TRUE(form.loaddrawdat());
    EXPECT_EQ((*draw)[7].line_mark(), 5);
    EXPECT_EQ(host.offs, 1);

    host.file = QString::fromStdString((dir / "missing" / "song.pkc").string());
    draw->modified = true;
    EXPECT_FALSE(form.settle_unsaved(TForm2::UnsavedChoice::save)); // the open must not go on
    ASSERT_EQ(host.messages.size(), 3);
    EXPECT_EQ(host.messages[2], host.file + text(drawing_texts::cannot_write));
    EXPECT_TRUE(form.drawing_modified());
    EXPECT_EQ(host.saved, 1) << "a failed save is not reported as saved";
    EXPECT_TRUE(form.settle_unsaved(TForm2::UnsavedChoice::discard));
    EXPECT_FALSE(form.settle_unsaved(TForm2::UnsavedChoice::cancel));
    host.state = 0;
    EXPECT_FALSE(form.drawing_modified());
}

// The save button's right-click menu holds "名前を付けて保存", which the
// main window carries out; without a recording it does nothing.
TEST_F(TForm2Test, SaveAsItemAsksTheMainWindow) {
    ASSERT_EQ(form.SaveMenu->actions().size(), 1);
    EXPECT_EQ(form.SaveAsItem->text(), text(drawing_texts::save_as));
    host.state = 0;
    form.SaveAsItem->trigger();
    EXPECT_EQ(host.saves_as, 0);
    host.state = 1;
    form.SaveAsItem->trigger();
    EXPECT_EQ(host.saves_as, 1);
}

} // namespace
} // namespace pitkad

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
