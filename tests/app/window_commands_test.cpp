// The window's own commands: the scroll and skip buttons, the View items and
// sliders that redraw, the About box, the support page (the manual), and the
// settings carried from one window to the next.
#include "app/manual_page.h"
#include "app/midi_settings_dialog.h"
#include "app/window_placement.h"
#include "base/paths.h"
#include "control/settings_file.h"
#include "control/view_navigation.h"
#include "window_test_support.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <sys/stat.h>

namespace pitkad::test {
namespace {

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

TEST(WindowCommands, ScrollButtonCyclesTheSpeed) {
    Window w = make_window();
    MainWindow& f = *w.form;
    const struct {
        int speed;
        const char* caption;
    } steps[] = {{2, "100 pixel/s"}, {4, "200 pixel/s"}, {1, "50 pixel/s"}};
    for (const auto& step : steps) {
        QTest::mouseClick(f.strip->scroll_speed_button, Qt::LeftButton);
        EXPECT_EQ(f.doc.view.scroll_speed, step.speed);
        EXPECT_EQ(f.strip->scroll_speed_button->text(), QString(step.caption));
    }
}

// A right press on a skip button opens the amounts popup with the button's
// amount marked; the chosen amount becomes its amount and caption.
TEST(WindowCommands, SkipAmountPopup) {
    Window w = make_window();
    MainWindow& f = *w.form;
    struct Case {
        QPushButton* button;
        int which;
        const char* marked_before;
        const char* choice;
        int tag;
        const char* caption;
    };
    const Case cases[] = {
        {f.strip->skip_back_button, 1, "5 s", "2 s", -2000, "-2 s"},
        {f.strip->skip_forward_button, 0, "5 s", "0.5 s", 500, "+0.5 s"},
        {f.strip->skip_back_short_button, 2, "0.5 s", "50 s", -50000, "-50 s"},
        {f.strip->skip_back_button, 1, "2 s", "", -2000, "-2 s"}, // closed without a choice
    };
    // Disabled buttons (no recording) do not react to the press.
    {
        ModalResponder responder;
        QTest::mousePress(f.strip->skip_forward_button, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseRelease(f.strip->skip_forward_button, Qt::RightButton, {}, QPoint(10, 10));
        EXPECT_TRUE(responder.popup_checked.isEmpty());
    }
    f.set_transport_enabled(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        ModalResponder responder;
        responder.popup_choice = c.choice;
        QTest::mousePress(c.button, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseRelease(c.button, Qt::RightButton, {}, QPoint(10, 10));
        ASSERT_EQ(responder.popup_checked.size(), 1)
            << responder.popup_checked.join("/").toStdString();
        EXPECT_EQ(responder.popup_checked[0], QString(c.marked_before));
        EXPECT_EQ(f.skip_amounts[std::size_t(c.which)], c.tag);
        EXPECT_EQ(c.button->text(), QString(c.caption));
    }
    // A left click does not open the popup.
    ModalResponder responder;
    QTest::mouseClick(f.strip->skip_forward_button, Qt::LeftButton);
    EXPECT_TRUE(responder.popup_checked.isEmpty());
}

// View items and colour sliders change the picture of an open recording.
TEST(WindowCommands, ViewSwitchesAndSlidersRedraw) {
    TempDir dir;
    fs::copy_file(data_dir / "demo.wav", dir.path() / "demo.wav");
    Window w = make_window();
    MainWindow& f = *w.form;
    ASSERT_TRUE(f.open_recording(s(dir.path() / "demo.wav")));
    const std::vector<float> corrected(f.doc.store.spectrogram.begin(),
                                       f.doc.store.spectrogram.begin() + 200 * cells_per_frame);
    struct Case {
        const char* name;
        std::function<void()> act;
        bool store_changes;
    };
    const Case cases[] = {
        {"sensitivity", [&] { f.strip->gain_slider->setValue(80); }, false},
        {"colour", [&] { f.strip->colour_slider->setValue(30); }, false},
        {"left labels off", [&] { f.menus->left_labels_action->trigger(); }, false},
        {"right labels on", [&] { f.menus->right_labels_action->trigger(); }, false},
        {"grouping colours", [&] { f.menus->note_colours_action->trigger(); }, false},
        {"loudness off", [&] { f.menus->loudness_action->trigger(); }, true},
    };
    // What the graph paints: the picture, and the note labels over it.
    const auto painted = [&] { return f.graph->grab().toImage(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage before = painted();
        c.act();
        EXPECT_NE(painted(), before);
        EXPECT_EQ(f.graph_view().screen, f.graph_view().graph_bitmap);
    }
    // Without the correction the store holds other levels.
    EXPECT_FALSE(std::equal(corrected.begin(), corrected.end(), f.doc.store.spectrogram.begin()));
    // A moved slider hands the focus to the time display.
    EXPECT_EQ(f.focusWidget(), f.strip->time_display);
}

// While stopped, the overview, Home and End move the view and the play start;
// Ctrl+wheel zooms in time around the pointer.
TEST(WindowCommands, OverviewHomeEndAndWheelZoom) {
    TempDir dir;
    fs::copy_file(data_dir / "demo.wav", dir.path() / "demo.wav");
    Window w = make_window(1200);
    MainWindow& f = *w.form;
    ASSERT_TRUE(f.open_recording(s(dir.path() / "demo.wav")));
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const int frames = f.doc.store.frame_count;
    QTest::mouseClick(f.overview, Qt::LeftButton, {}, QPoint(f.overview->width() / 2, 10));
    EXPECT_NEAR(f.transport().start_mark(), frames / 2, frames / f.overview->width() + 1);
    EXPECT_EQ(f.doc.view.first_frame, f.transport().start_mark());
    f.menus->end_action->trigger();
    const int last = last_page_frame(f.doc.view, frames, f.graph_view().graph_bitmap.width());
    EXPECT_EQ(std::pair(f.doc.view.first_frame, f.transport().start_mark()), std::pair(last, last));
    f.menus->home_action->trigger();
    EXPECT_EQ(std::pair(f.doc.view.first_frame, f.transport().start_mark()), std::pair(0, 0));

    const int under = f.doc.view.x_to_frame(400);
    QWheelEvent turn(QPointF(400, 50), f.graph->mapToGlobal(QPointF(400, 50)), {}, QPoint(0, 240),
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.graph, &turn);
    EXPECT_EQ(f.doc.view.zoom_in_force(), 78125); // two notches: 1.25² × 50 pixel/s
    EXPECT_NEAR(f.doc.view.x_to_frame(400), under, 1);
    EXPECT_EQ(f.strip->scroll_speed_button->text(), "78 pixel/s");
}

// The drawing file keeps the instruments and volumes of the drawing
// channels: changing one in the MIDI dialog is an unsaved change.
TEST(WindowCommands, MidiDialogChangesOfDrawingChannelsMarkTheDrawing) {
    Window w = make_window();
    MainWindow& f = *w.form;
    struct Case {
        const char* name;
        std::function<void(MidiSettingsDialog&)> act;
        bool modified;
    };
    const Case cases[] = {
        {"nothing changed", [](MidiSettingsDialog&) {}, false},
        {"click channel's program", [](MidiSettingsDialog& d) { d.program_edit(1)->setValue(5); },
         false},
        {"click channel's volume", [](MidiSettingsDialog& d) { d.volume_slider(1)->setValue(64); },
         false},
        {"delay", [](MidiSettingsDialog& d) { d.delay_edit->setValue(4); }, false},
        {"channel 1's program", [](MidiSettingsDialog& d) { d.program_edit(2)->setValue(40); },
         true},
        {"channel 8's program", [](MidiSettingsDialog& d) { d.program_edit(9)->setValue(12); },
         true},
        {"channel 5's volume", [](MidiSettingsDialog& d) { d.volume_slider(6)->setValue(90); },
         true},
        {"changed and back",
         [](MidiSettingsDialog& d) {
             d.program_edit(3)->setValue(d.program_edit(3)->value() + 1);
             d.program_edit(3)->setValue(d.program_edit(3)->value() - 1);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.doc.drawing.modified = false;
        MidiSettingsDialog* dialog = f.midi_dialog();
        QTimer::singleShot(0, dialog, [&] {
            c.act(*dialog);
            dialog->close();
        });
        f.on_midi_settings();
        EXPECT_EQ(f.doc.drawing.modified, c.modified);
        // An unsaved drawing stays marked whatever the dialog does.
        f.doc.drawing.modified = true;
        QTimer::singleShot(0, dialog, [&] { dialog->close(); });
        f.on_midi_settings();
        EXPECT_TRUE(f.doc.drawing.modified);
    }
}

// Both keep on top; the dialog is transient for the shown tool window, so
// the window manager keeps it above that window even when it is clicked.
TEST(WindowCommands, MidiDialogBelongsToTheShownToolWindow) {
    Window w = make_window();
    MainWindow& f = *w.form;
    for (bool tool_shown : {false, true}) {
        SCOPED_TRACE(tool_shown);
        if (tool_shown) f.on_show_drawing_tools();
        MidiSettingsDialog* dialog = f.midi_dialog();
        QWindow* parent = nullptr;
        QTimer::singleShot(0, dialog, [&] {
            parent = dialog->windowHandle()->transientParent();
            dialog->close();
        });
        f.on_midi_settings();
        EXPECT_EQ(parent, tool_shown ? f.tools_window()->windowHandle() : f.windowHandle());
    }
}

TEST(WindowCommands, AboutBoxText) {
    Window w = make_window();
    ModalResponder responder;
    w.form->on_about();
    ASSERT_EQ(responder.seen.size(), 1u);
    const QStringList lines = responder.seen[0].text.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("PitkaD  Ver.1.00  ")) << lines[0].toStdString();
    EXPECT_GT(lines[0].size(), QString("PitkaD  Ver.1.00  ").size());
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_EQ(responder.seen[0].title, QString("PitkaD"));
}

// The manual of the language asked for; the Japanese one where that
// language's is missing.
TEST(WindowCommands, ManualOfTheLanguageFallsBackToTheJapaneseOne) {
    struct Case {
        std::vector<std::string> shipped;
        Language language;
        fs::path expected;
    };
    const Case cases[] = {
        {{"manual.html", "manual_en.html"}, Language::english, "/d/manual_en.html"},
        {{"manual.html", "manual_en.html"}, Language::japanese, "/d/manual.html"},
        {{"manual.html"}, Language::english, "/d/manual.html"},
        {{}, Language::english, installed_data_dir() / "manual.html"},
    };
    for (const Case& c : cases) {
        const auto find = [&](const std::string& name) {
            return std::ranges::count(c.shipped, name) ? fs::path("/d") / name : fs::path();
        };
        EXPECT_EQ(manual_file(c.language, find), c.expected) << c.shipped.size();
    }
}

// Without a browser the support page says where the manual is.
TEST(WindowCommands, SupportPageWithoutBrowserShowsTheManualsPath) {
    QString opened;
    StartOptions o;
    o.audio = std::make_unique<SteppedOutput>();
    o.midi = []() -> std::unique_ptr<MidiBackend> { return nullptr; };
    o.read_settings = false;
    o.open_url = [&](const QUrl& url) {
        opened = url.toLocalFile();
        return false;
    };
    MainWindow f(std::move(o));
    ModalResponder responder;
    f.on_support_page();
    EXPECT_TRUE(opened.endsWith("/manual.html")) << opened.toStdString();
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_TRUE(responder.seen[0].text.endsWith('\n' + opened));
}

// The desktop's opener starts even with no browser installed: only its exit
// status tells whether the page was shown.
TEST(WindowCommands, TheOpenersStatusDecidesWhetherTheManualsPathIsShown) {
    const struct {
        const char* program;
        bool fails;
    } cases[] = {{"true", false}, {"false", true}, {"/nonexistent/opener", true}};
    for (const auto& c : cases) {
        QObject context;
        int failures = 0;
        open_in_browser(c.program, QUrl("file:///manual.html"), &context, [&] { ++failures; });
        // A failure comes within the bound; a success leaves it unanswered.
        (void)QTest::qWaitFor([&] { return failures > 0; }, c.fails ? 5000 : 500);
        EXPECT_EQ(failures, c.fails ? 1 : 0) << c.program;
    }
}

// What "設定を保存 (&S)" stores, the next window starts with.
TEST(WindowCommands, SavedSettingsComeBackInTheNextWindow) {
    if (fs::exists(executable_dir() / "PitkaD.ini"))
        GTEST_SKIP() << "a portable settings file beside the tests takes precedence";
    TempDir dir;
    fs::remove(fs::path(settings_file_path().toStdString()));
    small_recording(dir.path(), "tone.wav", 1);
    {
        Window w = make_window();
        MainWindow& f = *w.form;
        ModalResponder responder;
        responder.file_to_choose = s(dir.path() / "tone.wav");
        f.on_open();
        ASSERT_EQ(f.play_state(), PlayState::stopped);
        f.on_line_width_chosen(6);
        f.change_scroll_speed();
        f.strip->gain_slider->setValue(55);
        f.strip->colour_slider->setValue(20);
        f.menus->right_labels_action->trigger();
        f.menus->hint_note_number_action->trigger();
        f.menus->loudness_action->trigger();
        f.on_skip_amount_chosen(2, 2000);
        f.doc.channel_settings.program[0] = 5;
        f.doc.channel_settings.volume[0] = 100;
        f.doc.channel_settings.delay = 7;
        f.resize(720, f.height());
        QApplication::processEvents();
        ASSERT_EQ(f.width(), 720);
        f.on_save_settings();
    }
    ASSERT_TRUE(fs::exists(fs::path(settings_file_path().toStdString())));

    Window w = make_window(1200, true, true);
    MainWindow& f = *w.form;
    EXPECT_EQ(f.doc.view.line_width, 6);
    EXPECT_TRUE(f.menus->line_width_actions[6]->isChecked());
    EXPECT_EQ(f.graph->height(), 74 * 6 + 29);
    EXPECT_EQ(f.doc.view.scroll_speed, 2);
    EXPECT_EQ(f.strip->scroll_speed_button->text(), QString("100 pixel/s"));
    EXPECT_EQ(f.strip->gain_slider->value(), 55);
    EXPECT_EQ(f.strip->colour_slider->value(), 20);
    EXPECT_TRUE(f.menus->left_labels_action->isChecked());
    EXPECT_TRUE(f.menus->right_labels_action->isChecked());
    EXPECT_TRUE(f.menus->hint_note_number_action->isChecked());
    EXPECT_FALSE(f.menus->hint_frequency_action->isChecked());
    EXPECT_FALSE(f.menus->loudness_action->isChecked());
    EXPECT_EQ(f.skip_amounts, (std::array<int, 3>{5000, -5000, -2000}));
    EXPECT_EQ(f.strip->skip_back_short_button->text(), QString("-2 s"));
    EXPECT_EQ(f.doc.channel_settings.program[0], 5);
    EXPECT_EQ(f.doc.channel_settings.volume[0], 100);
    EXPECT_EQ(f.doc.channel_settings.program[1], 0);
    EXPECT_EQ(f.doc.channel_settings.volume[1], 127);
    EXPECT_EQ(f.doc.channel_settings.delay, 7);
    EXPECT_EQ(f.width(), 720);
    EXPECT_EQ(f.opener().open_dialog_dir, s(dir.path()));
    // The colour sliders did not redraw during start-up but do now.
    EXPECT_FALSE(f.strip->gain_slider->signalsBlocked());
    // Channel 0's program went out at start-up.
    const auto& log = w.midi_log->messages;
    EXPECT_NE(std::find(log.begin(), log.end(), short_message(0xC0, 5, 0)), log.end());
    fs::remove(fs::path(settings_file_path().toStdString()));
}

// A settings file that is there but cannot be read (here a pipe, which is
// never waited for) is told about, not silently replaced by the defaults.
TEST(WindowCommands, UnreadableSettingsAreTold) {
    const fs::path ini = settings_file_path().toStdString();
    if (fs::exists(executable_dir() / "PitkaD.ini"))
        GTEST_SKIP() << "a portable settings file beside the tests takes precedence";
    fs::remove(ini);
    fs::create_directories(ini.parent_path());
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    ModalResponder responder;
    {
        Window w = make_window(1200, true, true);
        QTest::qWait(50);
    }
    fs::remove(ini);
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_TRUE(responder.seen[0].text.endsWith(QString::fromUtf8("既定の設定で始めます")))
        << responder.seen[0].text.toStdString();
}

} // namespace
} // namespace pitkad::test

namespace pitkad::test {
namespace {

// Settings files written beforehand, read by a new window.
class WindowSettingsFile : public SettingsFileTest {};

// Stored widths are outer widths, 8 more than the client area.
TEST_F(WindowSettingsFile, StoredPlacementAndLineWidth) {
    struct Case {
        int stored_width, line_width, screen;
        int client_width;
        bool slider;
        bool maximized;
    };
    const Case cases[] = {
        {703, 4, 1200, 692, true, false},
        {699, 4, 1200, 688, false, false},
        {500, 4, 1200, 592, false, false},
        // A line width the screen does not offer is still applied; the
        // graph scrolls, with its scroll bar within the stored width.
        {804, 12, 768, 796, true, false},
        {788, 6, 1200, 780, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored_width);
        Settings s;
        s.width = c.stored_width;
        s.line_width = c.line_width;
        s.maximized = c.maximized;
        ASSERT_TRUE(SettingsFile(path).save(s));
        Window w = make_window(c.screen, true, true);
        MainWindow& f = *w.form;
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        EXPECT_EQ(f.doc.view.line_width, c.line_width);
        EXPECT_TRUE(f.menus->line_width_actions[std::size_t(c.line_width)]->isChecked());
        EXPECT_EQ(f.graph->height(), 74 * c.line_width + 29);
        EXPECT_EQ(f.isMaximized(), c.maximized);
        if (c.maximized) {
            EXPECT_EQ(f.normalGeometry().width(), c.client_width);
        } else {
            const int bar = f.graph_scroll->verticalScrollBar()->isVisible()
                                ? f.graph_scroll->verticalScrollBar()->width()
                                : 0;
            EXPECT_EQ(bar > 0, c.screen < 1000);
            EXPECT_EQ(f.graph->width(), (c.client_width - bar) / 4 * 4);
            EXPECT_LE(f.frameGeometry().height(), c.screen);
            EXPECT_EQ(f.strip->position_slider->isVisible(), c.slider);
        }
    }
}

// A place and width from the settings file that no screen holds come back
// onto the screen, no wider than it.
TEST_F(WindowSettingsFile, AStoredPlaceOffTheScreensIsFittedToThem) {
    Settings s;
    s.width = s.left = s.top = 32767;
    ASSERT_TRUE(SettingsFile(path).save(s));
    Window w = make_window(1200, true, true);
    const QRect screen = available_screens().front();
    EXPECT_LE(w.form->frameGeometry().width(), screen.width());
    EXPECT_TRUE(screen.contains(w.form->frameGeometry().topLeft()));
}

// Saving while maximised stores the normal window's width, and "Maximized".
TEST_F(WindowSettingsFile, SavingWhileMaximisedStoresTheNormalWidth) {
    {
        Window w = make_window();
        MainWindow& f = *w.form;
        f.resize(900, f.height());
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        f.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(f.isMaximized());
        f.on_save_settings();
        EXPECT_TRUE(f.isMaximized());
    }
    const Settings s = SettingsFile(path).settings(Settings{});
    EXPECT_TRUE(s.maximized);
    EXPECT_EQ(s.width, 908);
}

// A save that fails says so, and names the file.
TEST_F(WindowSettingsFile, FailedSaveIsReported) {
    fs::create_directories(fs::path(path.toStdString())); // a folder where the file belongs
    Window w = make_window();
    ModalResponder responder;
    w.form->on_save_settings();
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_EQ(responder.seen[0].text, path + "  に書けません");
    EXPECT_TRUE(fs::is_directory(fs::path(path.toStdString())));
}

// The folder of the file last chosen in the open dialog is stored, even
// when that file then failed to open.
TEST_F(WindowSettingsFile, DefaultDirIsTheLastChosenFolder) {
    TempDir dir;
    fs::create_directories(dir.path() / "sub");
    std::ofstream(dir.path() / "sub/broken.wav") << "not a recording";
    {
        Window w = make_window();
        ModalResponder responder;
        responder.file_to_choose = s(dir.path() / "sub/broken.wav");
        w.form->on_open();
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_EQ(w.form->play_state(), PlayState::no_recording);
        w.form->on_save_settings();
    }
    EXPECT_EQ(SettingsFile(path).settings(Settings{}).default_dir, s(dir.path() / "sub"));
}

} // namespace
} // namespace pitkad::test
