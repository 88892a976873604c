// The window while a recording plays, what its graph paints, its pointer
// hint, and closing with notes sounding.
#include "app/drawing_tools_window.h"
#include "window_test_support.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

namespace pitkad::test {
namespace {

class WindowPlayback : public ::testing::Test {
  protected:
    // A four-second recording (200 frames).
    void open_recording() {
        const fs::path wav = small_recording(dir.path(), "tone.wav", 4);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
        ASSERT_EQ(f.doc.store.frame_count, 200);
    }
    // Lets the playback thread's ticks run until the display shows `text`
    // (bounded far beyond any loaded machine's delay).
    bool wait_for_time_text(const QString& text) {
        return QTest::qWaitFor([&] { return f.strip->time_display->text() == text; }, 60000);
    }

    TempDir dir;
    Window w = make_window();
    MainWindow& f = *w.form;
};

// The time display and the position slider follow the player's clock.
TEST_F(WindowPlayback, TimeDisplayAndPositionFollowThePlayer) {
    open_recording();
    f.on_play();
    ASSERT_EQ(f.play_state(), PlayState::playing);
    struct Step {
        double advance_ms;
        const char* text;
        int slider; // frame × 200 / frame_count
    };
    const Step steps[] = {{1000, "0:01.0 / 0:04.0", 50},
                          {1500, "0:02.5 / 0:04.0", 125},
                          {240, "0:02.7 / 0:04.0", 137}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        w.clock->advance_ms(s.advance_ms);
        EXPECT_TRUE(wait_for_time_text(s.text)) << f.strip->time_display->text().toStdString();
        EXPECT_NEAR(f.strip->position_slider->value(), s.slider, 1);
    }
    f.on_pause();
    EXPECT_EQ(f.play_state(), PlayState::paused);
    f.on_stop();
    EXPECT_EQ(f.play_state(), PlayState::stopped);
    EXPECT_EQ(f.strip->time_display->text(), QString("0:00.0 / 0:04.0"));
    EXPECT_FALSE(f.transport().thread_running());
}

// Opening another recording while one plays stops it first.
TEST_F(WindowPlayback, OpeningStopsThePlayback) {
    open_recording();
    f.on_play();
    w.clock->advance_ms(500);
    ASSERT_TRUE(wait_for_time_text("0:00.5 / 0:04.0"));
    ASSERT_TRUE(f.open_recording(QString::fromStdString((dir.path() / "tone.wav").string())));
    EXPECT_EQ(f.play_state(), PlayState::stopped);
    EXPECT_FALSE(f.transport().thread_running());
    EXPECT_EQ(f.strip->time_display->text(), QString("0:00.0 / 0:04.0"));
}

// Keeps the messages in a log that outlives the port (closing the port
// releases its backend).
class SharedLogBackend final : public MidiBackend {
  public:
    explicit SharedLogBackend(std::shared_ptr<std::vector<std::uint32_t>> log)
        : log_(std::move(log)) {}
    void send(std::uint32_t message) override { log_->push_back(message); }

  private:
    std::shared_ptr<std::vector<std::uint32_t>> log_;
};

// Closing with a note held and the recording playing ends the playback,
// silences the note and closes the MIDI output.
TEST(WindowClosing, StopsAndSilences) {
    TempDir dir;
    small_recording(dir.path(), "tone.wav", 1);
    auto log = std::make_shared<std::vector<std::uint32_t>>();
    StartOptions o;
    o.audio = std::make_unique<SteppedOutput>();
    o.midi = [log] { return std::make_unique<SharedLogBackend>(log); };
    o.screen_height = 1200;
    o.read_settings = false;
    MainWindow f(std::move(o));
    ASSERT_TRUE(f.open_recording(QString::fromStdString((dir.path() / "tone.wav").string())));
    f.show();
    f.on_play();
    const QPoint row(50, (75 - 50) * 12 + 3);
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(row), f.graph->mapToGlobal(QPointF(row)),
                     Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(f.graph, &down);
    ASSERT_EQ(log->back(), short_message(0x90, 83, 127));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(f.play_state(), PlayState::no_recording);
    EXPECT_FALSE(f.transport().thread_running());
    EXPECT_EQ(log->back(), short_message(0x80, 83, 0));
    EXPECT_FALSE(f.doc.midi.midi_ok());
}

// What the graph paints is the renderer's picture, and the note labels as
// text over it.
TEST_F(WindowPlayback, GraphPaintsTheRenderedPicture) {
    fs::copy_file(data_dir / "demo.wav", dir.path() / "demo.wav");
    ASSERT_TRUE(f.open_recording(QString::fromStdString((dir.path() / "demo.wav").string())));
    const QImage labelled = f.graph->grab().toImage().convertToFormat(QImage::Format_BGR888);
    f.menus->left_labels_action->trigger();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QImage painted = f.graph->grab().toImage().convertToFormat(QImage::Format_BGR888);
    const QImage& screen = f.graph_view().screen;
    ASSERT_EQ(painted.size(), screen.size());
    EXPECT_EQ(painted, screen);
    EXPECT_EQ(labelled.copy(0, 0, 100, 300), painted.copy(0, 0, 100, 300));
    EXPECT_NE(labelled.copy(100, 0, 30, 300), painted.copy(100, 0, 30, 300));
}

// The pointer hint over the rows names the note, with the frequency and
// the note number when their items are checked; none over the legend.
TEST_F(WindowPlayback, PointerHintOverTheRows) {
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    struct Case {
        int y;
        bool frq, note;
        const char* text; // empty: no hint
    };
    const Case cases[] = {
        {3, false, false, "C8"},
        {3, true, false, "C8\n4186Hz"},
        {3, true, true, "C8\n4186Hz\n108 (6Ch)"},
        {73 * 12 + 11, false, true, "B1\n35 (23h)"},
        {74 * 12 + 4, true, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.y);
        f.menus->hint_frequency_action->setChecked(c.frq);
        f.menus->hint_note_number_action->setChecked(c.note);
        QToolTip::hideText();
        const QPoint p(200, c.y);
        QHelpEvent e(QEvent::ToolTip, p, f.graph->mapToGlobal(p));
        QApplication::sendEvent(f.graph, &e);
        EXPECT_EQ(f.graph->hint_text(p), QString(c.text));
        if (*c.text) {
            EXPECT_TRUE(QToolTip::isVisible());
            EXPECT_EQ(QToolTip::text(), QString(c.text));
        }
    }
    QToolTip::hideText();
}

// A skip into the middle of a drawn note sounds it at once, a skip past it
// ends it.
TEST_F(WindowPlayback, SkipsIntoADrawnNoteSoundItAndPastItEndIt) {
    open_recording();
    for (int t = 50; t < 150; ++t)
        f.doc.drawing[t].note_cell(40) = 3;
    f.on_play();
    std::vector<std::uint32_t>& log = w.midi_log->messages;
    log.clear();
    f.skip_amounts[0] = 2000;
    f.on_skip_forward(); // frame 100
    EXPECT_EQ(log, (std::vector<std::uint32_t>{short_message(0x93, 73, 127)}));
    f.on_skip_forward(); // frame 200, the end
    EXPECT_EQ(log, (std::vector<std::uint32_t>{short_message(0x93, 73, 127),
                                               short_message(0x83, 73, 0)}));
    f.on_stop();
}

// Keys pressed while the tool window is active reach the main window's map.
TEST_F(WindowPlayback, KeysInTheToolWindowReachTheMainWindow) {
    open_recording();
    f.show();
    f.on_show_drawing_tools();
    DrawingToolsWindow* tools = f.tools_window();
    tools->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tools));
    QTest::keyClick(tools->windowHandle(), Qt::Key_P);
    EXPECT_EQ(f.play_state(), PlayState::playing);
    QTest::keyClick(tools->windowHandle(), Qt::Key_F3);
    EXPECT_TRUE(tools->pen_select_button->isChecked());
    QTest::keyClick(tools->windowHandle(), Qt::Key_S);
    EXPECT_EQ(f.play_state(), PlayState::stopped);
}

} // namespace
} // namespace pitkad::test
