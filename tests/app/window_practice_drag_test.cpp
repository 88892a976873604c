// The practice drags through the main window: real mouse events on the time
// strip and the note labels set the loop and the focus of the document and
// the player, and the graph shows them.
#include "control/practice_drag.h"
#include "window_test_support.h"

#include <QLabel>
#include <QMouseEvent>

namespace pitkad::test {
namespace {

constexpr int line_width = 12; // from the 1200-pixel screen of make_window
constexpr int strip_y = 74 * line_width + 10;

int y_of_band(int band) {
    return (75 - band) * line_width + line_width / 2;
}

void send_mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, {});
    QApplication::sendEvent(w, &e);
}

// A left drag in four steps; from == to is a click.
void drag(MainWindow& f, QPoint from, QPoint to) {
    send_mouse(f.graph, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        send_mouse(f.graph, QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton,
                   Qt::LeftButton);
    send_mouse(f.graph, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

Rgb pixel(const QImage& img, int x, int y) {
    const std::uint8_t* p = img.constScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

class WindowPracticeDrag : public ::testing::Test {
  protected:
    // A two-second recording (100 frames at 44100 Hz), one pixel a frame.
    void SetUp() override {
        const fs::path wav = small_recording(dir.path(), "tone.wav", 2);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
        ASSERT_EQ(f.doc.view.line_width, line_width);
        ASSERT_TRUE(f.menus->left_labels_action->isEnabled() && f.menus->left_labels_action->isChecked());
    }
    TempDir dir;
    Window w = make_window();
    MainWindow& f = *w.form;
};

TEST_F(WindowPracticeDrag, StripDragSetsTheLoopAndAClickClearsIt) {
    const QImage plain = f.graph_view().screen.copy();
    const LoopRange want = loop_from_columns(20, 60, 44100, 100);
    for (auto [from, to] : {std::pair{20, 60}, std::pair{60, 20}}) {
        drag(f, QPoint(from, strip_y), QPoint(to, strip_y));
        EXPECT_EQ(f.doc.practice.loop, want);
        EXPECT_EQ(f.player().practice(), f.doc.practice);
        const QImage& shown = f.graph_view().screen;
        const int bar_y = 74 * line_width + loop_bar_top;
        EXPECT_EQ(pixel(shown, 40, bar_y), loop_bar_colour);
        EXPECT_EQ(pixel(shown, 61, bar_y), pixel(plain, 61, bar_y));
        EXPECT_NE(pixel(shown, 40, 5), pixel(plain, 40, 5)); // tinted rows
    }
    drag(f, QPoint(80, strip_y), QPoint(80, strip_y));
    EXPECT_FALSE(f.doc.practice.loop.active());
    EXPECT_EQ(f.player().practice(), f.doc.practice);
    EXPECT_EQ(f.graph_view().screen, plain);
}

// A click on the rows while stopped places the play start: shown on the
// graph, played from (PLAY and Space). A click on the strip places none; a
// new recording has none.
TEST_F(WindowPracticeDrag, ClickOnTheRowsPlacesThePlayStart) {
    drag(f, QPoint(50, strip_y), QPoint(50, strip_y));
    EXPECT_EQ(f.transport().start_mark(), -1);
    drag(f, QPoint(30, 5), QPoint(30, 5));
    EXPECT_EQ(f.transport().start_mark(), 30);
    EXPECT_EQ(pixel(f.graph_view().screen, 30, 5), start_mark_colour);
    EXPECT_EQ(f.strip->time_display->text(), QString("0:00.6 / 0:02.0"));
    EXPECT_EQ(f.practice().position_ms(), 600);
    f.on_play();
    EXPECT_EQ(f.player().position(), 600);
    f.on_stop();
    f.menus->time_in_seconds_action->trigger();
    EXPECT_EQ(f.strip->time_display->text(), QString("0.6 s"));
    ASSERT_TRUE(f.open_recording(QString::fromStdString((dir.path() / "tone.wav").string())));
    EXPECT_EQ(f.transport().start_mark(), -1);
    EXPECT_EQ(f.strip->time_display->text(), QString("0.0 s"));
}

TEST_F(WindowPracticeDrag, LabelDragSetsTheFocus) {
    const QImage plain = f.graph_view().screen.copy();
    drag(f, QPoint(108, y_of_band(60)), QPoint(110, y_of_band(50)));
    EXPECT_EQ(f.doc.practice.focus_low, 50);
    EXPECT_EQ(f.doc.practice.focus_high, 60);
    EXPECT_EQ(f.player().practice(), f.doc.practice);
    // A grid row outside the focus is dimmed, one inside is not.
    const int grid_45 = (75 - 45) * line_width + line_width - 1;
    const int grid_55 = (75 - 55) * line_width + line_width - 1;
    EXPECT_NE(pixel(f.graph_view().screen, 300, grid_45), pixel(plain, 300, grid_45));
    EXPECT_EQ(pixel(f.graph_view().screen, 300, grid_55), pixel(plain, 300, grid_55));
    // A click on a label leaves the focus; a drag off the labels sets none
    // (its press places the play start, at the recording's last frame).
    drag(f, QPoint(108, y_of_band(30)), QPoint(108, y_of_band(30)));
    drag(f, QPoint(300, y_of_band(30)), QPoint(300, y_of_band(20)));
    EXPECT_EQ(f.doc.practice.focus_low, 50);
    EXPECT_EQ(f.transport().start_mark(), 99);
    // Over every row: no focus.
    drag(f, QPoint(108, 0), QPoint(108, 74 * line_width - 1));
    EXPECT_FALSE(f.doc.practice.focused());
    EXPECT_EQ(f.player().practice(), f.doc.practice);
    const QRect left_of_the_mark(0, 0, 99, plain.height());
    EXPECT_EQ(f.graph_view().screen.copy(left_of_the_mark), plain.copy(left_of_the_mark));
}

} // namespace
} // namespace pitkad::test
