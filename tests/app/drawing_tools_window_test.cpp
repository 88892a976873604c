#include "app/drawing_tools_window.h"

#include "app/colour_grid.h"
#include "app/drawing_texts.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"

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

class FakeToolsHost : public DrawingToolsHost {
  public:
    void write_graph() override { ++graphs; }
    void midi_off() override { ++offs; }
    void key_down(int key, Qt::KeyboardModifiers) override { keys.push_back(key); }
    PlayState play_state() const override { return PlayState(state); }
    int frame_count() const override { return frames; }
    void save_drawing() override { ++saves; }
    void save_drawing_as() override { ++saves_as; }
    void load_drawing() override { ++loads; }
    void undo() override { ++undos; }
    void redo() override { ++redos; }

    int graphs = 0, offs = 0, state = 1, frames = 3000, saves = 0, saves_as = 0, loads = 0,
        undos = 0, redos = 0;
    std::vector<int> keys;
};

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

class DrawingToolsWindowTest : public ::testing::Test {
  protected:
    DrawingToolsWindowTest() {
        // As the main window does: the buttons follow the history.
        history.on_change = [this] { form.show_history(); };
    }

    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
    MidiChannelSettings channels;
    DrawHistory history;
    FakeToolsHost host;
    DrawingToolsWindow form{*draw, channels, history, host};
};

TEST_F(DrawingToolsWindowTest, WindowLayoutAndStartState) {
    EXPECT_EQ(form.windowTitle(), text(drawing_texts::tool_caption));
    EXPECT_EQ(form.size(), QSize(248, 120));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.colour_grid->geometry(), QRect(8, 64, 200, 48));

    const auto order = [](QToolBar* bar) {
        QStringList names;
        for (QAction* a : bar->actions())
            names << bar->widgetForAction(a)->objectName();
        return names;
    };
    EXPECT_EQ(order(form.file_bar),
              (QStringList{"", "delete_selection_button", "select_all_button", "draw_left_line_button",
                           "draw_right_line_button", "", "pen_midi_switch", "pen_show_switch",
                           "line_show_switch", "quantize_button"}));
    EXPECT_EQ(order(form.mode_bar),
              (QStringList{"", "pen_draw_button", "line_draw_button", "pen_select_button",
                           "line_select_button", "clipboard_button", "", "load_drawing_button",
                           "save_drawing_button", "", "undo_button", "redo_button"}));

    const ToolState t = form.tool_state();
    EXPECT_EQ(t.mode, DrawMode::none);
    EXPECT_TRUE(t.pen_midi && t.pen_show && t.line_show);
    EXPECT_FALSE(t.quantize);
    EXPECT_EQ(t.quantize_division, 16);
    EXPECT_EQ(t.colour, 16);
    EXPECT_TRUE(form.quantize_16_action->isChecked());
    EXPECT_EQ(draw->draw_palette[10], (Rgb{255, 0, 0}));
    EXPECT_EQ(draw->draw_palette[42], draw_highlight);
}

// Each button names its own command, with the key of the same command where
// there is one.
TEST_F(DrawingToolsWindowTest, EveryButtonHasItsOwnToolTip) {
    QStringList tips;
    for (QToolButton* b : form.findChildren<QToolButton*>()) {
        if (b->objectName().startsWith("qt_")) continue; // a tool bar's own
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
        tips << b->toolTip();
    }
    EXPECT_EQ(tips.size(), 17);
    EXPECT_EQ(tips.size(), QSet<QString>(tips.begin(), tips.end()).size());
    const std::pair<QToolButton*, const char*> keys[] = {
        {form.pen_draw_button, " (F1)"},          {form.line_select_button, " (F4)"},
        {form.delete_selection_button, " (Del)"},       {form.undo_button, "元に戻す (Ctrl+Z)"},
        {form.redo_button, "やり直し (Ctrl+Y)"},
    };
    for (const auto& [button, key] : keys)
        EXPECT_TRUE(button->toolTip().endsWith(QString::fromUtf8(key)))
            << button->toolTip().toStdString();
    EXPECT_FALSE(form.clipboard_button->toolTip().contains('('));
}

TEST_F(DrawingToolsWindowTest, ButtonImagesComeFromTheStripWithAquaTransparent) {
    const QImage pen = form.pen_draw_button->icon().pixmap(16, 16).toImage();
    ASSERT_FALSE(pen.isNull());
    EXPECT_EQ(qAlpha(pen.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(pen.pixel(3, 2)), 255); // the top bar
    EXPECT_FALSE(form.quantize_button->icon().isNull());
}

TEST_F(DrawingToolsWindowTest, ModeButtonsAreExclusive) {
    (*draw)[5].note_cell(9) = 3 | draw_selected_bit;
    QTest::mouseClick(form.pen_draw_button, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::pen_draw);
    EXPECT_EQ((*draw)[5].note_cell(9), 3); // selection cleared
    QTest::mouseClick(form.line_draw_button, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::line_draw);
    EXPECT_FALSE(form.pen_draw_button->isChecked());
    QTest::mouseClick(form.line_draw_button, Qt::LeftButton); // pressing it again keeps it down
    EXPECT_EQ(form.mode(), DrawMode::line_draw);
    QTest::mouseClick(form.clipboard_button, Qt::LeftButton);
    EXPECT_EQ(form.mode(), DrawMode::clipboard);
    int down = 0;
    for (QToolButton* b : {form.pen_draw_button, form.line_draw_button, form.pen_select_button,
                           form.line_select_button, form.clipboard_button})
        down += b->isChecked();
    EXPECT_EQ(down, 1);
    EXPECT_EQ(host.graphs, 4);
}

TEST_F(DrawingToolsWindowTest, RightClickOnAnyModeButtonLeavesNoMode) {
    for (QToolButton* b : {form.pen_draw_button, form.line_select_button}) {
        QTest::mouseClick(form.pen_draw_button, Qt::LeftButton);
        QTest::mousePress(b, Qt::RightButton);
        QTest::mouseRelease(b, Qt::RightButton);
        EXPECT_EQ(form.mode(), DrawMode::none) << b->objectName().toStdString();
    }
}

TEST_F(DrawingToolsWindowTest, FunctionKeysToggleModesOnlyWhileShown) {
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

TEST_F(DrawingToolsWindowTest, QuantiseMenuSetsTheTag) {
    QTimer::singleShot(0, &form, [&] {
        form.quantize_32_action->trigger();
        form.quantize_menu->close();
    });
    QTest::mousePress(form.quantize_button, Qt::RightButton);
    QTest::mouseRelease(form.quantize_button, Qt::RightButton);
    EXPECT_EQ(form.quantize_division, 32);
    EXPECT_TRUE(form.quantize_32_action->isChecked());
    EXPECT_FALSE(form.quantize_16_action->isChecked());
    EXPECT_FALSE(form.quantize_button->isChecked()); // a right press does not toggle
    QTest::mouseClick(form.quantize_button, Qt::LeftButton);
    const ToolState t = form.tool_state();
    EXPECT_TRUE(t.quantize);
    EXPECT_EQ(t.quantize_division, 32);
    form.on_quantize_256();
    EXPECT_EQ(form.tool_state().quantize_division, 256);
    EXPECT_EQ(form.quantize_menu->actions().size(), 8);
    EXPECT_EQ(form.quantize_8_action->text(), QStringLiteral("線間の1/8"));
}

TEST_F(DrawingToolsWindowTest, ColourGridPicksOnLeftAndRecoloursOnBoth) {
    QTest::mouseClick(form.pen_select_button, Qt::LeftButton);
    (*draw)[5].note_cell(9) = 3 | draw_selected_bit;
    (*draw)[6].note_cell(9) = 4;
    // Cell 10 (red, colour 11): third column, bottom row.
    QTest::mouseClick(form.colour_grid, Qt::LeftButton, {}, QPoint(2 * 25 + 5, 24 + 5));
    EXPECT_EQ(form.tool_state().mode, DrawMode::pen_select);
    EXPECT_EQ(form.tool_state().colour, 11);
    EXPECT_EQ((*draw)[5].note_cell(9), 11 | draw_selected_bit); // recoloured, still selected
    EXPECT_EQ((*draw)[6].note_cell(9), 4);
    (*draw)[5].note_cell(9) = 11;
    (*draw)[6].note_cell(9) = 4 | draw_selected_bit;
    QTest::mouseClick(form.colour_grid, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(form.tool_state().colour, 11);
    EXPECT_EQ((*draw)[6].note_cell(9), 11 | draw_selected_bit);
}

TEST_F(DrawingToolsWindowTest, CommandsActByTheSelectionMode) {
    QTest::mouseClick(form.line_select_button, Qt::LeftButton);
    (*draw)[100].line_mark() = 2;
    (*draw)[150].line_mark() = 2;
    QTest::mouseClick(form.select_all_button, Qt::LeftButton);
    QTest::mouseClick(form.draw_left_line_button, Qt::LeftButton);
    EXPECT_EQ((*draw)[50].line_mark(), 16 | draw_selected_bit);
    QTest::mouseClick(form.draw_right_line_button, Qt::LeftButton); // 50, 100 → 150
    EXPECT_EQ((*draw)[150].line_mark(), 16 | draw_selected_bit);
    EXPECT_EQ((*draw)[50].line_mark(), 16);
    form.on_delete_selection(); // the Delete key: the selected pair is 100, 150
    EXPECT_EQ((*draw)[50].line_mark(), 16);
    EXPECT_EQ((*draw)[100].line_mark(), 0);
    EXPECT_EQ((*draw)[150].line_mark(), 0);

    const int graphs = host.graphs;
    QTest::mouseClick(form.line_draw_button, Qt::LeftButton);
    (*draw)[120].line_mark() = 2 | draw_selected_bit;
    form.on_delete_selection();
    EXPECT_EQ((*draw)[120].line_mark(), 2 | draw_selected_bit);
    EXPECT_EQ(host.graphs, graphs + 2);

    QTest::mouseClick(form.pen_midi_switch, Qt::LeftButton);
    EXPECT_EQ(host.offs, 1);
    EXPECT_FALSE(form.tool_state().pen_midi);
}

// Each command that edits is one step, and undoing it restores the
// drawing; selecting alone makes no step.
TEST_F(DrawingToolsWindowTest, EditingCommandsAreStepsOfTheHistory) {
    struct Case {
        const char* name;
        QToolButton* DrawingToolsWindow::*mode;
        std::function<void()> command;
        std::size_t steps;
    };
    const Case cases[] = {
        {"select all", &DrawingToolsWindow::pen_select_button,
         [&] { QTest::mouseClick(form.select_all_button, Qt::LeftButton); }, 0},
        {"select all, delete", &DrawingToolsWindow::pen_select_button,
         [&] {
             QTest::mouseClick(form.select_all_button, Qt::LeftButton);
             QTest::mouseClick(form.delete_selection_button, Qt::LeftButton);
         },
         1},
        {"recolour", &DrawingToolsWindow::pen_select_button,
         [&] {
             QTest::mouseClick(form.select_all_button, Qt::LeftButton);
             QTest::mouseClick(form.colour_grid, Qt::LeftButton, {}, QPoint(5, 5));
         },
         1},
        {"line intervals both ways", &DrawingToolsWindow::line_select_button,
         [&] {
             QTest::mouseClick(form.select_all_button, Qt::LeftButton);
             QTest::mouseClick(form.draw_left_line_button, Qt::LeftButton);
             QTest::mouseClick(form.draw_right_line_button, Qt::LeftButton);
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
        EXPECT_EQ(form.undo_button->isEnabled(), c.steps > 0);
        while (history.undo(*draw, channels).moved) {
        }
        reset_draw_select(*draw, host.frames);
        EXPECT_EQ(draw->draw_data, before);
    }
    form.show_history();
    EXPECT_TRUE(form.redo_button->isEnabled());
    QTest::mouseClick(form.undo_button, Qt::LeftButton); // disabled: nothing
    QTest::mouseClick(form.redo_button, Qt::LeftButton);
    EXPECT_EQ(host.undos, 0);
    EXPECT_EQ(host.redos, 1);
}

TEST_F(DrawingToolsWindowTest, KeysArePassedToTheMainWindow) {
    form.show();
    QTest::keyClick(&form, Qt::Key_F2);
    QTest::keyClick(&form, Qt::Key_Delete);
    EXPECT_EQ(host.keys, (std::vector<int>{Qt::Key_F2, Qt::Key_Delete}));
}

// The file buttons hand their command to the open document, and do nothing
// without a recording.
TEST_F(DrawingToolsWindowTest, FileButtonsActOnlyWithARecording) {
    for (int state : {0, 1}) {
        host.state = state;
        form.on_load_drawing();
        form.on_save_drawing();
        EXPECT_EQ(host.loads, state);
        EXPECT_EQ(host.saves, state);
        EXPECT_EQ(host.graphs, 2 * state);
    }
}

// The save button's right-click menu holds "名前を付けて保存", which the
// main window carries out; without a recording it does nothing.
TEST_F(DrawingToolsWindowTest, SaveAsItemAsksTheMainWindow) {
    ASSERT_EQ(form.save_menu->actions().size(), 1);
    EXPECT_EQ(form.save_as_item->text(), text(drawing_texts::save_as));
    host.state = 0;
    form.save_as_item->trigger();
    EXPECT_EQ(host.saves_as, 0);
    host.state = 1;
    form.save_as_item->trigger();
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
