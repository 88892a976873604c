#include "view/chord_lane.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(ChordLane, LabelsAreWrittenAsAChartWritesThem) {
    const struct {
        const char *label, *symbol;
    } rows[] = {{"C:maj", "C"},    {"A:min", "Am"}, {"G:7", "G7"}, {"F#:maj7", "F♯maj7"},
                {"Bb:min7", "B♭m7"}, {"N", ""},       {"C:dim", ""}, {":maj", ""}};
    for (const auto& r : rows)
        EXPECT_EQ(chord_symbol(r.label), r.symbol) << r.label;
}

// Boxes cut to the view, no box for no chord, and a name only where it has
// room (6 pixels a character and a margin of 3 either side).
TEST(ChordLane, BoxesFollowTheViewsColumns) {
    const std::vector<HarmonySpan> chords{
        {0, 12, "C:maj"}, {12, 20, "N"}, {20, 23, "G:7"}, {23, 60, "A:min7"}, {60, 500, "F:maj"}};
    const auto width_of = [](const std::string& s) { return int(s.size()) * 6; };
    const struct {
        const char* what;
        int first_frame, speed, width; // speed 0: half a pixel a frame
        std::vector<ChordBox> want;
    } rows[] = {
        {"1 px/frame", 0, 1, 100, {{0, 12, "C"}, {20, 3, ""}, {23, 37, "Am7"}, {60, 40, "F"}}},
        {"2 px/frame, scrolled", 15, 2, 100, {{10, 6, ""}, {16, 74, "Am7"}, {90, 10, ""}}},
        {"a long chord cut at both edges", 100, 4, 80, {{0, 80, "F"}}},
        {"past the last chord", 600, 1, 100, {}},
        {"no room", 0, 1, 0, {}},
        {"zoomed out", 0, 0, 100, {{0, 6, ""}, {10, 1, ""}, {11, 19, ""}, {30, 70, "F"}}},
    };
    for (const auto& r : rows) {
        ViewState v;
        v.first_frame = r.first_frame;
        v.scroll_speed = r.speed;
        if (r.speed == 0) v.zoom = int(zoom_per_frame / 2);
        EXPECT_EQ(chord_lane_boxes(chords, v, r.width, width_of), r.want) << r.what;
    }
}

} // namespace
} // namespace pitkad
