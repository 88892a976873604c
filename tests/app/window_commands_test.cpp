// The window's own commands: the scroll and skip buttons, the View items and
// sliders that redraw, the About box, the support page (the manual), and the
// settings carried from one window to the next.
#include "app/manual_page.h"
#include "app/pitka_pmidi.h"
#include "app/settings.h"
#include "base/paths.h"
#include "window_test_support.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QWindow>

#include <algorithm>

namespace pitkad::test {
namespace {

QString s(const fs::path& p) {
    return QString::fromStdString(p.string());
}

TEST(WindowCommands, ScrollButtonCyclesTheSpeed) {
    Window w = make_window();
    TForm1& f = *w.form;
    const struct {
        int speed;
        const char* caption;
    } steps[] = {{2, "100 pixel/s"}, {4, "200 pixel/s"}, {1, "50 pixel/s"}};
    for (const auto& step : steps) {
        QTest::mouseClick(f.ScrollButton, Qt::LeftButton);
        EXPECT_EQ(f.doc.view.scroll_speed, step.speed);
        EXPECT_EQ(f.ScrollButton->text(), QString(step.caption));
    }
}

// A right press on a skip button opens the amounts popup with the button's
// amount marked; the chosen amount becomes its Tag and caption.
TEST(WindowCommands, SkipAmountPopup) {
    Window w = make_window();
    TForm1& f = *w.form;
    struct Case {
        QPushButton* button;
        int which;
        const char* marked_before;
        const char* choice;
        int tag;
        const char* caption;
    };
    const Case cases[] = {
        {f.BackButton1, 1, "5 s", "2 s", -2000, "-2 s"},
        {f.ForwardButton, 0, "5 s", "0.5 s", 500, "+0.5 s"},
        {f.BackButton2, 2, "0.5 s", "50 s", -50000, "-50 s"},
        {f.BackButton1, 1, "2 s", "", -2000, "-2 s"}, // closed without a choice
    };
    // Disabled buttons (no recording) do not react to the press.
    {
        ModalResponder responder;
        QTest::mousePress(f.ForwardButton, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseRelease(f.ForwardButton, Qt::RightButton, {}, QPoint(10, 10));
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
        EXPECT_EQ(f.skip_tag[std::size_t(c.which)], c.tag);
        EXPECT_EQ(c.button->text(), QString(c.caption));
    }
    // A left click does not open the popup.
    ModalResponder responder;
    QTest::mouseClick(f.ForwardButton, Qt::LeftButton);
    EXPECT_TRUE(responder.popup_checked.isEmpty());
}

// View items and colour sliders change the picture of an open recording.
TEST(WindowCommands, ViewSwitchesAndSlidersRedraw) {
    TempDir dir;
    fs::copy_file(data_dir / "demo.wav", dir.path() / "demo.wav");
    Window w = make_window();
    TForm1& f = *w.form;
    ASSERT_TRUE(f.open_recording(s(dir.path() / "demo.wav")));
    const std::vector<float> corrected(f.doc.store.spectrogram.begin(),
                                       f.doc.store.spectrogram.begin() + 200 * cells_per_frame);
    struct Case {
        const char* name;
        std::function<void()> act;
        bool store_changes;
    };
    const Case cases[] = {
        {"sensitivity", [&] { f.TrackBar1->setValue(80); }, false},
        {"colour", [&] { f.TrackBar2->setValue(30); }, false},
        {"left labels off", [&] { f.ShowLeft->trigger(); }, false},
        {"right labels on", [&] { f.ShowRight->trigger(); }, false},
        {"grouping colours", [&] { f.Groupingcolor->trigger(); }, false},
        {"loudness off", [&] { f.Loudness->trigger(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage before = f.graph_view().graph_bitmap.copy();
        c.act();
        EXPECT_NE(f.graph_view().graph_bitmap, before);
        EXPECT_EQ(f.graph_view().screen, f.graph_view().graph_bitmap);
    }
    // Without the correction the store holds other levels.
    EXPECT_FALSE(std::equal(corrected.begin(), corrected.end(), f.doc.store.spectrogram.begin()));
    // A moved slider hands the focus to the time display.
    EXPECT_EQ(f.focusWidget(), f.StaticText1);
}

// The drawing file keeps the instruments and volumes of the drawing
// channels: changing one in the MIDI dialog is an unsaved change.
TEST(WindowCommands, MidiDialogChangesOfDrawingChannelsMarkTheDrawing) {
    Window w = make_window();
    TForm1& f = *w.form;
    struct Case {
        const char* name;
        std::function<void(TForm3&)> act;
        bool modified;
    };
    const Case cases[] = {
        {"nothing changed", [](TForm3&) {}, false},
        {"click channel's program", [](TForm3& d) { d.SpinEdit(1)->setValue(5); }, false},
        {"click channel's volume", [](TForm3& d) { d.TrackBar(1)->setValue(64); }, false},
        {"delay", [](TForm3& d) { d.MidiDelaySpinEdit1->setValue(4); }, false},
        {"channel 1's program", [](TForm3& d) { d.SpinEdit(2)->setValue(40); }, true},
        {"channel 8's program", [](TForm3& d) { d.SpinEdit(9)->setValue(12); }, true},
        {"channel 5's volume", [](TForm3& d) { d.TrackBar(6)->setValue(90); }, true},
        {"changed and back",
         [](TForm3& d) {
             d.SpinEdit(3)->setValue(d.SpinEdit(3)->value() + 1);
             d.SpinEdit(3)->setValue(d.SpinEdit(3)->value() - 1);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.doc.drawing.modified = false;
        TForm3* dialog = f.form3();
        QTimer::singleShot(0, dialog, [&] {
            c.act(*dialog);
            dialog->close();
        });
        f.MidiSetMenuClick();
        EXPECT_EQ(f.doc.drawing.modified, c.modified);
        // An unsaved drawing stays marked whatever the dialog does.
        f.doc.drawing.modified = true;
        QTimer::singleShot(0, dialog, [&] { dialog->close(); });
        f.MidiSetMenuClick();
        EXPECT_TRUE(f.doc.drawing.modified);
    }
}

// Both keep on top; the dialog is transient for the shown tool window, so
// the window manager keeps it above that window even when it is clicked.
TEST(WindowCommands, MidiDialogBelongsToTheShownToolWindow) {
    Window w = make_window();
    TForm1& f = *w.form;
    for (bool tool_shown : {false, true}) {
        SCOPED_TRACE(tool_shown);
        if (tool_shown) f.ShowtoolbarClick();
        TForm3* dialog = f.form3();
        QWindow* parent = nullptr;
        QTimer::singleShot(0, dialog, [&] {
            parent = dialog->windowHandle()->transientParent();
            dialog->close();
        });
        f.MidiSetMenuClick();
        EXPECT_EQ(parent, tool_shown ? f.form2()->windowHandle() : f.windowHandle());
    }
}

TEST(WindowCommands, AboutBoxText) {
    Window w = make_window();
    ModalResponder responder;
    w.form->About1Click();
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
    TForm1 f(std::move(o));
    ModalResponder responder;
    f.SupportPageClick();
    EXPECT_TRUE(opened.endsWith("/manual.html")) << opened.toStdString();
    ASSERT_EQ(responder.seen.size(), 1u);
    EXPECT_TRUE(responder.seen[0].text.endsWith('\n' + opened));
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
        TForm1& f = *w.form;
        ModalResponder responder;
        responder.file_to_choose = s(dir.path() / "tone.wav");
        f.Open1Click();
        ASSERT_EQ(f.play_state(), PlayState::stopped);
        f.LineWClick(6);
        f.ScrollButtonClick();
        f.TrackBar1->setValue(55);
        f.TrackBar2->setValue(20);
        f.ShowRight->trigger();
        f.ShowNote->trigger();
        f.Loudness->trigger();
        f.PopupMenu1Tag = 2;
        f.PopItemClick(2000);
        f.doc.midi.tables.midi_program[0] = 5;
        f.doc.midi.tables.midi_volume[0] = 100;
        f.doc.midi.tables.midi_delay = 7;
        f.resize(900, f.height());
        QApplication::processEvents();
        ASSERT_EQ(f.width(), 900);
        f.SaveiniClick();
    }
    ASSERT_TRUE(fs::exists(fs::path(settings_file_path().toStdString())));

    Window w = make_window(1200, true, true);
    TForm1& f = *w.form;
    EXPECT_EQ(f.doc.view.line_width, 6);
    EXPECT_TRUE(f.LineWItems[6]->isChecked());
    EXPECT_EQ(f.graph->height(), 74 * 6 + 29);
    EXPECT_EQ(f.doc.view.scroll_speed, 2);
    EXPECT_EQ(f.ScrollButton->text(), QString("100 pixel/s"));
    EXPECT_EQ(f.TrackBar1->value(), 55);
    EXPECT_EQ(f.TrackBar2->value(), 20);
    EXPECT_TRUE(f.ShowLeft->isChecked());
    EXPECT_TRUE(f.ShowRight->isChecked());
    EXPECT_TRUE(f.ShowNote->isChecked());
    EXPECT_FALSE(f.ShowFrq->isChecked());
    EXPECT_FALSE(f.Loudness->isChecked());
    EXPECT_EQ(f.skip_tag, (std::array<int, 3>{5000, -5000, -2000}));
    EXPECT_EQ(f.BackButton2->text(), QString("-2 s"));
    EXPECT_EQ(f.doc.midi.tables.midi_program[0], 5);
    EXPECT_EQ(f.doc.midi.tables.midi_volume[0], 100);
    EXPECT_EQ(f.doc.midi.tables.midi_program[1], 0);
    EXPECT_EQ(f.doc.midi.tables.midi_volume[1], 127);
    EXPECT_EQ(f.doc.midi.tables.midi_delay, 7);
    EXPECT_EQ(f.width(), 900);
    EXPECT_EQ(f.open_dialog_dir, s(dir.path()));
    // The colour sliders did not redraw during start-up but do now.
    EXPECT_EQ(f.TrackBar1Tag, 0);
    // Channel 0's program went out at start-up.
    const auto& log = w.midi_log->messages;
    EXPECT_NE(std::find(log.begin(), log.end(), short_message(0xC0, 5, 0)), log.end());
    fs::remove(fs::path(settings_file_path().toStdString()));
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
        // A line width the screen does not offer is still applied.
        {804, 12, 768, 796, true, false},
        {908, 6, 1200, 900, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored_width);
        Settings s;
        s.width = c.stored_width;
        s.line_width = c.line_width;
        s.maximized = c.maximized;
        ASSERT_TRUE(write_settings(path, s));
        Window w = make_window(c.screen, true, true);
        TForm1& f = *w.form;
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        EXPECT_EQ(f.doc.view.line_width, c.line_width);
        EXPECT_TRUE(f.LineWItems[std::size_t(c.line_width)]->isChecked());
        EXPECT_EQ(f.graph->height(), 74 * c.line_width + 29);
        EXPECT_EQ(f.isMaximized(), c.maximized);
        if (c.maximized) {
            EXPECT_EQ(f.normalGeometry().width(), c.client_width);
        } else {
            EXPECT_EQ(f.width(), c.client_width);
            EXPECT_EQ(f.TrackBar3->isVisible(), c.slider);
        }
    }
}

// Saving while maximised stores the normal window's width, and "Maximized".
TEST_F(WindowSettingsFile, SavingWhileMaximisedStoresTheNormalWidth) {
    {
        Window w = make_window();
        TForm1& f = *w.form;
        f.resize(900, f.height());
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        f.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(f.isMaximized());
        f.SaveiniClick();
        EXPECT_TRUE(f.isMaximized());
    }
    const Settings s = read_settings(path, Settings{});
    EXPECT_TRUE(s.maximized);
    EXPECT_EQ(s.width, 908);
}

// A save that fails says so, and names the file.
TEST_F(WindowSettingsFile, FailedSaveIsReported) {
    fs::create_directories(fs::path(path.toStdString())); // a folder where the file belongs
    Window w = make_window();
    ModalResponder responder;
    w.form->SaveiniClick();
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
        w.form->Open1Click();
        ASSERT_EQ(responder.seen.size(), 1u);
        EXPECT_EQ(w.form->play_state(), PlayState::no_recording);
        w.form->SaveiniClick();
    }
    EXPECT_EQ(read_settings(path, Settings{}).default_dir, s(dir.path() / "sub"));
}

} // namespace
} // namespace pitkad::test
