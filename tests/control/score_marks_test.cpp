#include "control/score_marks.h"
#include "control/suggestions.h"

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

namespace pitkad {
namespace {

// Suggested beats become line marks of the colour within the range, never
// over a mark already there nor past the recording.
TEST(SuggestedBeats, AcceptedAsLineMarks) {
    BeatSuggestion s;
    s.beats = {10, 40, 70, 100, 130, 60005};
    const struct {
        int first, end;
        std::vector<int> marked; // frames that get colour 9
    } rows[] = {{0, 200, {10, 70, 100, 130}}, {50, 110, {70, 100}}, {0, 0, {}}};
    for (const auto& row : rows) {
        auto draw = std::make_unique<DrawData>();
        (*draw)[40].line_mark() = 3; // the user's own
        const int placed = accept_suggested_beats(*draw, s, 150, row.first, row.end, 9);
        EXPECT_EQ(placed, int(row.marked.size()));
        for (int f = 0; f < 150; ++f) {
            const bool want = std::count(row.marked.begin(), row.marked.end(), f) > 0;
            EXPECT_EQ((*draw)[f].line_mark(), f == 40 ? 3 : want ? 9 : 0) << f;
        }
        EXPECT_EQ(draw->modified, placed > 0);
    }
}

TEST(SuggestedKey, LabelsBecomeKeySignatures) {
    const struct {
        const char* label;
        std::optional<KeySignature> want;
    } rows[] = {
        {"C:maj", KeySignature{0, false}},  {"A:min", KeySignature{0, true}},
        {"G:maj", KeySignature{1, false}},  {"E:min", KeySignature{1, true}},
        {"F#:maj", KeySignature{6, false}}, {"C#:maj", KeySignature{-5, false}},
        {"F:maj", KeySignature{-1, false}}, {"C:min", KeySignature{-3, true}},
        {"G#:min", KeySignature{5, true}},  {"Bb:maj", KeySignature{-2, false}},
        {"Eb:min", KeySignature{6, true}},  {"H:maj", std::nullopt}, {"Cx:maj", std::nullopt},
        {"C:7", std::nullopt},              {"N", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(key_signature_of(row.label), row.want) << row.label;
}

// The key at a frame, for the status bar: none before, between or after
// the spans.
TEST(SuggestedKey, FoundAtAFrame) {
    const std::vector<HarmonySpan> keys{{0, 10, "C:maj"}, {10, 30, "G:maj"}, {40, 50, "E:min"}};
    const struct {
        int frame;
        const char* want; // "-": none
    } rows[] = {{-1, "-"}, {0, "C:maj"}, {9, "C:maj"}, {10, "G:maj"},
                {35, "-"}, {49, "E:min"}, {50, "-"}};
    for (const auto& row : rows) {
        const HarmonySpan* at = span_at(keys, row.frame);
        EXPECT_EQ(at ? at->label : "-", row.want) << row.frame;
    }
}

} // namespace
} // namespace pitkad
