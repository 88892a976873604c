#include "control/section_markers.h"

#include "drawing/midi_file.h"

#include <Qt>

#include <memory>

#include <gtest/gtest.h>

using namespace pitkad;

namespace {

DrawAnnotations with_markers(std::initializer_list<SectionMarker> markers) {
    DrawAnnotations a;
    for (const SectionMarker& m : markers)
        add_marker(a, m.frame, m.name);
    return a;
}

std::unique_ptr<DrawData> with_lines(std::initializer_list<int> frames) {
    auto d = std::make_unique<DrawData>();
    for (int f : frames)
        (*d)[f].line_mark() = 16;
    return d;
}

std::optional<LoopMs> frames(int first, int end) {
    return LoopMs{first * 20, end * 20};
}

} // namespace

TEST(SectionMarkers, NewNamesTakeTheLowestFreeNumber) {
    struct Case {
        std::initializer_list<SectionMarker> markers;
        const char* name;
    };
    const Case cases[] = {
        {{}, "区間 1"},
        {{{5, "区間 1"}, {9, "区間 2"}}, "区間 3"},
        {{{5, "区間 2"}, {9, "区間 3"}}, "区間 1"},
        // Only the very names count.
        {{{5, "Intro"}, {6, "区間 1a"}, {7, "区間 0"}, {8, "区間1"}}, "区間 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(new_marker_name(with_markers(c.markers), "区間 %1"), c.name);
}

TEST(SectionMarkers, EachChangeIsOneStepAndKeepsFrameOrder) {
    DrawData draw;
    MidiChannelSettings channels;
    DrawHistory history;
    SectionMarkers s(draw, channels, &history);
    const auto names = [&] {
        std::string out;
        for (const SectionMarker& m : s.markers())
            out += std::to_string(m.frame) + ":" + m.name + " ";
        return out;
    };
    EXPECT_EQ(s.add(50, "b", 100), 0);
    EXPECT_EQ(s.add(500, "end", 100), 1); // kept within the recording
    EXPECT_EQ(s.add(10, "a", 100), 0);
    EXPECT_EQ(names(), "10:a 50:b 99:end ");
    EXPECT_EQ(s.move(0, 70, 100), 1);
    EXPECT_EQ(s.move(1, 70, 100), -1); // already there: no step
    EXPECT_TRUE(s.rename(0, "B"));
    EXPECT_FALSE(s.rename(0, "B"));
    EXPECT_FALSE(s.rename(3, "x"));
    EXPECT_TRUE(s.remove(2));
    EXPECT_FALSE(s.remove(2));
    EXPECT_EQ(names(), "50:B 70:a ");
    EXPECT_TRUE(draw.modified);
    EXPECT_EQ(history.undo_count(), 6u);
    const char* before[] = {
        "50:B 70:a 99:end ", "50:b 70:a 99:end ", "10:a 50:b 99:end ", "50:b 99:end ", "50:b ", ""};
    for (const char* expected : before) {
        history.undo(draw, channels);
        EXPECT_EQ(names(), expected);
    }
    EXPECT_EQ(s.add(0, "x", 0), -1); // no recording
}

TEST(SectionMarkers, NextAndPreviousMarkers) {
    const DrawAnnotations a = with_markers({{10, "a"}, {50, "b"}, {90, "c"}});
    struct Case {
        int frame, grace;
        std::optional<int> next, previous;
    };
    const Case cases[] = {
        {0, 0, 10, {}},  {10, 0, 50, {}},  {11, 0, 50, 10}, {50, 0, 90, 10},
        {60, 0, 90, 50}, {60, 25, 90, 10}, {95, 0, {}, 90}, {95, 25, {}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(next_marker_frame(a, c.frame), c.next);
        EXPECT_EQ(previous_marker_frame(a, c.frame, c.grace), c.previous);
    }
    EXPECT_EQ(marker_at_or_before(a, 50), 1);
    EXPECT_EQ(marker_at_or_before(a, 9), -1);
}

TEST(SectionMarkers, LoopsFromSectionsBarsAndBeats) {
    const DrawAnnotations a = with_markers({{10, "a"}, {50, "b"}, {50, "b2"}, {90, "c"}});
    EXPECT_EQ(section_loop(a, 5, 200), frames(0, 10));
    EXPECT_EQ(section_loop(a, 10, 200), frames(10, 50));
    EXPECT_EQ(section_loop(a, 60, 200), frames(50, 90));
    EXPECT_EQ(section_loop(a, 150, 200), frames(90, 200));
    EXPECT_EQ(section_loop({}, 60, 200), std::nullopt);

    // Bars of three lines: bar 1 starts at 10, bar 2 at 40, bar 3 at 70.
    const std::vector<LineCount> lines{{10, 1, 1}, {20, 1, 2}, {30, 1, 3},
                                       {40, 2, 1}, {50, 2, 2}, {70, 3, 1}};
    EXPECT_EQ(bar_loop(lines, 5, 200), frames(0, 10));
    EXPECT_EQ(bar_loop(lines, 10, 200), frames(10, 40));
    EXPECT_EQ(bar_loop(lines, 65, 200), frames(40, 70));
    EXPECT_EQ(bar_loop(lines, 100, 200), frames(70, 200));
    EXPECT_EQ(bar_loop({}, 100, 200), std::nullopt);

    const auto draw = with_lines({10, 20, 30, 40});
    struct Case {
        int frame, beats;
        std::optional<LoopMs> loop;
    };
    const Case cases[] = {
        {25, 1, frames(20, 30)},  {20, 2, frames(20, 40)},  {5, 2, frames(0, 20)},
        {35, 3, frames(30, 200)}, {45, 1, frames(40, 200)}, {25, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(beats_loop(*draw, c.frame, 200, c.beats), c.loop) << c.frame << " " << c.beats;
    EXPECT_EQ(beats_loop(*with_lines({}), 25, 200, 2), std::nullopt);
}

TEST(SectionMarkers, NudgesMoveOneEndAndKeepTheLoop) {
    const auto draw = with_lines({10, 20, 30});
    struct Case {
        LoopMs loop;
        LoopNudge nudge;
        std::optional<LoopMs> moved;
    };
    const Case cases[] = {
        {{400, 600}, {false, -1, false}, LoopMs{380, 600}},
        {{400, 600}, {true, 1, false}, LoopMs{400, 620}},
        {{410, 600}, {false, -1, true}, LoopMs{400, 600}}, // to the line before
        {{400, 590}, {true, 1, true}, LoopMs{400, 600}},   // to the line after
        {{400, 600}, {true, 1, true}, std::nullopt},       // no line after
        {{0, 600}, {false, -1, false}, std::nullopt},      // at the start already
        {{400, 3990}, {true, 1, false}, LoopMs{400, 4000}},
        {{400, 4000}, {true, 1, false}, std::nullopt}, // at the end already
        {{400, 420}, {false, 1, false}, std::nullopt}, // the ends would meet
        {{400, 0}, {false, 1, false}, std::nullopt},   // no loop
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.loop.start << "-" << c.loop.end << " end "
                                        << c.nudge.end << " " << c.nudge.direction);
        EXPECT_EQ(nudge_loop(c.loop, c.nudge, *draw, 200), c.moved);
    }
}

TEST(SectionMarkers, Keys) {
    struct Case {
        int key;
        bool alt, ctrl, shift;
        std::optional<SectionCommand> command;
        std::optional<LoopNudge> nudge;
    };
    const Case cases[] = {
        {Qt::Key_M, false, false, false, SectionCommand::add_marker, {}},
        {Qt::Key_M, true, false, false, {}, {}}, // Alt+M is the MIDI menu's
        {Qt::Key_Right, false, true, false, SectionCommand::next_marker, {}},
        {Qt::Key_Left, false, true, false, SectionCommand::previous_marker, {}},
        {Qt::Key_Left, true, true, false, {}, {}},
        {Qt::Key_Comma, false, false, false, {}, {}}, // transposes
        {Qt::Key_Comma, false, true, false, {}, LoopNudge{false, -1, false}},
        {Qt::Key_Period, true, true, false, {}, LoopNudge{false, 1, true}},
        {Qt::Key_Less, false, true, true, {}, LoopNudge{true, -1, false}},
        {Qt::Key_Greater, true, true, true, {}, LoopNudge{true, 1, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.alt << c.ctrl << c.shift);
        const SectionKey k = section_key(c.key, c.alt, c.ctrl, c.shift);
        EXPECT_EQ(k.command, c.command);
        EXPECT_EQ(k.nudge, c.nudge);
    }
}
