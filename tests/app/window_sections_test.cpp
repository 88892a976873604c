// The section markers in the window: the 区間 menu and keys, the ruler's
// flags, and the loop of a section.
#include "view/time_ruler.h"
#include "window_test_support.h"

namespace pitkad::test {
namespace {

class WindowSections : public ::testing::Test {
  protected:
    // A four-second recording (200 frames), active, stopped.
    void SetUp() override {
        wav = small_recording(dir.path(), "tone.wav", 4);
        ASSERT_TRUE(f.open_recording(QString::fromStdString(wav.string())));
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    void key(int k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(f.windowHandle(), Qt::Key(k), m);
    }
    // The items as the menu shows them when it opens.
    void trigger(QAction* item) {
        emit s.menu->aboutToShow();
        item->trigger();
    }
    std::string shown() const {
        std::string out;
        for (const SectionMarker& m : f.doc.drawing.annotations.markers)
            out += std::to_string(m.frame) + ":" + m.name + " ";
        return out;
    }

    TempDir dir;
    fs::path wav;
    Window w = make_window();
    MainWindow& f = *w.form;
    SectionTools& s = f.sections();
};

// Markers go where the play start is, the keys go from one to the next, and
// renaming and deleting act on the one at or before the position.
TEST_F(WindowSections, MarkersFromTheKeysAndTheMenu) {
    f.transport().place_start_mark(120);
    key(Qt::Key_M);
    f.transport().place_start_mark(50);
    key(Qt::Key_M);
    EXPECT_EQ(shown(), "50:区間 2 120:区間 1 ");
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f.transport().start_mark(), 120);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(f.transport().start_mark(), 50);
    f.transport().place_start_mark(80);
    s.ask_name = [](const QString& name) {
        EXPECT_EQ(name, "区間 2");
        return std::optional<QString>(" Verse ");
    };
    trigger(s.rename_action);
    trigger(s.delete_action);
    EXPECT_EQ(shown(), "120:区間 1 ");
    EXPECT_TRUE(f.doc.drawing.modified);
    f.on_undo();
    EXPECT_EQ(shown(), "50:Verse 120:区間 1 ");
}

// A flag dragged along the ruler moves its marker at the release, one step;
// a double click renames it.
TEST_F(WindowSections, RulerFlagsDragAndRename) {
    f.transport().place_start_mark(40);
    s.add_marker();
    const QPoint flag(f.doc.view.frame_to_x(40) + 4, 2 * ruler_band + 6);
    const QPoint there(f.doc.view.frame_to_x(90) + 4, 2 * ruler_band + 6);
    QTest::mousePress(f.ruler, Qt::LeftButton, {}, flag);
    QTest::mouseMove(f.ruler, there);
    EXPECT_EQ(f.ruler->dragged_marker(), 0);
    EXPECT_EQ(shown(), "40:区間 1 ");
    QTest::mouseRelease(f.ruler, Qt::LeftButton, {}, there);
    EXPECT_EQ(shown(), "90:区間 1 ");
    EXPECT_EQ(f.doc.history.undo_count(), 2u);
    s.ask_name = [](const QString&) { return std::optional<QString>("Chorus"); };
    QTest::mouseDClick(f.ruler, Qt::LeftButton, {}, there);
    EXPECT_EQ(shown(), "90:Chorus ");
}

// The menu loops a section; the nudge keys move its ends and do not
// transpose, as "," and "." alone do.
TEST_F(WindowSections, SectionLoopAndNudges) {
    for (int frame : {50, 120}) {
        f.transport().place_start_mark(frame);
        s.add_marker();
    }
    f.doc.drawing[40].line_mark() = 1;
    f.transport().place_start_mark(60);
    trigger(s.loop_section_action);
    EXPECT_EQ(f.doc.practice_loop, (LoopMs{1000, 2400}));
    key(Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Comma, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(f.doc.practice_loop, (LoopMs{800, 2380}));
    EXPECT_EQ(f.player().practice().semitones, 0);
}

} // namespace
} // namespace pitkad::test
