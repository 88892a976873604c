#include "control/practice_controls.h"

#include "drawing/draw_data.h"

#include <Qt>

#include <memory>

#include <gtest/gtest.h>

using namespace pitkad;

namespace {

PracticeSettings at_percent(int p) {
    return with_speed_percent({}, p);
}

} // namespace

TEST(PracticeControls, SpeedStepsStayOnTheGridAndClamp) {
    struct Case {
        int from, direction, to;
    };
    const Case cases[] = {
        {100, -1, 95},  {100, +1, 105}, {25, -1, 25}, {30, -1, 25}, {200, +1, 200},
        {195, +1, 200}, {62, -1, 60},   {62, +1, 65}, {60, -1, 55}, {60, +1, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << c.direction);
        EXPECT_EQ(speed_percent(step_speed(at_percent(c.from), c.direction)), c.to);
    }
    EXPECT_EQ(speed_percent(at_percent(10)), 25);
    EXPECT_EQ(speed_percent(at_percent(500)), 200);
}

TEST(PracticeControls, PitchAndPauseClamp) {
    EXPECT_EQ(with_semitones({}, 13).semitones, 12);
    EXPECT_EQ(with_semitones({}, -20).semitones, -12);
    EXPECT_EQ(with_cents({}, 60).cents, 50);
    EXPECT_EQ(with_cents({}, -51).cents, -50);
    const PracticeSettings r = reset_pitch(with_cents(with_semitones({}, 3), 20));
    EXPECT_EQ(r.semitones, 0);
    EXPECT_EQ(r.cents, 0);
    EXPECT_DOUBLE_EQ(with_loop_pause_ms({}, 500).loop_pause, 0.5);
    EXPECT_DOUBLE_EQ(with_loop_pause_ms({}, 9000).loop_pause, 3.0);
}

TEST(PracticeControls, FocusPresetsSplitAtC3) {
    struct Case {
        FocusPreset preset;
        int low, high;
    };
    const Case cases[] = {
        {FocusPreset::off, 0, 0}, {FocusPreset::bass, 2, 14}, {FocusPreset::above_bass, 15, 75}};
    for (const Case& c : cases) {
        const PracticeSettings s = with_focus({}, c.preset);
        EXPECT_EQ(s.focus_low, c.low);
        EXPECT_EQ(s.focus_high, c.high);
        EXPECT_EQ(focus_preset(s), c.preset);
    }
    PracticeSettings odd;
    odd.focus_low = 20;
    odd.focus_high = 30;
    EXPECT_FALSE(focus_preset(odd));
}

// Start and end in either order give a loop between the two marks.
TEST(PracticeControls, LoopStartAndEndOrdering) {
    struct Case {
        LoopMs before;
        bool start; // set the start, else the end
        int ms;
        LoopMs after;
    };
    const Case cases[] = {
        {{0, 0}, true, 1000, {1000, 0}},          {{1000, 0}, false, 3000, {1000, 3000}},
        {{1000, 3000}, true, 2000, {2000, 3000}}, {{1000, 3000}, true, 3000, {3000, 0}},
        {{1000, 3000}, true, 4000, {4000, 0}},    {{1000, 3000}, false, 500, {500, 1000}},
        {{0, 0}, false, 2000, {0, 2000}},         {{1000, 0}, false, 1000, {1000, 0}},
        {{4000, 0}, false, 2000, {2000, 4000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before.start << "-" << c.before.end << " "
                                        << (c.start ? "start " : "end ") << c.ms);
        const LoopMs got = c.start ? set_loop_start(c.before, c.ms) : set_loop_end(c.before, c.ms);
        EXPECT_EQ(got, c.after);
    }
}

TEST(PracticeControls, LoopFromTheLineMarksAround) {
    auto draw = std::make_unique<DrawData>();
    (*draw)[50].line_mark() = 1;
    (*draw)[100].line_mark() = 2;
    struct Case {
        int frame;
        std::optional<LoopMs> loop;
    };
    const Case cases[] = {
        {70, LoopMs{1000, 2000}},  {50, LoopMs{1000, 2000}},  {99, LoopMs{1000, 2000}},
        {100, LoopMs{2000, 4000}}, {150, LoopMs{2000, 4000}}, {10, LoopMs{0, 1000}},
        {500, LoopMs{2000, 4000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(line_interval_loop(*draw, c.frame, 200), c.loop);
    }
    EXPECT_FALSE(line_interval_loop(DrawData{}, 70, 200));
}

TEST(PracticeControls, LoopInSampleFramesAndClearedOnOpen) {
    const PracticeSettings s = with_loop({}, {1000, 2500}, 48000);
    EXPECT_EQ(s.loop, (LoopRange{48000, 120000}));
    EXPECT_FALSE(with_loop({}, {1000, 2500}, 0).loop.active());
    EXPECT_FALSE(with_loop({}, {1000, 0}, 44100).loop.active());

    PracticeSettings open = with_focus(with_speed_percent(s, 50), FocusPreset::bass);
    open.semitones = 2;
    const PracticeSettings fresh = for_new_recording(open);
    EXPECT_FALSE(fresh.loop.active());
    EXPECT_FALSE(fresh.focused());
    EXPECT_EQ(speed_percent(fresh), 50);
    EXPECT_EQ(fresh.semitones, 2);
}

// "Play from here" while stopped: the clicked column until the view moves.
TEST(PracticeControls, BrowseStartFrame) {
    struct Case {
        int first_frame;
        GraphClick click;
        int frame;
    };
    const Case cases[] = {
        {0, {}, 0},         {120, {}, 120}, {100, {130, 100}, 130}, {150, {130, 100}, 150},
        {0, {500, 0}, 199},
    };
    for (const Case& c : cases) {
        ViewState v;
        v.first_frame = c.first_frame;
        EXPECT_EQ(browse_start_frame(v, c.click, 200), c.frame);
    }
}

TEST(PracticeControls, KeyMap) {
    struct Case {
        int key;
        std::optional<PracticeCommand> command;
    };
    const Case cases[] = {
        {Qt::Key_Space, PracticeCommand::play_here_or_pause},
        {Qt::Key_Minus, PracticeCommand::slower},
        {Qt::Key_Plus, PracticeCommand::faster},
        {Qt::Key_Equal, PracticeCommand::faster},
        {Qt::Key_0, PracticeCommand::normal_speed},
        {Qt::Key_BracketLeft, PracticeCommand::loop_start},
        {Qt::Key_BracketRight, PracticeCommand::loop_end},
        {Qt::Key_L, PracticeCommand::loop_line_interval},
        {Qt::Key_Backslash, PracticeCommand::clear_loop},
        {Qt::Key_Comma, PracticeCommand::transpose_down},
        {Qt::Key_Period, PracticeCommand::transpose_up},
        // The window's own keys and those kept for later stay out.
        {Qt::Key_P, std::nullopt},
        {Qt::Key_S, std::nullopt},
        {Qt::Key_B, std::nullopt},
        {Qt::Key_V, std::nullopt},
        {Qt::Key_Z, std::nullopt},
        {Qt::Key_Y, std::nullopt},
        {Qt::Key_Escape, std::nullopt},
        {Qt::Key_F1, std::nullopt},
        {Qt::Key_Delete, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(practice_key_command(c.key), c.command);
    }
}
