// Mouse editing and the keyboard map through the main window: real mouse
// events on the graph, real key presses at the window.
#include "drawing/clipboard_text.h"
#include "app/drawing_tools_window.h"
#include "window_test_support.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QWindow>

namespace pitkad::test {
namespace {

constexpr int line_width = 12; // from the 1200-pixel screen of make_window

int y_of_band(int band) {
    return (75 - band) * line_width + line_width / 2;
}

// One mouse event on the graph with the given buttons held afterwards.
void send_mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                Qt::MouseButtons held, Qt::KeyboardModifiers mods = {}) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, mods);
    QApplication::sendEvent(w, &e);
}

void press(MainWindow& f, QPoint p, Qt::KeyboardModifiers mods = {},
           Qt::MouseButton b = Qt::LeftButton) {
    send_mouse(f.graph, QEvent::MouseButtonPress, p, b, b, mods);
}
void release(MainWindow& f, QPoint p, Qt::KeyboardModifiers mods = {},
             Qt::MouseButton b = Qt::LeftButton) {
    send_mouse(f.graph, QEvent::MouseButtonRelease, p, b, Qt::NoButton, mods);
}
void drag(MainWindow& f, QPoint from, QPoint to) {
    press(f, from);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        send_mouse(f.graph, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    }
    release(f, to);
}

std::uint32_t note_on(int band) {
    return short_message(0x90, band + 33, 127);
}
std::uint32_t note_off(int band) {
    return short_message(0x80, band + 33, 0);
}

class WindowEditing : public ::testing::Test {
  protected:
    // A two-second recording (100 frames) open; the graph at 1 pixel per
    // frame from frame 0, so x is the frame.
    void open_recording() {
        const fs::path wav = small_recording(dir.path(), "tone.wav", 2);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
        ASSERT_EQ(f.doc.store.frame_count, 100);
        ASSERT_EQ(f.doc.view.line_width, line_width);
    }
    void show_tools() {
        f.on_show_drawing_tools();
        ASSERT_TRUE(f.tools_window()->isVisible());
    }
    std::vector<std::uint32_t>& log() { return w.midi_log->messages; }
    // Note-on messages in the log.
    std::vector<int> notes_on() const {
        std::vector<int> n;
        for (std::uint32_t m : w.midi_log->messages)
            if ((m & 0xff) == 0x90) n.push_back(int(m >> 8 & 0xff));
        return n;
    }

    TempDir dir;
    Window w = make_window();
    MainWindow& f = *w.form;
};

// With no mode a press sounds the row's note on channel 0 at channel 0's
// volume, the release silences it.
TEST_F(WindowEditing, ClickSoundsTheRowsNote) {
    ASSERT_NE(w.midi_log, nullptr);
    for (int band : {50, 75, 2, 27}) {
        SCOPED_TRACE(band);
        log().clear();
        const QPoint p(100, y_of_band(band));
        press(f, p);
        EXPECT_EQ(log(), (std::vector<std::uint32_t>{note_on(band)}));
        EXPECT_EQ(f.editor().sounding_notes[std::size_t(band)], 1);
        release(f, p);
        EXPECT_EQ(log(), (std::vector<std::uint32_t>{note_on(band), note_off(band)}));
        EXPECT_EQ(f.editor().sounding_notes[std::size_t(band)], 0);
    }
    // Below the graph and legend nothing sounds.
    log().clear();
    press(f, QPoint(100, f.graph->height() + 1));
    EXPECT_TRUE(log().empty());
}

// Ctrl keeps the notes flagged: every Ctrl press sounds the whole chord,
// lowest first, at most eight notes.
TEST_F(WindowEditing, CtrlClicksBuildAChord) {
    struct Case {
        std::vector<int> bands;   // Ctrl-clicked in this order
        std::vector<int> last_on; // notes sounded by the last press
    };
    const Case cases[] = {
        {{10, 20, 30, 40}, {43, 53, 63, 73}},
        {{40, 30, 20, 10}, {43, 53, 63, 73}},
        {{10, 11, 12, 13, 14, 15, 16, 17, 18}, {43, 44, 45, 46, 47, 48, 49, 50}},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < c.bands.size(); ++i) {
            const QPoint p(200, y_of_band(c.bands[i]));
            log().clear();
            press(f, p, Qt::ControlModifier);
            if (i + 1 == c.bands.size()) {
                EXPECT_EQ(notes_on(), c.last_on);
            }
            release(f, p, Qt::ControlModifier);
        }
        // A plain click replaces the chord.
        log().clear();
        press(f, QPoint(200, y_of_band(60)));
        EXPECT_EQ(notes_on(), std::vector<int>{93});
        release(f, QPoint(200, y_of_band(60)));
    }
}

// A pen stroke writes the current colour into the pressed row from the
// press column to the release column, whichever way it was dragged.
TEST_F(WindowEditing, PenStrokeWritesNoteCells) {
    open_recording();
    show_tools();
    QTest::mouseClick(f.tools_window()->pen_draw_button, Qt::LeftButton);
    ASSERT_EQ(f.tools_window()->mode(), DrawMode::pen_draw);
    const int colour = f.tools_window()->tool_state().colour;
    struct Case {
        int band, x0, x1, first, last;
    };
    const Case cases[] = {
        {50, 10, 40, 10, 40},
        {51, 40, 10, 10, 40},  // right to left
        {60, 90, 150, 90, 99}, // cut at the recording's end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.band);
        log().clear();
        drag(f, QPoint(c.x0, y_of_band(c.band)), QPoint(c.x1, y_of_band(c.band)));
        for (int t = 0; t < 100; ++t)
            EXPECT_EQ(f.doc.drawing[t].note_cell(c.band), t >= c.first && t <= c.last ? colour : 0)
                << t;
        EXPECT_EQ(f.doc.drawing[c.first].note_cell(c.band - 2), 0); // only the pressed row
        // The stroke's press also sounds the note.
        EXPECT_EQ(notes_on(), std::vector<int>{c.band + 33});
        EXPECT_FALSE(f.editor().dragging);
    }
    EXPECT_TRUE(f.doc.drawing.modified);
    // A press in the legend strip starts no stroke.
    const QPoint strip(20, 74 * line_width + 5);
    drag(f, strip, strip + QPoint(30, 0));
    for (int b = 2; b <= 75; ++b)
        if (b != 50 && b != 51) {
            EXPECT_EQ(f.doc.drawing[45].note_cell(b), 0) << b;
        }
}

// Line drawing: a left click lays a mark at the frame, a right click near
// it erases it.
TEST_F(WindowEditing, LineMarksByClicks) {
    open_recording();
    show_tools();
    QTest::mouseClick(f.tools_window()->line_draw_button, Qt::LeftButton);
    const int colour = f.tools_window()->tool_state().colour;
    log().clear();
    press(f, QPoint(30, y_of_band(40)));
    release(f, QPoint(30, y_of_band(40)));
    EXPECT_EQ(f.doc.drawing[30].line_mark(), colour);
    EXPECT_TRUE(log().empty()); // line drawing sounds nothing
    press(f, QPoint(33, y_of_band(40)), {}, Qt::RightButton);
    release(f, QPoint(33, y_of_band(40)), {}, Qt::RightButton);
    EXPECT_EQ(f.doc.drawing[30].line_mark(), 0);
}

// Clipboard mode: the dragged rectangle's values go to the clipboard as
// the export text of those frames and bands.
TEST_F(WindowEditing, ClipboardRectangleGoesToTheClipboard) {
    open_recording();
    show_tools();
    QTest::mouseClick(f.tools_window()->clipboard_button, Qt::LeftButton);
    QGuiApplication::clipboard()->clear();
    log().clear();
    drag(f, QPoint(20, y_of_band(60)), QPoint(12, y_of_band(55)));
    const QString text = QGuiApplication::clipboard()->text();
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(text.toStdString(), clipboard_text(f.doc.store, 12, 20, 55, 60));
    EXPECT_TRUE(log().empty());
    EXPECT_FALSE(f.doc.drawing.modified);
}

// Key preview: the window sees keys at its window before the focused
// control.
class WindowKeys : public WindowEditing {
  protected:
    void SetUp() override {
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(f.windowHandle(), Qt::Key(k), mods);
    }
};

TEST_F(WindowKeys, TransportKeysFollowTheButtons) {
    // No recording: the buttons are disabled and the keys do nothing.
    for (int k : {Qt::Key_P, Qt::Key_S, Qt::Key_Escape, Qt::Key_PageDown, Qt::Key_B}) {
        key(k);
        EXPECT_EQ(f.play_state(), PlayState::no_recording) << k;
    }
    open_recording();
    struct Step {
        int key;
        int state;
    };
    const Step steps[] = {
        {Qt::Key_P, 2}, {Qt::Key_Escape, 3}, {Qt::Key_Escape, 2},
        {Qt::Key_S, 1}, {Qt::Key_P, 2},      {Qt::Key_S, 1},
    };
    for (const Step& s : steps) {
        key(s.key);
        EXPECT_EQ(f.play_state(), PlayState(s.state)) << s.key;
    }
    key(Qt::Key_P);
    EXPECT_EQ(f.focusWidget(), f.strip->pause_button);
    f.on_stop();
}

// Ctrl+S saves the drawing and Ctrl+O asks for a recording, through the
// file menu; neither runs its letter's action (S stops).
TEST_F(WindowKeys, CtrlSAndCtrlOAreTheFileMenus) {
    open_recording();
    key(Qt::Key_P);
    f.doc.drawing.modified = true;
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(f.play_state(), PlayState::playing);
    EXPECT_FALSE(f.doc.drawing.modified);
    ModalResponder responder;
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(responder.file_dialogs, 1);
    f.on_stop();
}

// Apart from the position slider, the focused control also gets the keys
// the window acts on.
TEST_F(WindowKeys, KeysStillReachTheFocusedControl) {
    open_recording();
    f.strip->gain_slider->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), f.strip->gain_slider);
    key(Qt::Key_P);
    EXPECT_EQ(f.play_state(), PlayState::playing);
    f.strip->gain_slider->setFocus();
    key(Qt::Key_PageUp); // back 5 s for the window, a page for the slider
    EXPECT_NE(f.strip->gain_slider->value(), 40);
    EXPECT_EQ(f.play_state(), PlayState::playing);
    f.on_stop();
}

// A key the window acts on does not also move the position slider; other
// keys still do.
TEST_F(WindowKeys, PositionSliderDoesNotRepeatTheKeyMap) {
    open_recording();
    f.strip->position_slider->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), f.strip->position_slider);
    key(Qt::Key_PageUp); // back 5 s: already at the start
    EXPECT_EQ(f.strip->position_slider->value(), 0);
    EXPECT_EQ(f.doc.view.first_frame, 0);
    key(Qt::Key_PageDown); // forward 5 s: the graph browses to the end
    EXPECT_EQ(f.doc.view.first_frame, 100);
    key(Qt::Key_Right); // the slider's own step, 1 of 200, browses as before
    EXPECT_EQ(f.strip->position_slider->value(), 1);
    EXPECT_EQ(f.doc.view.first_frame, 0);
}

// F1 … F4 toggle the mode buttons only while the tool window is visible.
TEST_F(WindowKeys, FunctionKeysToggleModesWhileTheToolWindowShows) {
    DrawingToolsWindow* tools = f.tools_window();
    key(Qt::Key_F1);
    EXPECT_FALSE(tools->pen_draw_button->isChecked());
    show_tools();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    struct Step {
        int key;
        QToolButton* down; // the one mode button down afterwards, or null
    };
    const Step steps[] = {
        {Qt::Key_F1, tools->pen_draw_button},    {Qt::Key_F1, nullptr},
        {Qt::Key_F2, tools->line_draw_button},   {Qt::Key_F3, tools->pen_select_button},
        {Qt::Key_F4, tools->line_select_button}, {Qt::Key_F4, nullptr},
    };
    for (const Step& s : steps) {
        key(s.key);
        for (QToolButton* b : {tools->pen_draw_button, tools->line_draw_button, tools->pen_select_button,
                               tools->line_select_button})
            EXPECT_EQ(b->isChecked(), b == s.down) << s.key << " " << b->objectName().toStdString();
    }
}

// Delete removes what the selection mode has selected, here a pen stroke
// selected by a rubber band across its middle.
TEST_F(WindowKeys, DeleteRemovesTheSelection) {
    open_recording();
    show_tools();
    DrawingToolsWindow* tools = f.tools_window();
    QTest::mouseClick(tools->pen_draw_button, Qt::LeftButton);
    drag(f, QPoint(10, y_of_band(50)), QPoint(40, y_of_band(50)));
    drag(f, QPoint(60, y_of_band(50)), QPoint(70, y_of_band(50)));
    QTest::mouseClick(tools->pen_select_button, Qt::LeftButton);
    drag(f, QPoint(20, y_of_band(52)), QPoint(30, y_of_band(48)));
    EXPECT_NE(f.doc.drawing[10].note_cell(50) & draw_selected_bit, 0);
    EXPECT_EQ(f.doc.drawing[60].note_cell(50) & draw_selected_bit, 0);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    key(Qt::Key_Delete);
    for (int t = 10; t <= 40; ++t)
        EXPECT_EQ(f.doc.drawing[t].note_cell(50), 0) << t;
    EXPECT_NE(f.doc.drawing[65].note_cell(50), 0);
}

// Ctrl+C and Ctrl+V are the edit menu's, whichever window is active; a
// paste while stopped goes to the play start. Alt+arrows move the selection.
TEST_F(WindowKeys, EditMenuKeysAndSelectionMoves) {
    open_recording();
    show_tools();
    QTest::mouseClick(f.tools_window()->pen_select_button, Qt::LeftButton);
    f.doc.drawing[10].note_cell(50) = 3 | draw_selected_bit;
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    key(Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(f.transport().place_start_mark(40));
    QTest::keyClick(f.tools_window()->windowHandle(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.doc.drawing[10].note_cell(62), 3);
    EXPECT_EQ(f.doc.drawing[40].note_cell(62), 3 | draw_selected_bit);
    EXPECT_EQ(f.doc.history.undo_count(), 2u);
}

} // namespace
} // namespace pitkad::test
