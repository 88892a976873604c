// The main window as it starts: menus, controls, and the sizes the window
// and the graph take for line widths, widths and screens.
#include "app/graph_widget.h"
#include "app/navigation_widgets.h"
#include "app/status_line.h"
#include "app/status_texts.h"
#include "view/time_ruler.h"
#include "view/view_layout.h"
#include "window_test_support.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

namespace pitkad::test {
namespace {

bool data_file_built(const char* name) {
    return fs::exists(data_dir / name);
}

TEST(MainWindowMenus, MenuTitlesInOrder) {
    Window w = make_window();
    const QList<QAction*> menus = w.form->menuBar()->actions();
    const QStringList expected = {"ファイル(&F)", "編集 (&E)", "表示 (&V)", "ズーム (&Z)",
                                  "照合 (&K)", "区間 (&S)", "再生 (&P)", "ライン幅 (&L)", "描画ツール (&D)",
                                  "MIDI (&M)", "ヘルプ(&H)"};
    ASSERT_EQ(menus.size(), expected.size());
    for (qsizetype i = 0; i < menus.size(); ++i)
        EXPECT_EQ(menus[i]->text(), expected[i]) << i;
}

// Every item: caption, enabled and checked at start-up. The data files of
// the build are found beside the test programs, so the items they enable
// are enabled; MIDI settings are enabled because the test port opened.
TEST(MainWindowMenus, ItemsCaptionsAndInitialStates) {
    ASSERT_TRUE(data_file_built("Pitkafont.bmp"));
    ASSERT_TRUE(data_file_built("Pitkacolor.bmp"));
    ASSERT_TRUE(data_file_built("loudness.dat"));
    Window w = make_window();
    MainWindow& f = *w.form;
    struct Item {
        QAction* action;
        const char* caption;
        bool enabled, checkable, checked;
    };
    const Item items[] = {
        {f.menus->open_action, "開く (&O)", true, false, false},
        // No file opened yet: the recent-files submenu is disabled.
        {f.menus->recent_menu->menuAction(), "最近使ったファイル", false, false, false},
        // Saving the drawing elsewhere waits for a recording.
        {f.menus->save_drawing_action, "保存", false, false, false},
        {f.menus->save_drawing_as_action, "名前を付けて保存", false, false, false},
        {f.menus->save_settings_action, "設定を保存 (&S)", true, false, false},
        {f.menus->exit_action, "終了 (&X)", true, false, false},
        // The loudness table loaded: enabled and checked before the settings.
        {f.menus->loudness_action, "ラウドネス補正 (&A)", true, true, true},
        {f.menus->note_colours_action, "音階色別表示 (&C)", true, true, false},
        {f.menus->left_labels_action, "音階表示 - 左 (&L)", true, true, true},
        {f.menus->right_labels_action, "音階表示 - 右 (&R)", true, true, false},
        {f.menus->hint_frequency_action, "周波数 (&F)", true, true, false},
        {f.menus->hint_note_number_action, "ノート番号 (&N)", true, true, false},
        {f.menus->time_in_seconds_action, "時間を秒で表示 (&T)", true, true, false},
        {f.menus->show_drawing_tools_action, "表示 (&V)", true, false, false},
        {f.menus->midi_settings_action, "設定 (&S)", true, false, false},
        {f.menus->support_page_action, "サポートページ (&S)", true, false, false},
        {f.menus->about_action, "バージョン情報 (&A)", true, false, false},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.caption);
        ASSERT_NE(item.action, nullptr);
        EXPECT_EQ(item.action->text(), QString(item.caption));
        EXPECT_EQ(item.action->isEnabled(), item.enabled);
        EXPECT_EQ(item.action->isCheckable(), item.checkable);
        EXPECT_EQ(item.action->isChecked(), item.checked);
    }
}

TEST(MainWindowMenus, NoMidiOutputLeavesTheMidiMenuDisabled) {
    Window w = make_window(1200, false);
    EXPECT_FALSE(w.form->menus->midi_settings_action->isEnabled());
    EXPECT_FALSE(w.form->doc.midi.midi_ok());
}

// The items of each menu in order; null stands for a separator.
TEST(MainWindowMenus, SeparatorsStandWhereTheyBelong) {
    Window w = make_window();
    MainWindow& f = *w.form;
    struct MenuItems {
        QMenu* menu;
        std::vector<QAction*> items;
    };
    const MenuItems menus[] = {
        {f.menus->file_menu,
         {f.menus->open_action, f.menus->recent_menu->menuAction(), f.menus->save_drawing_action,
          f.menus->save_drawing_as_action, nullptr, f.menus->export_midi_action,
          f.menus->import_midi_action, f.menus->export_image_action, f.menus->export_csv_action,
          nullptr, f.menus->save_settings_action, f.menus->exit_action}},
        {f.menus->view_menu,
         {f.menus->loudness_action, f.menus->note_colours_action, nullptr,
          f.menus->left_labels_action, f.menus->right_labels_action, nullptr,
          f.menus->hint_frequency_action, f.menus->hint_note_number_action, nullptr,
          f.menus->time_in_seconds_action, nullptr, f.menus->analysis_channel_menu->menuAction(),
          f.menus->reference_menu->menuAction(), nullptr, f.menus->language_menu->menuAction()}},
        {f.menus->drawing_tools_menu, {f.menus->show_drawing_tools_action}},
        {f.menus->midi_menu, {f.menus->midi_settings_action}},
        {f.menus->help_menu, {f.menus->support_page_action, f.menus->about_action}},
    };
    for (const MenuItems& m : menus) {
        SCOPED_TRACE(m.menu->title().toStdString());
        const QList<QAction*> actions = m.menu->actions();
        ASSERT_EQ(std::size_t(actions.size()), m.items.size());
        for (std::size_t i = 0; i < m.items.size(); ++i) {
            if (m.items[i])
                EXPECT_EQ(actions[qsizetype(i)], m.items[i]) << i;
            else
                EXPECT_TRUE(actions[qsizetype(i)]->isSeparator()) << i;
        }
    }
}

// The line-width items are radio items "4" … "12"; choosing one unchecks
// the others.
TEST(MainWindowMenus, LineWidthItemsAreRadioItems) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    const QList<QAction*> actions = f.menus->line_width_menu->actions();
    ASSERT_EQ(actions.size(), 9);
    for (int n = 4; n <= 12; ++n) {
        QAction* a = f.menus->line_width_actions[std::size_t(n)];
        EXPECT_EQ(actions[n - 4], a);
        EXPECT_EQ(a->text(), QString::number(n));
        EXPECT_TRUE(a->isCheckable());
        EXPECT_EQ(a->isChecked(), n == 12) << n;
    }
    f.menus->line_width_actions[5]->trigger();
    for (int n = 4; n <= 12; ++n)
        EXPECT_EQ(f.menus->line_width_actions[std::size_t(n)]->isChecked(), n == 5) << n;
    EXPECT_EQ(f.doc.view.line_width, 5);
}

TEST(MainWindowControls, CaptionsAndInitialStates) {
    Window w = make_window();
    MainWindow& f = *w.form;
    struct Button {
        QPushButton* button;
        const char* caption;
        bool enabled;
    };
    const Button buttons[] = {
        {f.strip->play_button, "PLAY", false},        {f.strip->stop_button, "STOP", false},
        {f.strip->pause_button, "PAUSE", false},      {f.strip->skip_forward_button, "+5 s", false},
        {f.strip->skip_back_button, "-5 s", false},       {f.strip->skip_back_short_button, "-0.5 s", false},
        {f.strip->scroll_speed_button, "50 pixel/s", true},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.caption);
        EXPECT_EQ(b.button->text(), QString(b.caption));
        EXPECT_EQ(b.button->isEnabled(), b.enabled);
    }
    EXPECT_EQ(f.skip_amounts, (std::array<int, 3>{5000, -5000, -500}));

    struct Slider {
        QSlider* slider;
        int max, value, tick_interval;
        QSlider::TickPosition ticks;
        bool enabled;
    };
    const Slider sliders[] = {
        {f.strip->gain_slider, 100, 40, 10, QSlider::TicksBelow, true},
        {f.strip->colour_slider, 100, 0, 10, QSlider::TicksBelow, true},
        {f.strip->position_slider, 200, 0, 20, QSlider::TicksBothSides, false},
    };
    for (const Slider& s : sliders) {
        SCOPED_TRACE(s.slider->objectName().toStdString());
        EXPECT_EQ(s.slider->minimum(), 0);
        EXPECT_EQ(s.slider->maximum(), s.max);
        EXPECT_EQ(s.slider->value(), s.value);
        EXPECT_EQ(s.slider->tickInterval(), s.tick_interval);
        EXPECT_EQ(s.slider->tickPosition(), s.ticks);
        EXPECT_EQ(s.slider->isEnabled(), s.enabled);
    }
    EXPECT_EQ(f.strip->time_display->text(), QString("0:00.0 / 0:00.0"));
    EXPECT_EQ(f.strip->gain_label->text(), QString("感度"));
    EXPECT_EQ(f.strip->colour_label->text(), QString("色調整"));
    EXPECT_EQ(shown_title(f), QString("PitkaD"));
    EXPECT_EQ(f.play_state(), PlayState::no_recording);
    EXPECT_EQ(f.doc.store.frame_count, 1);
    // The colour sliders redraw from now on.
    EXPECT_FALSE(f.strip->gain_slider->signalsBlocked());
    EXPECT_FALSE(f.strip->colour_slider->signalsBlocked());
}

// Tab moves through the transport buttons, the sliders, then the time display.
// The status bar shows what is in force and follows its changes.
TEST(MainWindowControls, StatusBarFollowsWhatIsInForce) {
    Window w = make_window();
    MainWindow& f = *w.form;
    EXPECT_EQ(f.status_label->text(), status_line_text({100, 0, 0, false, "50 pixel/s", {}, {}, {}}));
    f.practice().speed(75);
    f.practice().transpose(2);
    f.practice().cents(-10);
    f.change_scroll_speed();
    f.on_show_drawing_tools();
    QTest::mouseClick(f.tools_window()->pen_draw_button, Qt::LeftButton);
    EXPECT_EQ(f.status_label->text(),
              QString::fromUtf8("速度 75%  |  移調 +2  |  微調整 -10 セント  |  "
                                "ループ オフ  |  100 pixel/s  |  ペン描画"));
}

TEST(MainWindowControls, TabOrder) {
    Window w = make_window();
    MainWindow& f = *w.form;
    const std::vector<QWidget*> order = {
        f.strip->play_button, f.strip->stop_button, f.strip->pause_button, f.strip->skip_forward_button, f.strip->skip_back_button, f.strip->skip_back_short_button,
        f.strip->position_slider,  f.strip->gain_slider,  f.strip->colour_slider,   f.strip->scroll_speed_button,  f.strip->time_display};
    std::vector<QWidget*> seen;
    QWidget* next = f.strip->play_button;
    for (int guard = 0; guard < 100 && seen.size() < order.size(); ++guard) {
        if (std::find(order.begin(), order.end(), next) != order.end() &&
            std::find(seen.begin(), seen.end(), next) == seen.end())
            seen.push_back(next);
        next = next->nextInFocusChain();
    }
    EXPECT_EQ(seen, order);
}

// Controls stay at the window's bottom edge, the right-hand group at its
// right edge, and the position slider stretches between the two.
TEST(MainWindowControls, AnchoredToBottomAndRight) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    struct Case {
        int line_width, client_width;
    };
    for (const Case c : {Case{4, 796}, Case{12, 1000}}) {
        SCOPED_TRACE(c.line_width);
        f.on_line_width_chosen(c.line_width);
        f.resize(c.client_width, f.height());
        QApplication::processEvents();
        // Client height: ruler, rows and legend, overview, controls.
        const int h = ruler_height + 74 * c.line_width + 29 + overview_height + 67;
        ASSERT_EQ(f.centralWidget()->height(), h);
        EXPECT_EQ(f.strip->play_button->geometry(), QRect(8, h - 62, 60, 25));
        EXPECT_EQ(f.strip->skip_back_short_button->geometry(), QRect(136, h - 32, 60, 25));
        EXPECT_EQ(f.strip->scroll_speed_button->geometry(), QRect(c.client_width - 92, h - 46, 75, 25));
        EXPECT_EQ(f.strip->gain_slider->geometry(), QRect(c.client_width - 276, h - 56, 150, 20));
        EXPECT_EQ(f.strip->position_slider->geometry(), QRect(216, h - 40, 230 + c.client_width - 796, 33));
    }
}

// The no-device note is cut to the room between the time display and the
// sliders, never past it; its tool tip keeps the whole text.
TEST(MainWindowControls, AudioStatusIsCutToItsRoom) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QString full = QString::fromUtf8(status_texts::no_audio_device);
    f.set_audio_status(full);
    struct Case {
        int width;
        bool cut;
    };
    for (const Case c : {Case{592, true}, Case{1000, false}, Case{592, true}}) {
        SCOPED_TRACE(c.width);
        f.resize(c.width, f.height());
        QApplication::processEvents();
        const QLabel& l = *f.strip->audio_status_label;
        EXPECT_EQ(l.text() != full, c.cut) << l.text().toStdString();
        EXPECT_LE(l.fontMetrics().horizontalAdvance(l.text()), l.width());
        EXPECT_EQ(l.toolTip(), full);
    }
}

int client_height_for(int line_width) {
    return ruler_height + 74 * line_width + 29 + overview_height + 67;
}

TEST(MainWindowLayout, GraphIsClientWidthByRowsPlusLegend) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (int lw : {4, 12, 7}) {
        SCOPED_TRACE(lw);
        f.menus->line_width_actions[std::size_t(lw)]->trigger();
        QApplication::processEvents();
        EXPECT_EQ(f.doc.view.line_width, lw);
        EXPECT_TRUE(f.menus->line_width_actions[std::size_t(lw)]->isChecked());
        EXPECT_EQ(f.graph->size(), QSize(f.width(), 74 * lw + 29));
        EXPECT_EQ(f.graph->pos(), QPoint(0, 0));
        EXPECT_EQ(f.graph_view().graph_bitmap.size(), QSize(f.width(), 74 * lw + 29));
        EXPECT_EQ(f.graph_view().screen.size(), f.graph->size());
        // The window height follows: ruler, graph, legend, overview, the
        // control strip and the status bar.
        EXPECT_EQ(f.centralWidget()->height(), client_height_for(lw));
        EXPECT_EQ(f.height(),
                  client_height_for(lw) + f.menuBar()->height() + f.statusBar()->height());
    }
}

// Widths in client terms: at least 592, a multiple of 4, the position
// slider shown from 692 on.
TEST(MainWindowLayout, WidthSnapsAndHidesThePositionSlider) {
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    struct Case {
        int requested, width;
        bool slider;
    };
    const Case cases[] = {
        {695, 692, true},  {691, 688, false},  {692, 692, true}, {500, 592, false},
        {593, 592, false}, {1001, 1000, true}, {796, 796, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        f.resize(c.requested, f.height());
        QApplication::processEvents();
        EXPECT_EQ(f.width(), c.width);
        EXPECT_EQ(f.graph->width(), c.width);
        EXPECT_EQ(f.graph_view().graph_bitmap.width(), c.width);
        EXPECT_EQ(f.strip->position_slider->isVisible(), c.slider);
        // The menu bar keeps to one line, so the client area keeps its height.
        EXPECT_EQ(f.centralWidget()->height(), client_height_for(f.doc.view.line_width));
    }
    // Nor can the height be changed: it follows the line width.
    const int h = f.height();
    f.resize(f.width(), h + 100);
    QApplication::processEvents();
    EXPECT_EQ(f.height(), h);
}

// Rows taller than the screen has room for scroll inside the window, whose
// width stays as it is while the row height changes.
TEST(MainWindowLayout, TallRowsScrollWithinTheScreen) {
    Window w = make_window(768);
    MainWindow& f = *w.form;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.on_line_width_chosen(12);
    QApplication::processEvents();
    const int width = f.width();
    EXPECT_LE(f.height(), 768);
    EXPECT_EQ(f.graph->height(), 74 * 12 + 29);
    EXPECT_LT(f.graph_scroll->height(), f.graph->height());
    for (int steps : {1, -3, 1})
        f.navigator().rows_by(steps); // 13, 10, 11
    QApplication::processEvents();
    EXPECT_EQ(f.doc.view.line_width, 11);
    EXPECT_EQ(f.width(), width);
    EXPECT_FALSE(f.menus->line_width_actions[12]->isChecked());
}

TEST(MainWindowLayout, StartsAtTheDesignWidthAtTheOrigin) {
    Window w = make_window(1200);
    EXPECT_EQ(w.form->width(), initial_client_width);
    EXPECT_EQ(w.form->pos(), QPoint(0, 0));
}

TEST(MainWindowLayout, LineWidthDefaultFromTheScreenHeight) {
    struct Case {
        int screen_height, line_width, highest_enabled;
    };
    const Case cases[] = {{768, 7, 8}, {1101, 11, 12}, {1102, 12, 12}, {510, 4, 5}, {400, 4, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen_height);
        Window w = make_window(c.screen_height);
        MainWindow& f = *w.form;
        EXPECT_EQ(f.doc.view.line_width, c.line_width);
        for (int n = 4; n <= 12; ++n) {
            EXPECT_EQ(f.menus->line_width_actions[std::size_t(n)]->isEnabled(), n <= c.highest_enabled) << n;
            EXPECT_EQ(f.menus->line_width_actions[std::size_t(n)]->isChecked(), n == c.line_width) << n;
        }
        EXPECT_EQ(f.graph->height(), 74 * c.line_width + 29);
    }
}

} // namespace
} // namespace pitkad::test
