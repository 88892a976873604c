#include "drawing/draw_annotations.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

DrawAnnotations sample() {
    DrawAnnotations a;
    add_marker(a, 500, "Solo 1");
    add_marker(a, 10, "イントロ");
    set_meter(a, 0, MeterMark{0, 6, 8});
    set_meter(a, 900, MeterMark{0, 4, 4});
    a.key = KeySignature{-3, true};
    a.track_names[1] = "Bass";
    return a;
}

TEST(DrawAnnotations, BlockReadsBackWhatWasWritten) {
    const DrawAnnotations a = sample();
    EXPECT_EQ(a.markers[0].name, "イントロ"); // kept in frame order
    const auto block = build_annotation_block(a);
    DrawAnnotations back;
    ASSERT_EQ(read_annotation_block(block, 1000, back), AnnotationRead::ok);
    EXPECT_EQ(back, a);
    // A shorter recording keeps only what lies within it.
    ASSERT_EQ(read_annotation_block(block, 600, back), AnnotationRead::ok);
    EXPECT_EQ(back.markers.size(), 2u);
    EXPECT_EQ(back.meters.size(), 1u);
    EXPECT_TRUE(build_annotation_block(DrawAnnotations{}).empty());
}

TEST(DrawAnnotations, DamagedBlocksAreToldAndOtherBytesIgnored) {
    const auto good = build_annotation_block(sample());
    DrawAnnotations out;
    EXPECT_EQ(read_annotation_block({}, 1000, out), AnnotationRead::none);
    const std::vector<std::uint8_t> junk{0xff, 1, 2, 3, 4, 5};
    EXPECT_EQ(read_annotation_block(junk, 1000, out), AnnotationRead::none);
    // Every cut of the block, with its length saying so or not, is damaged
    // (or, cut between entries with the length matching, read short), and
    // leaves nothing half read.
    const auto set_length = [](std::vector<std::uint8_t>& b) {
        const auto len = std::uint32_t(b.size() - 8);
        for (int i = 0; i < 4; ++i)
            b[std::size_t(4 + i)] = std::uint8_t(len >> (8 * i));
    };
    for (std::size_t n = 4; n < good.size(); ++n) {
        auto cut = good;
        cut.resize(n);
        EXPECT_EQ(read_annotation_block(cut, 1000, out), AnnotationRead::damaged) << n;
        if (n < 8) continue;
        set_length(cut);
        if (read_annotation_block(cut, 1000, out) == AnnotationRead::ok) continue;
        EXPECT_TRUE(out.empty()) << n;
    }
    // A meter out of range and a key out of range are damage too.
    DrawAnnotations bad;
    set_meter(bad, 0, MeterMark{0, 4, 4});
    auto b = build_annotation_block(bad);
    b.back() = 3; // denominator 3
    EXPECT_EQ(read_annotation_block(b, 1000, out), AnnotationRead::damaged);
    // An entry of an unknown kind, from a later version, is skipped.
    auto later = good;
    const std::vector<std::uint8_t> extra{'N', 'E', 'W', '!', 2, 0, 0, 0, 9, 9};
    later.insert(later.end(), extra.begin(), extra.end());
    set_length(later);
    ASSERT_EQ(read_annotation_block(later, 1000, out), AnnotationRead::ok);
    EXPECT_EQ(out, sample());
}

TEST(DrawAnnotations, MetersAndMarkersEdit) {
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case c : {Case{"6/8", true}, {"2/2", true}, {"7/8", true}, {"12/8", true},
                         {"1/4", false}, {"4/3", false}, {"4/4x", false}, {"/4", false}})
        EXPECT_EQ(parse_meter(c.text).has_value(), c.ok) << c.text;
    EXPECT_TRUE(parse_meter("6/8")->compound());
    EXPECT_FALSE(parse_meter("3/8")->compound() || parse_meter("6/4")->compound());

    DrawAnnotations a = sample();
    set_meter(a, 0, MeterMark{0, 3, 4}); // replaces
    set_meter(a, 900, std::nullopt);     // removes
    ASSERT_EQ(a.meters.size(), 1u);
    EXPECT_EQ(a.meters[0].numerator, 3);
    EXPECT_EQ(marker_before(a, 500), 0);
    EXPECT_EQ(marker_after(a, 500), -1);
    EXPECT_EQ(marker_after(a, 0), 0);
    // Names are cut to the limit, not inside a character.
    std::string long_name(annotation_text_max - 1, 'a');
    long_name += "あ";
    const int i = add_marker(a, 5, long_name);
    EXPECT_EQ(a.markers[std::size_t(i)].name, std::string(annotation_text_max - 1, 'a'));
}

} // namespace
} // namespace pitkad
