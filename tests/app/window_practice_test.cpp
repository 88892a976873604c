// The practice tools in the window: the 再生 menu, the keys, the settings
// file and the command line, on the stepped clock.
#include "app/practice_texts.h"
#include "app/window_args.h"
#include "window_test_support.h"

#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>

namespace pitkad::test {
namespace {

class WindowPractice : public ::testing::Test {
  protected:
    // A four-second recording (200 frames) at 44.1 kHz.
    void open_recording() {
        wav = small_recording(dir.path(), "tone.wav", 4);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
    }
    void activate() {
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    void key(int k) { QTest::keyClick(f.windowHandle(), Qt::Key(k)); }

    TempDir dir;
    fs::path wav;
    Window w = make_window();
    MainWindow& f = *w.form;
};

// At 50 % two seconds of the clock play one second of the recording.
TEST_F(WindowPractice, HalfSpeedFromTheMenu) {
    open_recording();
    f.practice_tools().speed_actions[1]->trigger(); // 50 %
    EXPECT_EQ(f.practice_tools().speed_edit->value(), 50);
    f.practice_tools().play_from_start_action->trigger();
    ASSERT_EQ(f.play_state(), PlayState::playing);
    EXPECT_DOUBLE_EQ(f.player().practice().speed, 0.5);
    w.clock->advance_ms(2000);
    EXPECT_EQ(f.player().position(), 1000);
    f.practice_tools().normal_speed_action->trigger();
    w.clock->advance_ms(1000);
    EXPECT_EQ(f.player().position(), 2000);
    f.practice_tools().stop_action->trigger();
    EXPECT_EQ(f.play_state(), PlayState::stopped);
}

// The speed, pitch and loop keys reach the player; a key that ran is kept
// from the focused slider.
TEST_F(WindowPractice, KeysDriveThePlayer) {
    open_recording();
    activate();
    f.strip->position_slider->setFocus();
    struct Step {
        int key;
        int percent, semitones;
    };
    const Step steps[] = {{Qt::Key_Minus, 95, 0},   {Qt::Key_Minus, 90, 0},
                          {Qt::Key_Plus, 95, 0},    {Qt::Key_0, 100, 0},
                          {Qt::Key_Period, 100, 1}, {Qt::Key_Comma, 100, 0},
                          {Qt::Key_Comma, 100, -1}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.key);
        key(s.key);
        EXPECT_EQ(speed_percent(f.player().practice()), s.percent);
        EXPECT_EQ(f.player().practice().semitones, s.semitones);
        EXPECT_EQ(f.strip->position_slider->value(), 0);
    }
    f.on_play();
    w.clock->advance_ms(1000);
    key(Qt::Key_BracketLeft);
    w.clock->advance_ms(1000);
    key(Qt::Key_BracketRight);
    EXPECT_EQ(f.doc.practice_loop, (LoopMs{1000, 2000}));
    EXPECT_EQ(f.player().practice().loop, (LoopRange{44100, 88200}));
    EXPECT_EQ(f.player().position(), 1000); // the loop starts over at once
    w.clock->advance_ms(1500);              // round the loop: 2.5 s is 1.5 s
    EXPECT_EQ(f.player().position(), 1500);
    key(Qt::Key_Backslash);
    EXPECT_FALSE(f.player().practice().loop.active());
    f.doc.drawing[25].line_mark() = 1;
    f.doc.drawing[150].line_mark() = 1;
    key(Qt::Key_L);
    EXPECT_EQ(f.doc.practice_loop, (LoopMs{500, 3000}));
    f.on_stop();
}

// Space plays from where the view was browsed to, or the clicked column,
// then pauses and resumes; P still plays from the start.
TEST_F(WindowPractice, SpacePlaysFromTheBrowsedPosition) {
    open_recording();
    activate();
    f.strip->position_slider->setValue(100); // browsed to frame 100
    key(Qt::Key_Space);
    ASSERT_EQ(f.play_state(), PlayState::playing);
    EXPECT_EQ(f.player().position(), 2000);
    // The focus is on PAUSE now: Space toggles once, not twice.
    key(Qt::Key_Space);
    EXPECT_EQ(f.play_state(), PlayState::paused);
    key(Qt::Key_Space);
    EXPECT_EQ(f.play_state(), PlayState::playing);
    key(Qt::Key_P);
    EXPECT_EQ(f.player().position(), 0);
    f.on_stop();

    const QPoint column(30 * f.doc.view.scroll_speed, 5);
    QTest::mouseClick(f.graph, Qt::LeftButton, {}, column);
    key(Qt::Key_Space);
    EXPECT_EQ(f.player().position(), 30 * frame_ms);
    f.on_stop();
}

// Opening a recording clears the loop and the focus, not the speed.
TEST_F(WindowPractice, OpenClearsLoopAndFocus) {
    open_recording();
    f.practice().speed(80);
    f.practice_tools().focus_actions[1]->trigger();
    f.on_play();
    f.practice().loop_end();
    w.clock->advance_ms(1000);
    f.practice().loop_end();
    ASSERT_TRUE(f.player().practice().loop.active());
    ASSERT_TRUE(f.player().practice().focused());
    ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
    EXPECT_FALSE(f.player().practice().loop.active());
    EXPECT_FALSE(f.player().practice().focused());
    EXPECT_EQ(f.doc.practice_loop, LoopMs{});
    EXPECT_EQ(speed_percent(f.player().practice()), 80);
}

TEST_F(WindowPractice, PanelShowsAndSets) {
    activate();
    f.on_line_width_chosen(10); // rows that leave the screen room for the panel
    const int height = f.height();
    f.practice_tools().show_panel_action->trigger();
    EXPECT_TRUE(f.practice_tools().panel->isVisible());
    EXPECT_EQ(f.height(), height + f.practice_tools().panel->height());
    f.practice_tools().cents_edit->setValue(-20);
    EXPECT_EQ(f.player().practice().cents, -20);
    f.practice_tools().channel_actions[4]->trigger();
    EXPECT_EQ(f.practice_tools().channel_box->currentIndex(), 4);
    EXPECT_EQ(f.player().practice().channels, ChannelMode::centre_removed);
    f.practice_tools().show_panel_action->trigger();
    EXPECT_FALSE(f.practice_tools().panel->isVisible());
    EXPECT_EQ(f.height(), height);
}

// The practice choices go through the settings file; the loop and the
// focus do not.
TEST_F(WindowPractice, SettingsRoundTrip) {
    f.practice().speed(70);
    f.practice().transpose(-2);
    f.practice().cents(15);
    f.practice_tools().engine_actions[1]->trigger();
    f.practice_tools().loop_pause_actions[3]->trigger();
    f.practice_tools().channel_actions[3]->trigger();
    f.practice_tools().focus_actions[2]->trigger();
    const Settings s = f.current_settings();
    EXPECT_EQ(s.speed, 70);
    EXPECT_EQ(s.loop_pause, 2000);
    Window other = make_window();
    other.form->apply_settings(s);
    PracticeSettings want = f.doc.practice;
    want = with_focus(want, FocusPreset::off);
    EXPECT_EQ(other.form->player().practice(), want);
    EXPECT_TRUE(other.form->practice_tools().engine_actions[1]->isChecked());
}

TEST_F(WindowPractice, CommandLineOptionsAreInForce) {
    wav = small_recording(dir.path(), "tone.wav", 4);
    const auto args = parse_window_args({QString::fromStdString(wav.string()), "--speed", "60",
                                         "--transpose", "-3", "--cents", "10", "--loop", "1.5-3"});
    ASSERT_TRUE(args);
    f.open_from_command_line(*args);
    ASSERT_EQ(f.play_state(), PlayState::stopped);
    const PracticeSettings& p = f.player().practice();
    EXPECT_EQ(speed_percent(p), 60);
    EXPECT_EQ(p.semitones, -3);
    EXPECT_EQ(p.cents, 10);
    EXPECT_EQ(p.loop, (LoopRange{66150, 132300}));
}

TEST(WindowArgs, Parsing) {
    struct Case {
        QStringList args;
        bool ok;
    };
    const Case cases[] = {
        {{}, true},
        {{"a.wav"}, true},
        {{"a.wav", "--speed", "25"}, true},
        {{"a.wav", "--speed", "24"}, false},
        {{"a.wav", "--speed", "201"}, false},
        {{"a.wav", "--speed"}, false},
        {{"--transpose", "12", "a.wav"}, true},
        {{"--transpose", "-13"}, false},
        {{"--cents", "-50"}, true},
        {{"--cents", "51"}, false},
        {{"--loop", "12.5-16"}, true},
        {{"--loop", "16-12.5"}, false},
        {{"--loop", "12.5"}, false},
        {{"--loop", "a-b"}, false},
        {{"--bogus", "1"}, false},
        {{"a.wav", "b.wav"}, false},
        {{"--lang", "en"}, true},
        {{"--lang", "fr"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(parse_window_args(c.args).has_value(), c.ok);
    }
    EXPECT_EQ(parse_window_args({"--loop", "12.5-16"})->loop, (LoopMs{12500, 16000}));
    EXPECT_EQ(parse_window_args({"--lang", "ja"})->language, Language::japanese);
}

} // namespace
} // namespace pitkad::test
