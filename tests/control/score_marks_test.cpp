#include "control/score_marks.h"

#include <gtest/gtest.h>

#include <memory>

namespace pitkad {
namespace {

TEST(ScoreMarks, MeterGoesOnTheSelectedOrPrecedingLine) {
    struct Case {
        const char* what;
        std::vector<int> lines, selected;
        int frame, want;
    };
    const Case cases[] = {
        {"no lines", {}, {}, 50, -1},
        {"the line before", {10, 40, 70}, {}, 50, 40},
        {"on a line", {10, 40, 70}, {}, 70, 70},
        {"before every line: the first", {10, 40}, {}, 5, 10},
        {"the one selected line wins", {10, 40, 70}, {70}, 15, 70},
        {"two selected: by position", {10, 40, 70}, {10, 70}, 45, 40},
    };
    for (const Case& c : cases) {
        auto draw = std::make_unique<DrawData>();
        for (int f : c.lines)
            (*draw)[f].line_mark() = 3;
        for (int f : c.selected)
            (*draw)[f].line_mark() |= draw_selected_bit;
        EXPECT_EQ(meter_target_line(*draw, 100, c.frame), c.want) << c.what;
    }
}

TEST(ScoreMarks, KeysAreNamedByTheirTonic) {
    struct Case {
        KeySignature key;
        const char* tonic;
    };
    for (const Case& c : {Case{{0, false}, "C"}, {{0, true}, "A"}, {{-3, false}, "E♭"},
                          {{-3, true}, "C"}, {{6, false}, "F♯"}, {{7, true}, "A♯"},
                          {{-7, false}, "C♭"}, {{-7, true}, "A♭"}})
        EXPECT_EQ(key_tonic(c.key), c.tonic) << c.key.fifths << c.key.minor;
    DrawAnnotations a;
    set_meter(a, 40, MeterMark{0, 6, 8});
    EXPECT_EQ(meter_at(a, 39).numerator, 4);
    EXPECT_EQ(meter_at(a, 90).denominator, 8);
}

} // namespace
} // namespace pitkad
