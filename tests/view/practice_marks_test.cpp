#include "view/practice_marks.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(PracticeMarks, LoopSamplesBecomeTwentyMillisecondColumns) {
    struct Case {
        int rate;
        std::int64_t start, end;
        int first, last_end;
    };
    const Case cases[] = {
        {44100, 0, 882, 0, 1},    // exactly one column
        {44100, 882, 883, 1, 2},  // one sample in column 1
        {44100, 881, 1764, 0, 2}, // from the last sample of column 0
        {48000, 96000, 192000, 100, 200},
        {22050, 441 * 10, 441 * 20 + 1, 10, 21},
        {11025, 220, 222, 0, 2}, // 220.5 samples a column: 220 in column 0, 221 in 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        PracticeSettings s;
        s.loop = {c.start, c.end};
        const PracticeMarks m = practice_marks(s, c.rate);
        EXPECT_EQ(m.loop_first, c.first);
        EXPECT_EQ(m.loop_end, c.last_end);
    }
}

TEST(PracticeMarks, NothingShownWithoutLoopFocusOrRate) {
    PracticeSettings s;
    EXPECT_FALSE(practice_marks(s, 44100).any());
    s.loop = {100, 50}; // end before start: no loop
    EXPECT_FALSE(practice_marks(s, 44100).any());
    s.loop = {0, 44100};
    EXPECT_FALSE(practice_marks(s, 0).any());
    s.focus_low = 50;
    s.focus_high = 40; // either order
    const PracticeMarks m = practice_marks(s, 0);
    EXPECT_TRUE(m.dimmed(39));
    EXPECT_FALSE(m.dimmed(40));
    EXPECT_FALSE(m.dimmed(50));
    EXPECT_TRUE(m.dimmed(51));
}

} // namespace
} // namespace pitkad
