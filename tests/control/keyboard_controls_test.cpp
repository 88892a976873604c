#include "control/keyboard_controls.h"
#include "view/view_state.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace pitkad;

namespace {

struct FakeControls final : ControlsHost {
    bool enabled = true;
    bool tool_visible = false;
    bool line_show = true;
    int state = 2;
    QStringList log;
    int tags[3] = {5000, -5000, -500};
    QString captions[3];

    bool action_enabled(TransportAction) const override { return enabled; }
    void click(TransportAction b) override { log << QString("click%1").arg(int(b)); }
    void select_delete() override { log << "delete"; }
    bool tool_window_visible() const override { return tool_visible; }
    bool lines_shown() const override { return line_show; }
    void toggle_tool_mode(ToolMode b) override { log << QString("mode%1").arg(int(b)); }
    void reset_draw_select() override { log << "reset_select"; }
    void write_graph() override { log << "graph"; }
    PlayState play_state() const override { return PlayState(state); }
    void replay_from_line() override { log << "replay"; }
    void move_selection(int dx, int dy, bool large) override {
        log << QString("move%1,%2%3").arg(dx).arg(dy).arg(large ? " large" : "");
    }
    void show_skip_amount(int which, int tag, const QString& caption) override {
        tags[which] = tag;
        captions[which] = caption;
    }
    void set_scroll_caption(const QString& c) override { log << c; }
};

} // namespace

TEST(KeyboardControls, KeyMap) {
    struct Case {
        int key;
        bool alt, enabled, tool_visible, line_show;
        int state;
        const char* log;
        bool ctrl = false;
        bool shift = false;
    };
    const Case cases[] = {
        {Qt::Key_Delete, false, false, false, false, 0, "delete"},
        {Qt::Key_P, false, true, false, true, 1, "click0"},
        {Qt::Key_P, true, true, false, true, 1, "click0"},
        {Qt::Key_P, false, false, false, true, 0, ""},
        {Qt::Key_S, false, true, false, true, 2, "click1"},
        {Qt::Key_S, false, false, false, true, 0, ""},
        {Qt::Key_Escape, false, true, false, true, 2, "click2"},
        {Qt::Key_Escape, false, false, false, true, 0, ""},
        // Esc pauses and resumes, but never starts playing.
        {Qt::Key_Escape, false, true, false, true, 3, "click2"},
        {Qt::Key_Escape, false, true, false, true, 1, ""},
        // Ctrl+O and Ctrl+S are the file menu's; other letters ignore Ctrl.
        {Qt::Key_S, false, true, false, true, 2, "", true},
        {Qt::Key_O, false, true, false, true, 2, "", true},
        {Qt::Key_P, false, true, false, true, 1, "click0", true},
        // Ctrl+X, Ctrl+C and Ctrl+V are the edit menu's: V does not replay.
        {Qt::Key_V, false, true, false, true, 2, "", true},
        {Qt::Key_X, false, true, false, true, 2, "", true},
        {Qt::Key_C, false, true, false, true, 2, "", true},
        // Alt+arrows move the selection; with Shift by a line interval or an octave.
        {Qt::Key_Left, true, true, false, true, 1, "move-1,0"},
        {Qt::Key_Right, true, true, false, true, 1, "move1,0"},
        {Qt::Key_Up, true, true, false, true, 1, "move0,1 large", false, true},
        {Qt::Key_Down, true, true, false, true, 1, "move0,-1"},
        {Qt::Key_Left, false, true, false, true, 1, ""},
        {Qt::Key_B, false, true, false, true, 2, "click5", true},
        {Qt::Key_PageDown, false, true, false, true, 1, "click3"},
        {Qt::Key_PageUp, false, true, false, true, 1, "click4"},
        {Qt::Key_B, false, true, false, true, 1, "click5"},
        {Qt::Key_B, false, false, false, true, 0, ""},
        {Qt::Key_V, false, true, false, true, 2, "replay"},
        {Qt::Key_V, false, true, false, true, 3, "replay"},
        {Qt::Key_V, true, true, false, true, 2, ""},
        {Qt::Key_V, false, true, false, false, 2, ""},
        {Qt::Key_V, false, true, false, true, 1, ""},
        {Qt::Key_F1, false, true, true, true, 1, "mode0 reset_select graph"},
        {Qt::Key_F2, false, true, true, true, 1, "mode1 reset_select graph"},
        {Qt::Key_F3, false, false, true, true, 0, "mode2 reset_select graph"},
        {Qt::Key_F4, false, true, true, true, 1, "mode3 reset_select graph"},
        {Qt::Key_F1, false, true, false, true, 1, ""},
        {Qt::Key_A, false, true, true, true, 2, ""},
    };
    for (const auto& c : cases) {
        FakeControls h;
        h.enabled = c.enabled;
        h.tool_visible = c.tool_visible;
        h.line_show = c.line_show;
        h.state = c.state;
        const bool ran = handle_key(h, c.key, c.alt, c.ctrl, c.shift);
        EXPECT_EQ(h.log.join(' '), c.log)
            << std::hex << c.key << " alt " << c.alt << " ctrl " << c.ctrl;
        EXPECT_EQ(ran, !h.log.isEmpty())
            << std::hex << c.key << " alt " << c.alt << " ctrl " << c.ctrl;
    }
}

TEST(SkipControls, AmountsCaptionsAndMarks) {
    struct Case {
        int which, ms;
        int tag;
        const char* caption;
        int marked; // index into skip_items for the new Tag
    };
    const Case cases[] = {
        {1, 2000, -2000, "-2 s", 2}, {0, 500, 500, "+0.5 s", 0},     {0, 1500, 1500, "+1 s", 8},
        {2, 500, -500, "-0.5 s", 0}, {2, 50000, -50000, "-50 s", 8}, {0, 30000, 30000, "+30 s", 7},
        {1, 5000, -5000, "-5 s", 4}, {0, 999, 999, "+0 s", 8},
    };
    for (const auto& c : cases) {
        FakeControls h;
        set_skip_amount(h, c.which, c.ms);
        EXPECT_EQ(h.tags[c.which], c.tag);
        EXPECT_EQ(h.captions[c.which], c.caption);
        EXPECT_EQ(mark_skip_item(h.tags[c.which]), c.marked) << c.ms;
    }
    EXPECT_EQ(skip_items[std::size_t(mark_skip_item(1500))].caption, std::string("50 s"));
    EXPECT_EQ(skip_popup_point(QRect(72, 398, 60, 25), QPoint(13, 7)), QPoint(95, 398));
}

TEST(ScrollControls, SpeedCycleAndCursorKeepsItsPixel) {
    struct Case {
        int speed, first_frame, position_ms, state, frame_count;
        int new_speed, new_first;
        const char* caption;
    };
    const Case cases[] = {
        {1, 1000, 22000, 2, 5000, 2, 1050, "100 pixel/s"},
        {2, 1000, 22000, 3, 5000, 4, 1050, "200 pixel/s"},
        {4, 1000, 22000, 2, 5000, 1, 700, "50 pixel/s"},
        {1, 1000, 22000, 1, 5000, 2, 1000, "100 pixel/s"}, // stopped: unchanged
        {1, 1000, 22020, 2, 5000, 2, 1051, "100 pixel/s"}, // 1101 − Round(50.5 = 50)
        {1, 1000, 22060, 2, 5000, 2, 1051, "100 pixel/s"}, // 1103 − Round(51.5 = 52)
        {4, 10, 4000, 2, 5000, 1, 0, "50 pixel/s"},        // clamped at 0
        {1, 0, 20000, 2, 600, 2, 500, "100 pixel/s"},      // clamped at frame_count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.speed << " " << c.position_ms);
        FakeControls h;
        ViewState v;
        v.scroll_speed = c.speed;
        v.first_frame = c.first_frame;
        change_scroll_speed(h, v, PlayState(c.state), c.position_ms, c.frame_count);
        EXPECT_EQ(v.scroll_speed, c.new_speed);
        EXPECT_EQ(v.first_frame, c.new_first);
        EXPECT_EQ(h.log.join(' '), QString(c.caption) + " graph");
    }
}
