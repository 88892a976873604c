#include "view/note_labels.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(NoteHint, TextsByRow) {
    struct Case {
        int y, line_width;
        bool frq, note;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {0, 4, true, true, "C8\r\n4186Hz\r\n108 (6Ch)"},
        {39 * 7, 7, true, true, "A4\r\n440Hz\r\n69 (45h)"},
        {39 * 7 + 6, 7, true, true, "A4\r\n440Hz\r\n69 (45h)"}, // grid row of row 39
        {73 * 12 + 11, 12, true, true, "B1\r\n62Hz\r\n35 (23h)"},
        {73 * 12, 12, false, false, "B1"},
        {48 * 4, 4, false, true, "C4\r\n60 (3Ch)"},
        {39 * 4, 4, true, false, "A4\r\n440Hz"},
        {1 * 4, 4, false, false, "B7"},
        {74 * 4, 4, true, true, std::nullopt}, // legend strip
        {-1, 4, true, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << " L" << c.line_width);
        EXPECT_EQ(show_note_hint(c.y, c.line_width, c.frq, c.note), c.text);
    }
    // At another reference, the rows' frequencies in the recording.
    EXPECT_EQ(show_note_hint(39 * 4, 4, true, false, 446.1), "A4\r\n446Hz");
}

TEST(NoteLabels, KeyColours) {
    for (int pc = 0; pc < 12; ++pc) {
        const bool sharp = note_names[std::size_t(pc)].size() == 2;
        EXPECT_EQ(label_colour(pc, false), (sharp ? Rgb{160, 160, 160} : Rgb{240, 240, 240})) << pc;
        EXPECT_EQ(label_colour(pc, true), (Rgb{240, 96, 96})) << pc;
    }
}

// A label fades over colour (sound, drawing) but not over the greys of the
// grid, the markers and the cursor; at any pixel scale.
TEST(NoteLabels, RowsWithContentUnderTheLabel) {
    for (int k : {1, 2}) {
        QImage picture(200 * k, (74 * 4 + 29) * k, QImage::Format_BGR888);
        picture.fill(QColor(61, 61, 61));
        picture.setPixelColor(105 * k, (5 * 4 + 2) * k, QColor(0, 40, 200)); // row 5
        picture.setPixelColor(105 * k, (6 * 4 + 2) * k, QColor(160, 160, 160)); // a grey
        picture.setPixelColor(150 * k, (7 * 4 + 2) * k, QColor(200, 0, 0)); // right of the label
        const auto rows = rows_with_content(picture, 101, 24, 4, k);
        for (int r = 0; r < 74; ++r) EXPECT_EQ(rows[std::size_t(r)], r == 5) << k << " row " << r;
    }
}

} // namespace
} // namespace pitkad
